// SPDX-License-Identifier: GPL-3.0-or-later
// Chain text as a user types it: text that parses formats to a text that
// parses to the same chain, and formatting that chain gives the same text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "framework/message_text.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool registered = (strandel::register_passes(), true);
    (void)registered;
    const std::string text(reinterpret_cast<const char*>(data), size);
    strandel::chain passes;
    std::string error;
    if (!strandel::parse_chain(text, passes, &error)) {
        // A refusal quotes at most a short prefix of the text, twice at most.
        FUZZ_CHECK(error.size() < 1024);
        return 0;
    }
    const std::string formatted = strandel::format_chain(passes);
    strandel::chain again;
    FUZZ_CHECK(strandel::parse_chain(formatted, again, &error));
    FUZZ_CHECK(strandel::format_chain(again) == formatted);
    return 0;
}
