// SPDX-License-Identifier: GPL-3.0-or-later
// Text files read line by line, within bounds. A results table or a report
// is read whole by the tools; without bounds a wrong argument (/dev/zero, a
// FIFO, a huge file of one line) would fill the memory or wait forever. Only
// regular files are opened, without blocking on a FIFO, and every line and
// the whole file have generous but finite limits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace strandel {

// The longest line (its line end aside) and the largest file read.
constexpr std::size_t longest_text_line = std::size_t(1) << 20;     // 1 MiB
constexpr std::uint64_t largest_text_file = std::uint64_t(1) << 30;  // 1 GiB

// What a file that is no regular file is, for messages: "a directory",
// "a FIFO (named pipe)", "a device", "a socket" or "not a regular file".
std::string kind_of_special_file(unsigned mode);

class text_lines {
public:
    text_lines() = default;
    ~text_lines();
    text_lines(const text_lines&) = delete;
    text_lines& operator=(const text_lines&) = delete;

    // Opens `path` when it is a regular file. False with error() set
    // ("it is a FIFO (named pipe), not a regular file", the system's reason).
    bool open(const std::string& path);
    // Reads `text` instead of a file, under the same rules; `name` stands
    // for the file in messages.
    void open_text(std::string_view text, const std::string& name);

    // The next line, without its LF (a CR before it is kept). False at the
    // end of the text, or on a failure (error() non-empty).
    bool next(std::string* line);
    // Whether the line last read ended with LF (only the last line of a
    // text can lack it).
    bool line_ended() const { return m_ended; }
    // The line last read, from 1.
    long line_number() const { return m_line; }

    const std::string& name() const { return m_name; }
    bool failed() const { return !m_error.empty(); }
    // Why reading stopped, and on which line (0: the file as a whole).
    const std::string& error() const { return m_error; }
    long error_line() const { return m_error_line; }
    // "FILE:LINE: why" or "FILE: why".
    std::string message() const;

private:
    bool fill();
    bool fail(long line, const std::string& why);

    std::string m_name, m_error;
    int m_fd = -1;
    std::string m_text;  // open_text's text (a copy), consumed from the front
    std::size_t m_text_at = 0;
    bool m_from_text = false;
    std::string m_buffer;
    std::size_t m_at = 0;  // first unread byte of m_buffer
    std::uint64_t m_total = 0;
    bool m_end = false;  // nothing more to fill from
    bool m_ended = false;
    long m_line = 0, m_error_line = 0;
};

}  // namespace strandel
