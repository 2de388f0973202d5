// SPDX-License-Identifier: GPL-3.0-or-later
// The refusal of a file whose decoder this build was made without.
#pragma once

#include <string>

namespace strandel {

// "it is a FORMAT file, and this build of Strandel was made without
// LIBRARY (Debian: PACKAGE): rebuild with it, or convert the file to 8-bit
// PNG".
std::string format_unavailable(const char* format, const char* library, const char* package);

}  // namespace strandel
