// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/message_text.h"

#include <cstdio>

namespace strandel {

std::string message_quote(const std::string& text) {
    std::size_t end = text.size();
    if (end > quoted_value_limit) {
        end = quoted_value_limit;
        // Back up to the first byte of a UTF-8 character.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    std::string shown;
    for (std::size_t i = 0; i < end; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (end < text.size()) shown += "... (" + std::to_string(text.size()) + " bytes)";
    return shown;
}

}  // namespace strandel
