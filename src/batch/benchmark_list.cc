// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace strandel {
namespace {

constexpr int line_buffer_size = 300;

void set_error(std::string* error, const char* what, const std::string& file, int err) {
    if (!error) return;
    *error = std::string(what) + " '" + file + "': " + std::strerror(err);
}

// Drops the line end of one buffer's worth of text: an LF in the last place,
// then a CR in the place before it.
std::string strip_line_end(char* text) {
    std::size_t n = std::strlen(text);
    // A line that starts with a NUL byte reads as empty.
    if (n >= 1 && text[n - 1] == '\n') text[n - 1] = '\0';
    if (n >= 2 && text[n - 2] == '\r') text[n - 2] = '\0';
    return text;
}

}  // namespace

bool read_benchmark_list(const std::string& file, std::vector<std::string>& names,
                         std::string* error) {
    std::FILE* in = std::fopen(file.c_str(), "r");
    if (!in) {
        set_error(error, "Could not open", file, errno);
        return false;
    }
    std::vector<std::string> read;
    char buffer[line_buffer_size];
    while (std::fgets(buffer, sizeof buffer, in)) read.push_back(strip_line_end(buffer));
    // A directory opens fine but fails on the first read; that is no list.
    const bool failed = std::ferror(in);
    const int read_errno = errno;
    std::fclose(in);
    if (failed) {
        set_error(error, "Could not read", file, read_errno);
        return false;
    }
    names.swap(read);
    return true;
}

bool write_benchmark_list(const std::string& file, const std::vector<std::string>& names,
                          std::string* error) {
    std::FILE* out = std::fopen(file.c_str(), "w");
    if (!out) {
        set_error(error, "Could not open", file, errno);
        return false;
    }
    int write_errno = 0;
    for (const std::string& name : names) {
        if (std::fprintf(out, "%s\n", name.c_str()) < 0 && !write_errno) write_errno = errno;
    }
    if (std::fflush(out) != 0 && !write_errno) write_errno = errno;
    if (std::fclose(out) != 0 && !write_errno) write_errno = errno;
    if (write_errno) {
        set_error(error, "Could not write", file, write_errno);
        return false;
    }
    return true;
}

std::vector<std::string> resolve_list_entries(const std::string& list_file, const std::vector<std::string>& names) {
    const std::size_t slash = list_file.rfind('/');
    if (slash == std::string::npos) return names;
    const std::string folder = list_file.substr(0, slash + 1);
    std::vector<std::string> resolved;
    resolved.reserve(names.size());
    for (const std::string& name : names)
        resolved.push_back(name.empty() || name[0] == '/' ? name : folder + name);
    return resolved;
}

bool read_list_relative(const std::string& list_file, std::vector<std::string>* images, std::string* error) {
    std::vector<std::string> names;
    if (!read_benchmark_list(list_file, names, error)) return false;
    *images = resolve_list_entries(list_file, names);
    return true;
}

}  // namespace strandel
