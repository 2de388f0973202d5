// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "framework/temporary_files.h"

namespace strandel {

namespace {

constexpr std::size_t buffered = std::size_t(1) << 20;
// A leftover younger than this may still be on its way to being locked.
constexpr int stale_age_seconds = 10;

bool write_all(int fd, std::string_view bytes, int* failure) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            *failure = wrote < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace

std::string link_target(const std::string& path) {
    namespace fs = std::filesystem;
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
        char target[PATH_MAX];
        const ssize_t n = readlink(at.c_str(), target, sizeof target - 1);
        if (n <= 0) return at;
        const fs::path next(std::string(target, static_cast<std::size_t>(n)));
        const std::string followed = next.is_absolute() ? next.string() : (fs::path(at).parent_path() / next).string();
        // The kernel's own links (/dev/stdout to /proc/self/fd/1 to
        // "pipe:[123]") name no path, yet lead somewhere: take the link.
        if (lstat(followed.c_str(), &info) != 0 && stat(at.c_str(), &info) == 0) return at;
        at = followed;
    }
    return at;  // a loop of links: opening it fails and says so
}

replacing_file::replacing_file() = default;
replacing_file::~replacing_file() {
    if (m_direct >= 0) close(m_direct);
}

bool replacing_file::open(const std::string& path, std::string* error, bool may_replace) {
    m_path = link_target(path);
    m_may_replace = may_replace;
    struct stat info;
    const bool exists = stat(m_path.c_str(), &info) == 0;
    if (exists && S_ISREG(info.st_mode) && !may_replace) {
        *error = path + ": exists already";
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        m_direct = ::open(m_path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (m_direct < 0) {
            *error = path + ": cannot write: " + std::strerror(errno);
            return false;
        }
        return true;
    }
    const std::filesystem::path place(m_path);
    remove_stale_temporaries(place.parent_path().string(), place.filename().string() + ".tmp-", stale_age_seconds);
    m_temporary = std::make_unique<temporary_file>(m_path + ".tmp-");
    if (!m_temporary->ok()) {
        *error = path + ": cannot create a temporary file beside it: " + m_temporary->error();
        return false;
    }
    return true;
}

bool replacing_file::flush() {
    if (!m_error.empty()) return false;
    const int fd = m_direct >= 0 ? m_direct : m_temporary ? m_temporary->fd() : -1;
    int failure = fd < 0 ? EBADF : 0;
    if (!failure) write_all(fd, m_buffer, &failure);
    m_buffer.clear();
    if (failure) m_error = m_path + ": cannot write: " + std::strerror(failure);
    return !failure;
}

void replacing_file::write(std::string_view bytes) {
    if (!m_error.empty()) return;
    m_buffer.append(bytes);
    if (m_buffer.size() >= buffered) flush();
}

bool replacing_file::commit(std::string* error) {
    if (!flush()) {
        *error = m_error;
        m_temporary.reset();  // removed
        return false;
    }
    if (m_direct >= 0) {
        const int result = close(m_direct);
        m_direct = -1;
        if (result != 0) {
            *error = m_path + ": cannot write: " + std::strerror(errno);
            return false;
        }
        return true;
    }
    if (!(m_may_replace ? m_temporary->rename_to(m_path) : m_temporary->rename_to_new(m_path))) {
        *error = m_temporary->error_number() == EEXIST
                     ? m_temporary->error()
                     : m_path + ": cannot write: " + std::strerror(m_temporary->error_number());
        m_temporary.reset();
        return false;
    }
    return true;
}

bool replace_file(const std::string& path, std::string_view content, std::string* error) {
    replacing_file file;
    if (!file.open(path, error)) return false;
    file.write(content);
    return file.commit(error);
}

}  // namespace strandel
