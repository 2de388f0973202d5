// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/output_check.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <utility>

#include "framework/message_text.h"

namespace strandel {

namespace fs = std::filesystem;

namespace {

using file_id = std::pair<dev_t, ino_t>;

bool identify(const std::string& path, file_id* id) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return false;
    *id = {info.st_dev, info.st_ino};
    return true;
}

// What tells two outputs apart: the file when it exists, the place it will
// be created at otherwise.
std::string identity_of(const std::string& path) {
    file_id id;
    if (identify(path, &id)) return "file " + std::to_string(id.first) + ":" + std::to_string(id.second);
    return "path " + resolved_path(path);
}

}  // namespace

bool outputs_apart_from_inputs(const std::vector<std::string>& outputs, const std::string& list_file,
                               const std::vector<image_request>& images, std::string* error,
                               const std::string& written) {
    std::map<file_id, const std::string*> existing;
    for (const std::string& output : outputs) {
        file_id id;
        if (identify(output, &id)) existing.emplace(id, &output);
    }
    if (existing.empty()) return true;

    auto clashes = [&](const std::string& input, const char* what) {
        file_id id;
        if (!identify(input, &id)) return false;
        const auto found = existing.find(id);
        if (found == existing.end()) return false;
        *error = "'" + message_quote(*found->second) + "' is the " + what + " '" + message_quote(input) +
                 "' of this run: refusing to write " + written + " into it";
        return true;
    };
    if (clashes(list_file, "list file")) return false;
    for (const image_request& image : images) {
        if (clashes(image.image, "image") || clashes(image.manual, "manual segmentation")) return false;
        for (const std::string& truth : image.more_truths)
            if (clashes(truth, "manual segmentation")) return false;
        for (const std::string& labels : image.scored)
            if (clashes(labels, "scored label image")) return false;
    }
    return true;
}

bool outputs_distinct(const std::vector<named_output>& outputs, std::string* error) {
    std::map<std::string, const named_output*> seen;
    for (const named_output& output : outputs) {
        const auto [at, added] = seen.emplace(identity_of(output.path), &output);
        if (added) continue;
        const named_output& first = *at->second;
        *error = first.what + " '" + message_quote(first.path) + "' and " + output.what + " '" +
                 message_quote(output.path) + "' are one file (" + message_quote(resolved_path(output.path)) +
                 "): give each its own file";
        return false;
    }
    return true;
}

}  // namespace strandel
