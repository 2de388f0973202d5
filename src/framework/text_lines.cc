// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/text_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace strandel {

namespace {

constexpr std::size_t chunk = 65536;

}  // namespace

std::string kind_of_special_file(unsigned mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

text_lines::~text_lines() {
    if (m_fd >= 0) close(m_fd);
}

bool text_lines::open(const std::string& path) {
    m_name = path;
    // Non-blocking, so that a FIFO is looked at instead of waited on.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (m_fd < 0) return fail(0, std::string("cannot open: ") + std::strerror(errno));
    struct stat info;
    if (fstat(m_fd, &info) != 0) return fail(0, std::string("cannot read: ") + std::strerror(errno));
    if (!S_ISREG(info.st_mode)) {
        const std::string kind = kind_of_special_file(info.st_mode);
        return fail(0, (kind == "not a regular file" ? "it is " : "it is " + kind + ", ") + "not a regular file");
    }
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    return true;
}

void text_lines::open_text(std::string_view text, const std::string& name) {
    m_name = name;
    m_text.assign(text.data(), text.size());
    m_from_text = true;
}

bool text_lines::fail(long line, const std::string& why) {
    if (m_error.empty()) {
        m_error = why;
        m_error_line = line;
    }
    m_end = true;
    return false;
}

std::string text_lines::message() const {
    return m_name + (m_error_line > 0 ? ":" + std::to_string(m_error_line) : std::string()) + ": " + m_error;
}

bool text_lines::fill() {
    if (m_end) return false;
    if (m_at > 0) {
        m_buffer.erase(0, m_at);
        m_at = 0;
    }
    std::size_t got = 0;
    if (m_from_text) {
        got = std::min(chunk, m_text.size() - m_text_at);
        m_buffer.append(m_text, m_text_at, got);
        m_text_at += got;
    } else {
        if (m_fd < 0) return false;
        const std::size_t old = m_buffer.size();
        m_buffer.resize(old + chunk);
        ssize_t n;
        do n = read(m_fd, &m_buffer[old], chunk);
        while (n < 0 && errno == EINTR);
        m_buffer.resize(old + (n > 0 ? std::size_t(n) : 0));
        if (n < 0) return fail(0, std::string("cannot read: ") + std::strerror(errno));
        got = std::size_t(n);
    }
    if (got == 0) {
        m_end = true;
        return false;
    }
    m_total += got;
    if (m_total > largest_text_file)
        return fail(0, "larger than " + std::to_string(largest_text_file) + " bytes, more than is read of such a file");
    return true;
}

bool text_lines::next(std::string* line) {
    if (failed()) return false;
    std::size_t searched = m_at;
    for (;;) {
        const std::size_t end = m_buffer.find('\n', searched);
        if (end != std::string::npos && end - m_at <= longest_text_line) {
            line->assign(m_buffer, m_at, end - m_at);
            m_at = end + 1;
            m_ended = true;
            ++m_line;
            return true;
        }
        if (m_buffer.size() - m_at > longest_text_line)
            return fail(m_line + 1, "line longer than " + std::to_string(longest_text_line) + " bytes");
        searched = m_buffer.size();
        const std::size_t at = m_at;
        if (!fill()) {
            if (failed()) return false;
            if (m_at >= m_buffer.size()) return false;
            // A last line without LF.
            line->assign(m_buffer, m_at, std::string::npos);
            m_at = m_buffer.size();
            m_ended = false;
            ++m_line;
            return true;
        }
        searched -= at - m_at;  // fill() moved the unread bytes to the front
    }
}

}  // namespace strandel
