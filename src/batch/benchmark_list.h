// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmark list file: plain text, one image file name per line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace strandel {

// The longest name a list line holds, its line end aside. Lists were always
// read through a 300-byte buffer: a name of this length, its LF and the
// buffer's NUL fill it exactly, so every list that ever read back whole
// still reads the same.
constexpr std::size_t max_list_name = 298;

// One rule for every reader (benchmark editor, runner, GIMP engine, headless
// procedure): a line ends at LF, and a CR just before that LF is dropped too
// (anywhere else a CR belongs to the name); a blank line is an empty name; a
// last line without LF still counts. A name read may thus end in a CR
// ("a\r\r\n", or "a\r" at the end of the file), which no list line can
// hold again: the writer refuses it. A line whose name is longer than
// max_list_name, or that holds a NUL byte, is refused with `error` naming
// FILE:LINE; no line is ever split into several names, and reading stops at
// the first such line. On success `names` is replaced; on failure it is left
// alone and `error` (if given) says which file failed and why.
bool read_benchmark_list(const std::string& file, std::vector<std::string>& names,
                         std::string* error);

// Whether `name` reads back as itself from a list line: at most
// max_list_name bytes, no LF or NUL, no CR at its end. Otherwise `why` says
// what is wrong with it ("holds a line feed").
bool list_name_fits(const std::string& name, std::string* why);

// Writes every name followed by LF, in order, replacing the file. Refuses,
// before touching the file, a list holding a name that would not read back
// as itself (list_name_fits). Fails when the file cannot be created or when
// writing or closing it fails (a full disk shows up only at close), with the
// reason in `error` (if given).
bool write_benchmark_list(const std::string& file, const std::vector<std::string>& names,
                          std::string* error);

// Image files of a benchmark list, with relative entries taken relative to
// the list file's folder; absolute and empty entries stay as they are.
std::vector<std::string> resolve_list_entries(const std::string& list_file, const std::vector<std::string>& names);

// Reads a benchmark list into `images`, relative entries taken relative to
// the list file's folder; on failure `error` names the file and the reason.
bool read_list_relative(const std::string& list_file, std::vector<std::string>* images, std::string* error);

}  // namespace strandel
