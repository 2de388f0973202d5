// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files of any content, through the decoder both engines read JPEGs
// with: nothing ends the process, no row is handed out past the height,
// and two decodings of the same bytes hand out the same rows (a decoder
// reading memory it never wrote would not).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "decoding/jpeg_rows.h"
#include "fuzz/fuzz_support.h"

namespace {

// Every row's bytes, one after the other, and whether the file read to its
// end; images over a megapixel are left alone (time, not correctness).
bool decode(const std::string& file, std::vector<unsigned char>* pixels) {
    strandel::jpeg_decoder decoder(64 << 20);
    std::string why;
    if (!decoder.open(file, &why)) {
        FUZZ_CHECK(!why.empty() && why.size() < 1024);
        return false;
    }
    if (std::uint64_t(decoder.width()) * std::uint64_t(decoder.height()) > (1u << 20)) return false;
    std::vector<unsigned char> row(std::size_t(decoder.width()) * std::size_t(decoder.channels()));
    for (int y = 0; y < decoder.height(); ++y) {
        if (!decoder.read_row(row.data(), &why)) return false;
        pixels->insert(pixels->end(), row.begin(), row.end());
    }
    FUZZ_CHECK(!decoder.read_row(row.data(), &why));  // nothing past the last row
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file = scratch_file("image.jpg");
    write_scratch(file, data, size);
    std::vector<unsigned char> first, second;
    const bool whole = decode(file, &first);
    FUZZ_CHECK(decode(file, &second) == whole);
    FUZZ_CHECK(first == second);
    return 0;
}
