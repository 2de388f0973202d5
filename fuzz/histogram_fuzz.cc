// SPDX-License-Identifier: GPL-3.0-or-later
// Histogram files and PGM images of any content. The first byte picks the
// reader. Counts that read are written back and read as the same counts; a
// PGM that opens hands out no more pixels than its bytes hold, and never a
// row past its height.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "decoding/histogram_input.h"
#include "decoding/pgm_rows.h"
#include "fuzz/fuzz_support.h"

namespace {

void read_pgm(const std::uint8_t* data, std::size_t size) {
    const std::string file = scratch_file("image.pgm");
    write_scratch(file, data, size);
    std::unique_ptr<strandel::pixel_rows> rows;
    std::string why;
    if (strandel::open_pgm_rows(file, strandel::row_role::image, &rows, &why) != strandel::open_result::opened)
        return;
    std::uint64_t pixels = 0;
    for (int y = 0; y < rows->height() && rows->next_row(&why); ++y) pixels += static_cast<std::uint64_t>(rows->width());
    FUZZ_CHECK(pixels <= size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    if (data[0] & 1) {
        read_pgm(data + 1, size - 1);
        return 0;
    }
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::istringstream in(bytes);
    strandel::histogram h;
    std::string error;
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
