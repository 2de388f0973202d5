// SPDX-License-Identifier: GPL-3.0-or-later
// The style sheet and script that the page carries inline.
#pragma once

namespace strandel {

extern const char page_style[];
extern const char page_script[];

}  // namespace strandel
