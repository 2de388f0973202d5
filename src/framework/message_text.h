// SPDX-License-Identifier: GPL-3.0-or-later
// User-given text quoted into error messages. A value can be anything a file
// or an argument holds (hundreds of megabytes, NUL bytes, terminal escapes),
// so a message shows only a short, printable prefix of it.
#pragma once

#include <cstddef>
#include <string>

namespace strandel {

// The most bytes of a value that a message quotes.
constexpr std::size_t quoted_value_limit = 60;

// `text` as a message quotes it: control bytes as \xNN, and when longer than
// quoted_value_limit bytes only that many (never cutting a UTF-8 character)
// followed by "... (N bytes)". The caller adds the quote marks.
std::string message_quote(const std::string& text);

// `text` whole, safe to print on a terminal: control bytes (C0, DEL), the
// C1 controls U+0080 to U+009F and bytes that are no UTF-8 as \xNN (a
// backslash itself stays), every other character as it is. For text shown
// in full, such as the chain texts of a summary.
std::string terminal_text(const std::string& text);

}  // namespace strandel
