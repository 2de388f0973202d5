// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark list files of any content: what reads is written back and reads
// as the same names (or, for a name ending in a CR, refused by the writer);
// a refusal names the file and a line.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/benchmark_list.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = scratch_file("input.list"), output = scratch_file("output.list");
    write_scratch(input, data, size);

    std::vector<std::string> names;
    std::string error;
    if (!strandel::read_benchmark_list(input, names, &error)) {
        FUZZ_CHECK(error.rfind(input + ":", 0) == 0);
        return 0;
    }
    // The only name a line gives that no line can hold again ends in a CR
    // ("a\r\r\n"); the writer must refuse it rather than change it.
    bool all_fit = true;
    for (const std::string& name : names)
        if (!strandel::list_name_fits(name, nullptr)) {
            FUZZ_CHECK(!name.empty() && name.back() == '\r');
            all_fit = false;
        }
    FUZZ_CHECK(strandel::write_benchmark_list(output, names, &error) == all_fit);
    if (!all_fit) return 0;
    std::vector<std::string> again;
    FUZZ_CHECK(strandel::read_benchmark_list(output, again, &error));
    FUZZ_CHECK(again == names);
    return 0;
}
