// SPDX-License-Identifier: GPL-3.0-or-later
// Histogram files and PGM images of any content. The first byte picks the
// reader. Counts that read are written back and read as the same counts; a
// PGM that reads counts no more pixels than its bytes hold.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "decoding/histogram_input.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::istringstream in(bytes);
    strandel::histogram h;
    std::string error;
    if (data[0] & 1) {
        if (!strandel::read_pgm_histogram(in, "image.pgm", h, &error)) return 0;
        FUZZ_CHECK(strandel::total_pixels(h) <= static_cast<std::int64_t>(bytes.size()));
        return 0;
    }
    if (!strandel::read_histogram_counts(in, "counts.txt", h, &error)) {
        FUZZ_CHECK(error.size() < 1024);
        return 0;
    }
    std::ostringstream out;
    for (std::int32_t count : h) out << count << '\n';
    std::istringstream back_in(out.str());
    strandel::histogram back;
    FUZZ_CHECK(strandel::read_histogram_counts(back_in, "again.txt", back, &error));
    for (unsigned g = 0; g < 256; ++g) FUZZ_CHECK(back[g] == h[g]);
    return 0;
}
