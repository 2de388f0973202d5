// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "framework/message_text.h"

namespace strandel {
namespace {

void set_error(std::string* error, const char* what, const std::string& file, int err) {
    if (!error) return;
    *error = std::string(what) + " '" + file + "': " + std::strerror(err);
}

enum class line_read { name, end_of_file, too_long, nul_byte, failed };

// Reads one line into `name`, never holding more than the longest name, its
// CR and one byte more: an endless line (/dev/zero, a binary file) costs
// nothing.
line_read read_line(std::FILE* in, std::string* name) {
    name->clear();
    for (;;) {
        const int c = std::getc(in);
        if (c == EOF) {
            if (std::ferror(in)) return line_read::failed;
            if (name->empty()) return line_read::end_of_file;
            break;  // a last line without LF; a CR there stays
        }
        if (c == '\n') {
            if (!name->empty() && name->back() == '\r') name->pop_back();
            break;
        }
        if (c == '\0') return line_read::nul_byte;
        // One byte past the longest name may still be the CR before a LF.
        if (name->size() > max_list_name) return line_read::too_long;
        name->push_back(static_cast<char>(c));
    }
    return name->size() > max_list_name ? line_read::too_long : line_read::name;
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
    std::string name;
    line_read result;
    while ((result = read_line(in, &name)) == line_read::name) read.push_back(name);
    // A directory opens fine but fails on the first read; that is no list.
    const int read_errno = errno;
    std::fclose(in);
    const std::string where = file + ":" + std::to_string(read.size() + 1) + ": ";
    switch (result) {
    case line_read::failed:
        set_error(error, "Could not read", file, read_errno);
        return false;
    case line_read::too_long:
        if (error)
            *error = where + "the line is longer than " + std::to_string(max_list_name) +
                     " bytes, the most a benchmark list line holds";
        return false;
    case line_read::nul_byte:
        if (error) *error = where + "the line holds a NUL byte; a benchmark list holds file names, one per line";
        return false;
    default:
        break;
    }
    names.swap(read);
    return true;
}

bool list_name_fits(const std::string& name, std::string* why) {
    std::string problem;
    if (name.size() > max_list_name)
        problem = "is longer than the " + std::to_string(max_list_name) + " bytes a benchmark list line holds";
    else if (name.find('\n') != std::string::npos)
        problem = "holds a line feed";
    else if (name.find('\0') != std::string::npos)
        problem = "holds a NUL byte";
    else if (!name.empty() && name.back() == '\r')
        problem = "ends in a carriage return, which a list line drops";
    if (problem.empty()) return true;
    if (why) *why = problem;
    return false;
}

bool write_benchmark_list(const std::string& file, const std::vector<std::string>& names,
                          std::string* error) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string why;
        if (!list_name_fits(names[i], &why)) {
            if (error)
                *error = "Could not write '" + file + "': entry " + std::to_string(i + 1) + " \"" +
                         message_quote(names[i]) + "\" " + why;
            return false;
        }
    }
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
