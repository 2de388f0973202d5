// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/table_paths.h"

#include <filesystem>

namespace strandel {

namespace fs = std::filesystem;

namespace {

bool found(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

std::string current_folder() {
    std::error_code ignored;
    return fs::current_path(ignored).string();
}

}  // namespace

std::string normalised_absolute(const std::string& path) {
    const fs::path p(path);
    fs::path normal = (p.is_absolute() ? p : fs::path(current_folder()) / p).lexically_normal();
    // "/a/b/" and "/a/b" are one folder.
    if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
    return normal.string();
}

table_path_resolver::table_path_resolver(const std::string& table, const std::string& folder)
    : m_folder(normalised_absolute(folder.empty() ? fs::path(table).parent_path().string() : folder)),
      m_current(normalised_absolute(current_folder())) {}

std::string table_path_resolver::resolve(const std::string& path) {
    if (path.empty()) return path;
    const fs::path written(path);
    if (written.is_absolute()) return written.lexically_normal().string();
    const fs::path beside = (fs::path(m_folder) / written).lexically_normal();
    if (found(beside) || m_current == m_folder) return beside.string();
    const fs::path here = (fs::path(m_current) / written).lexically_normal();
    if (!found(here)) return beside.string();
    ++m_from_current;
    return here.string();
}

std::string resolve_paths(std::vector<result_row>& rows, const std::string& table) {
    table_path_resolver paths(table);
    for (result_row& row : rows) {
        row.image_path = paths.resolve(row.image);
        row.manual_path = paths.resolve(row.manual_segmentation);
    }
    return paths.from_current_folder() ? current_folder_note(table, paths.from_current_folder()) : std::string();
}

std::string current_folder_note(const std::string& table, int count) {
    return table + ": " + std::to_string(count) + " relative path" + (count == 1 ? "" : "s") +
           " name nothing beside the table but do from the current folder (a table of an older "
           "strandel-bench?): taken from the current folder";
}

}  // namespace strandel
