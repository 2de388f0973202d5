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

namespace {

// The length of the UTF-8 sequence starting at `i` (2 to 4), or 0 when the
// bytes there are no well-formed sequence.
std::size_t utf8_length(const std::string& text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned long code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        code = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    // C1 controls (CSI among them) act on terminals like ESC sequences.
    if (code < 0xA0) return 0;
    return length;
}

}  // namespace

std::string terminal_text(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            shown += static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t length = c >= 0x80 ? utf8_length(text, i) : 0;
        if (length) {
            shown.append(text, i, length);
            i += length;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        shown += escaped;
        ++i;
    }
    return shown;
}

}  // namespace strandel
