// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/ground_truth.h"

#include <glob.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

namespace strandel {

namespace {

const char* const placeholders[] = {"{dir}", "{stem}", "{ext}", "{name}", "{k}"};

// What glob(3) reads as the literal `text`.
std::string glob_escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '*' || c == '?' || c == '[' || c == ']') out += '\\';
        out += c;
    }
    return out;
}

// The pattern filled in; for a glob, everything but the pattern's own `*`
// escaped. {k} becomes `k` (0: left as it is).
std::string fill_pattern(const std::string& pattern, const std::string& image, const std::string& base, bool for_glob,
                         int k) {
    const std::filesystem::path path(image);
    std::string dir = path.parent_path().string();
    if (dir.empty()) dir = ".";
    const std::string values[] = {dir, path.stem().string(), path.extension().string(), path.filename().string(),
                                  k > 0 ? std::to_string(k) : std::string("{k}")};
    auto literal = [for_glob](const std::string& text) { return for_glob ? glob_escaped(text) : text; };
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        bool replaced = false;
        for (std::size_t p = 0; p < 5 && !replaced; ++p) {
            const std::string name = placeholders[p];
            if (pattern.compare(i, name.size(), name) == 0) {
                out += literal(values[p]);
                i += name.size();
                replaced = true;
            }
        }
        if (replaced) continue;
        out += pattern[i] == '*' && for_glob ? std::string("*") : literal(std::string(1, pattern[i]));
        ++i;
    }
    const bool from_image = pattern.compare(0, 5, "{dir}") == 0;
    if (base.empty() || from_image || pattern[0] == '/') return out;
    return literal(base + (base.back() == '/' ? "" : "/")) + out;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Every existing path a glob matches, sorted by name (bytewise).
std::vector<std::string> matches(const std::string& expression) {
    glob_t found{};
    std::vector<std::string> paths;
    if (glob(expression.c_str(), 0, nullptr, &found) == 0)
        for (std::size_t i = 0; i < found.gl_pathc; ++i) paths.push_back(found.gl_pathv[i]);
    globfree(&found);
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

bool check_ground_truth_pattern(const std::string& pattern, std::string* error) {
    if (pattern.empty()) {
        *error = "--ground-truth: the pattern is empty";
        return false;
    }
    for (std::size_t at = pattern.find('{'); at != std::string::npos; at = pattern.find('{', at + 1)) {
        bool known = false;
        for (const char* p : placeholders) known = known || pattern.compare(at, std::string(p).size(), p) == 0;
        if (!known) {
            *error = "--ground-truth '" + pattern + "': unknown placeholder at '" + pattern.substr(at, 12) +
                     "' (use {dir}, {stem}, {ext}, {name} or {k})";
            return false;
        }
    }
    return true;
}

std::string ground_truth_path(const std::string& pattern, const std::string& image, const std::string& base) {
    return fill_pattern(pattern, image, base, false, 0);
}

bool names_several_files(const std::string& pattern) {
    return pattern.find("{k}") != std::string::npos || pattern.find('*') != std::string::npos;
}

std::vector<std::string> ground_truth_files(const std::string& pattern, const std::string& image,
                                            const std::string& base) {
    if (!names_several_files(pattern)) return {ground_truth_path(pattern, image, base)};
    const bool glob_it = pattern.find('*') != std::string::npos;
    const bool indexed = pattern.find("{k}") != std::string::npos;
    std::vector<std::string> files;
    for (int k = 1; k == 1 || indexed; ++k) {
        std::vector<std::string> found;
        if (glob_it)
            found = matches(fill_pattern(pattern, image, base, true, indexed ? k : 0));
        else if (exists(fill_pattern(pattern, image, base, false, k)))
            found.push_back(fill_pattern(pattern, image, base, false, k));
        if (found.empty()) break;
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}

std::vector<image_request> requests_with_ground_truth(const std::vector<std::string>& images,
                                                      const std::string& pattern, const std::string& base) {
    if (pattern.empty()) return requests_beside(images);
    std::vector<image_request> requests;
    requests.reserve(images.size());
    for (const std::string& image : images) {
        std::vector<std::string> files = ground_truth_files(pattern, image, base);
        image_request request;
        request.image = image;
        if (files.empty()) {
            // Where the first annotator was looked for, for messages.
            request.manual = fill_pattern(pattern, image, base, false, 1);
        } else {
            request.manual = files.front();
            request.more_truths.assign(files.begin() + 1, files.end());
        }
        requests.push_back(std::move(request));
    }
    return requests;
}

}  // namespace strandel
