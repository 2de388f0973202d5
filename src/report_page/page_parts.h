// SPDX-License-Identifier: GPL-3.0-or-later
// Small pieces of HTML that several sections of the page share.
#pragma once

#include <optional>
#include <string>

#include "report_page/thumbnails.h"

namespace strandel {

// The chain's number in its colour.
std::string chain_chip(int chain);

// A table cell with a value in four significant digits, the full value
// in its tooltip and in data-v for sorting; "–" when there is no value.
// `classes` are added to the cell's class attribute.
std::string number_cell(const std::optional<double>& value, const std::string& classes = "");

// A value shown in four significant digits with ∞ for infinities.
std::string shown_number(double value);

// The thumbnail as an <img>, or a placeholder saying why there is none.
// `what` (escaped here) is its alternative text and tooltip.
std::string thumbnail_html(const thumbnail& t, const std::string& what);

}  // namespace strandel
