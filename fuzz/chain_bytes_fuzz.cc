// SPDX-License-Identifier: GPL-3.0-or-later
// Stored chain bytes as a GIMP profile may hold them, whatever they are:
// bytes that rebuild a chain are the bytes that chain stores, apart from
// the padding (the "4 zero bytes" of the format), which the reader ignores
// because older writers left it uninitialised.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "batch/chain_format.h"
#include "batch/registration.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (strandel::register_passes(), true);
    (void)registered;
    const std::vector<unsigned char> bytes(data, data + size);
    strandel::chain passes;
    std::string error;
    if (!strandel::deserialize_algo(passes, bytes, &error)) {
        FUZZ_CHECK(passes.size() == 0 && !error.empty());
        return 0;
    }
    std::vector<unsigned char> again;
    strandel::serialize_algo(passes, again);
    FUZZ_CHECK(again.size() == bytes.size());
    std::vector<bool> padding(bytes.size(), false);
    auto mark = [&](std::size_t at) {
        for (std::size_t i = at; i < at + 4; ++i) padding[i] = true;
    };
    std::size_t at = 0;
    for (const strandel::pass& p : passes) {
        mark(at + 4);
        for (unsigned i = 0; i < p.nr_parameters(); ++i) {
            const std::size_t image = at + 8 + 16 * i;
            mark(image + 4);
            if (p.parameter_value(i).type() == strandel::param_int) mark(image + 12);
        }
        at += 8 + 16 * p.nr_parameters();
    }
    FUZZ_CHECK(at == bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) FUZZ_CHECK(padding[i] || again[i] == bytes[i]);
    return 0;
}
