// SPDX-License-Identifier: GPL-3.0-or-later
// Text placed into HTML.
#pragma once

#include <string>
#include <string_view>

namespace strandel {

// Escapes &, <, >, " and ' so that the text stays text both between tags
// and inside a quoted attribute value (chain texts and file names may hold
// any of them).
std::string html_escape(std::string_view text);

// `text` cut to at most `bytes` bytes at a character boundary of its UTF-8,
// with an ellipsis when it was cut (for labels in plots; the whole text
// goes into a tooltip).
std::string abbreviated(const std::string& text, std::size_t bytes);

}  // namespace strandel
