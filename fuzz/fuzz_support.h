// SPDX-License-Identifier: GPL-3.0-or-later
// What every fuzz target shares: a property that does not hold stops the
// run with a message (libFuzzer then keeps the input that broke it), and
// scratch files for readers that take a file name.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                           \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                               \
        }                                                                               \
    } while (0)

inline void remove_scratch();

// A file named `what` in a folder of this process's own, removed at exit.
inline std::string scratch_file(const char* what) {
    // Never destroyed: remove_scratch() still needs it at exit.
    static const std::string* folder = [] {
        // Memory-backed where there is such a folder: thousands of files a second.
        char pattern[] = "/dev/shm/strandel-fuzzXXXXXX";
        if (access("/dev/shm", W_OK) != 0) std::snprintf(pattern, sizeof pattern, "/tmp/strandel-fuzzXXXXXX");
        const char* made = mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr);
        std::atexit(remove_scratch);
        return new std::string(made);
    }();
    return *folder + "/" + what;
}

// Removes the scratch files every target may have made, then their folder.
inline void remove_scratch() {
    for (const char* name : {"input.list", "output.list", "image.pgm", "image.jpg"}) std::remove(scratch_file(name).c_str());
    rmdir(scratch_file("").c_str());
}

inline void write_scratch(const std::string& file, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}
