// SPDX-License-Identifier: GPL-3.0-or-later
// Appending whole lines to a file that other runs may append to as well
// (results files, tables written row by row): every piece given to append()
// reaches the file whole or not at all, and the file is locked (flock) for
// as long as this appender holds it, so two runs never interleave.
#pragma once

#include <cstdio>
#include <string>

namespace strandel {

class line_appender {
public:
    line_appender() = default;
    // Takes over a stream opened for appending (closed by close()); locks
    // it as open_append() does unless `lock` is false (a file this process
    // has locked already through another stream). Null is a failed open.
    explicit line_appender(std::FILE* adopted, bool lock = true);
    line_appender(const line_appender&) = delete;
    line_appender& operator=(const line_appender&) = delete;
    ~line_appender() { close(); }

    // Opens `path` for appending (creating it) and takes an exclusive lock on
    // it, waiting for another holder to let go; while it waits it says so on
    // standard error. False with the reason in error() when it cannot.
    bool open_append(const std::string& path);

    // Writes `lines` (whole lines, ending in LF) at the end of the file in
    // one piece. When the system refuses part of it (a full disk, a file
    // size limit), the file is cut back to where this piece began, the
    // system's reason kept in error(), and every later append refused.
    bool append(const std::string& lines);

    // Releases the lock and closes the file (once); false when this or an
    // earlier step failed.
    bool close();

    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

private:
    void adopt(std::FILE* file, bool lock);
    void fail(int err);

    std::FILE* m_file = nullptr;
    int m_fd = -1;
    bool m_regular = false;  // locked, and cut back after a refused piece
    std::string m_error;
};

}  // namespace strandel
