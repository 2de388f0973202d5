// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/html_escape.h"

namespace strandel {

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            // Control characters other than tab and line ends are not
            // allowed in HTML text; a file name can still contain them.
            case '\t': case '\n': case '\r': out += c; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    out += "&#xFFFD;";
                else
                    out += c;
        }
    }
    return out;
}

std::string abbreviated(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes - 1;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end) + "\xE2\x80\xA6";  // ellipsis
}

}  // namespace strandel
