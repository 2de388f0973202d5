// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a file so that readers see the old or the new content, never a
// part of it.
#pragma once

#include <string>
#include <string_view>

namespace strandel {

// Writes `content` to a new temporary file in `path`'s folder and renames
// it over `path`. On failure the temporary file is removed, `path` is left
// as it was and `error` names the file and the system's reason.
bool replace_file(const std::string& path, std::string_view content, std::string* error);

}  // namespace strandel
