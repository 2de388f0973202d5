// SPDX-License-Identifier: GPL-3.0-or-later
// Whether two names lead to one file, so that no output of a tool is one of
// its inputs under another name (a link, "./x", "../dir/x").
#pragma once

#include <string>

namespace strandel {

// `path` made absolute, every symbolic link resolved (a dangling one too,
// followed to where it points) and "." and ".." steps removed: the file a
// path will name once it is created; two spellings of one place give one
// string.
std::string resolved_path(const std::string& path);

// One file as it stands now: its device and inode when it exists, and its
// resolved path either way. Made once for an output, then compared with
// every input.
class file_identity {
public:
    explicit file_identity(const std::string& path);
    // True when `other` names this file: the same device and inode, or,
    // when either does not exist, the same resolved path.
    bool same_as(const std::string& other) const;
    bool exists() const { return m_exists; }

private:
    std::string m_resolved;
    bool m_exists = false;
    unsigned long long m_device = 0, m_inode = 0;
};

}  // namespace strandel
