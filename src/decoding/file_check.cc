// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/file_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace strandel {

bool is_regular_file(const std::string& path, std::string* why) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *why = std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode)) return true;
    if (S_ISDIR(info.st_mode))
        *why = "it is a directory, not an image file";
    else if (S_ISFIFO(info.st_mode))
        *why = "it is a FIFO (named pipe), not an image file";
    else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        *why = "it is a device, not an image file";
    else if (S_ISSOCK(info.st_mode))
        *why = "it is a socket, not an image file";
    else
        *why = "it is not a regular file";
    return false;
}

bool is_readable(const std::string& path, std::string* why) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = std::strerror(errno);
        return false;
    }
    close(fd);
    return true;
}

bool fits_histogram(std::uint64_t width, std::uint64_t height, std::string* why) {
    const std::uint64_t limit = std::numeric_limits<std::int32_t>::max();
    if (width == 0 || height == 0 || width <= limit / height) return true;
    *why = std::to_string(width) + "x" + std::to_string(height) +
           " pixels is too many: a gray level's count must fit a 32-bit integer";
    return false;
}

std::size_t read_file_head(const std::string& file, unsigned char* bytes, std::size_t size) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return 0;
    const std::size_t read = std::fread(bytes, 1, size, f);
    std::fclose(f);
    return read;
}

}  // namespace strandel
