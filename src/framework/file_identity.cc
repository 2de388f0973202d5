// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/file_identity.h"

#include <sys/stat.h>

#include <filesystem>

namespace strandel {

std::string resolved_path(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::path at = fs::absolute(path, failure);
    if (failure) return path;
    // A link that points nowhere yet is where the file will be created:
    // fopen and open(O_CREAT) follow it.
    for (int hops = 0; hops < 40; ++hops) {
        if (!fs::is_symlink(fs::symlink_status(at, failure))) break;
        const fs::path target = fs::read_symlink(at, failure);
        if (failure) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    const fs::path resolved = fs::weakly_canonical(at, failure);
    return (failure ? at.lexically_normal() : resolved).string();
}

file_identity::file_identity(const std::string& path) {
    struct stat info;
    m_exists = stat(path.c_str(), &info) == 0;
    if (m_exists) {
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
    m_resolved = resolved_path(path);
}

bool file_identity::same_as(const std::string& other) const {
    struct stat info;
    const bool other_exists = stat(other.c_str(), &info) == 0;
    if (m_exists && other_exists) return info.st_dev == m_device && info.st_ino == m_inode;
    // One name that does not exist yet may still be the other one's place.
    return m_exists == other_exists && resolved_path(other) == m_resolved;
}

}  // namespace strandel
