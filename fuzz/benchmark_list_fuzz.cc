// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark list files of any content: what reads is written back and reads
// as the same names; a refusal names the file and a line.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/benchmark_list.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string scratch_file(const char* what) {
    static const std::string folder = [] {
        char pattern[] = "/tmp/strandel-list-fuzzXXXXXX";
        const char* made = mkdtemp(pattern);
        FUZZ_CHECK(made != nullptr);
        return std::string(made);
    }();
    return folder + "/" + what;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = scratch_file("input.list"), output = scratch_file("output.list");
    std::FILE* f = std::fopen(input.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);

    std::vector<std::string> names;
    std::string error;
    if (!strandel::read_benchmark_list(input, names, &error)) {
        FUZZ_CHECK(error.rfind(input + ":", 0) == 0);
        return 0;
    }
    for (const std::string& name : names) FUZZ_CHECK(strandel::list_name_fits(name, nullptr));
    FUZZ_CHECK(strandel::write_benchmark_list(output, names, &error));
    std::vector<std::string> again;
    FUZZ_CHECK(strandel::read_benchmark_list(output, again, &error));
    FUZZ_CHECK(again == names);
    return 0;
}
