// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/output_check.h"

#include <sys/stat.h>

#include <map>
#include <utility>

#include "framework/message_text.h"

namespace strandel {

namespace {

using file_id = std::pair<dev_t, ino_t>;

bool identify(const std::string& path, file_id* id) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0) return false;
    *id = {info.st_dev, info.st_ino};
    return true;
}

}  // namespace

bool outputs_apart_from_inputs(const std::vector<std::string>& outputs, const std::string& list_file,
                               const std::vector<image_request>& images, std::string* error) {
    std::map<file_id, const std::string*> written;
    for (const std::string& output : outputs) {
        file_id id;
        if (identify(output, &id)) written.emplace(id, &output);
    }
    if (written.empty()) return true;

    auto clashes = [&](const std::string& input, const char* what) {
        file_id id;
        if (!identify(input, &id)) return false;
        const auto found = written.find(id);
        if (found == written.end()) return false;
        *error = "'" + message_quote(*found->second) + "' is the " + what + " '" + message_quote(input) +
                 "' of this run: refusing to write the results into it";
        return true;
    };
    if (clashes(list_file, "list file")) return false;
    for (const image_request& image : images)
        if (clashes(image.image, "image") || clashes(image.manual, "manual segmentation")) return false;
    return true;
}

}  // namespace strandel
