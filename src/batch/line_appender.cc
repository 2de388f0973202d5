// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/line_appender.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace strandel {

namespace {

// The file's name for the waiting notice, from the descriptor itself, so
// that adopted streams are named too.
std::string name_of(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[PATH_MAX];
    const ssize_t n = readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string("the results file");
}

int lock_waiting_if_needed(int fd) {
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return errno;
        std::fprintf(stderr, "strandel: waiting for another run to finish appending to '%s' (it holds its lock)\n",
                     name_of(fd).c_str());
        while (flock(fd, LOCK_EX) != 0)
            if (errno != EINTR) return errno;
        return 0;
    }
    return 0;
}

}  // namespace

line_appender::line_appender(std::FILE* adopted, bool lock) {
    if (!adopted) {
        m_error = "the file is not open";
        return;
    }
    adopt(adopted, lock);
}

bool line_appender::open_append(const std::string& path) {
    close();
    m_error.clear();
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (!file) {
        fail(errno);
        return false;
    }
    adopt(file, true);
    return ok();
}

void line_appender::adopt(std::FILE* file, bool lock) {
    m_file = file;
    // Whatever the caller left in the stream's buffer goes first; from here
    // on the descriptor is written directly, so that nothing of a refused
    // piece can linger in a buffer and reach the file later.
    if (std::fflush(m_file) != 0) {
        fail(errno);
        return;
    }
    m_fd = fileno(m_file);
    // Devices and pipes (/dev/full, /dev/stdout) cannot always be locked,
    // and a pipe has no end to cut back to: they are written as they are.
    struct stat info;
    if (fstat(m_fd, &info) != 0) {
        fail(errno);
        return;
    }
    if (!S_ISREG(info.st_mode)) return;
    if (const int err = lock ? lock_waiting_if_needed(m_fd) : 0) {
        fail(err);
        return;
    }
    m_regular = true;
}

bool line_appender::append(const std::string& lines) {
    if (m_fd < 0 || !ok()) return false;
    // Where this piece begins: the end of the last whole line.
    const off_t start = m_regular ? lseek(m_fd, 0, SEEK_END) : 0;
    if (start < 0) {
        fail(errno);
        return false;
    }
    std::size_t done = 0;
    while (done < lines.size()) {
        const ssize_t n = ::write(m_fd, lines.data() + done, lines.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            // A piece cut short leaves no half line behind.
            if (done > 0 && m_regular) {
                while (ftruncate(m_fd, start) != 0 && errno == EINTR) {
                }
            }
            fail(err);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool line_appender::close() {
    if (m_file) {
        // Closing the descriptor releases the lock.
        const int result = std::fclose(m_file);
        const int err = errno;
        m_file = nullptr;
        m_fd = -1;
        m_regular = false;
        if (result != 0) fail(err);
    }
    return ok();
}

void line_appender::fail(int err) {
    if (!ok()) return;
    m_error = err ? std::strerror(err) : "unknown error";
}

}  // namespace strandel
