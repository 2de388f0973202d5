// SPDX-License-Identifier: GPL-3.0-or-later
// Stored chain bytes as a GIMP profile may hold them, whatever they are:
// bytes that rebuild a chain must be exactly the bytes that chain stores.
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
    FUZZ_CHECK(again == bytes);
    return 0;
}
