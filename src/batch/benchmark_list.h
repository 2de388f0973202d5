// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark list file: plain text, one image file name per line.
#pragma once

#include <string>
#include <vector>

namespace strandel {

// Lines are read through a 300-byte buffer, so a line longer than 299 bytes
// comes back as several consecutive names. A trailing LF (and a CR just
// before it) is dropped, a blank line is an empty name, and a last line
// without LF still counts. On success `names` is replaced; on failure it is
// left alone and `error` (if given) says which file failed and why.
bool read_benchmark_list(const std::string& file, std::vector<std::string>& names,
                         std::string* error);

// Writes every name followed by LF, in order, replacing the file. Fails when
// the file cannot be created or when writing or closing it fails (a full
// disk shows up only at close), with the reason in `error` (if given).
bool write_benchmark_list(const std::string& file, const std::vector<std::string>& names,
                          std::string* error);

// Image files of a benchmark list, with relative entries taken relative to
// the list file's folder; absolute and empty entries stay as they are.
std::vector<std::string> resolve_list_entries(const std::string& list_file, const std::vector<std::string>& names);

// Reads a benchmark list into `images`, relative entries taken relative to
// the list file's folder; on failure `error` names the file and the reason.
bool read_list_relative(const std::string& list_file, std::vector<std::string>* images, std::string* error);

}  // namespace strandel
