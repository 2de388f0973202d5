// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file so that readers see the old or the new content, never a
// part of it.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace strandel {

class temporary_file;

// A file written in pieces and put in place whole. A regular file (or a
// name not taken yet) is written to a temporary file beside it, renamed
// over it by commit(); a link to a regular file keeps its link, and the file
// it leads to is replaced. A name that is no regular file (/dev/stdout, a
// FIFO, a device) is written to directly, never renamed over.
class replacing_file {
public:
    replacing_file();
    ~replacing_file();  // removes the temporary file unless committed
    replacing_file(const replacing_file&) = delete;
    replacing_file& operator=(const replacing_file&) = delete;

    // Prepares writing `path`, first removing the temporary files that a
    // killed run left beside it (PATH.tmp-XXXXXX that nobody holds). False
    // with `error` naming the file and the system's reason. Unless
    // `may_replace`, an existing regular file is refused, now and when the
    // file is put in place (a file that appeared meanwhile is kept).
    bool open(const std::string& path, std::string* error, bool may_replace = true);
    // Buffered; a failure is kept for commit() to report.
    void write(std::string_view bytes);
    // Writes what is buffered and puts the file in place; on failure the
    // old file is left as it was and `error` says why.
    bool commit(std::string* error);

private:
    bool flush();
    std::string m_path, m_buffer, m_error;
    std::unique_ptr<temporary_file> m_temporary;
    bool m_may_replace = true;
    int m_direct = -1;  // the descriptor of a target written directly
};

// The file a chain of symbolic links starting at `path` ends at (`path`
// itself when it is no link); the last name may not exist.
std::string link_target(const std::string& path);

// Writes `content` through a replacing_file.
bool replace_file(const std::string& path, std::string_view content, std::string* error);

}  // namespace strandel
