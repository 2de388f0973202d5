// SPDX-License-Identifier: GPL-3.0-or-later
// Only regular files are opened: opening a FIFO blocks until someone writes
// to it, and a directory or a device is no image whatever its name says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace strandel {

// True for a regular file (or a link to one). Otherwise false, and `why`
// says what the path is ("it is a directory", "it is a FIFO (named pipe)",
// ...) or why it cannot be looked at ("No such file or directory").
bool is_regular_file(const std::string& path, std::string* why);

// Whether `path` (a regular file) can be opened for reading; otherwise
// false with the system's reason ("Permission denied").
bool is_readable(const std::string& path, std::string* why);

// Whether an image of width x height pixels can be counted: every gray
// level's count must fit the histogram's 32-bit integers. Otherwise false
// and `why` names the size.
bool fits_histogram(std::uint64_t width, std::uint64_t height, std::string* why);

// Reads the first `size` bytes of `file` into `bytes`: how many there were
// (0 when it cannot be read).
std::size_t read_file_head(const std::string& file, unsigned char* bytes, std::size_t size);

}  // namespace strandel
