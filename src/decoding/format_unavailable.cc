// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/format_unavailable.h"

namespace strandel {

std::string format_unavailable(const char* format, const char* library, const char* package) {
    return std::string("it is a ") + format + " file, and this build of Strandel was made without " + library +
           " (Debian: " + package + "): rebuild with it, or convert the file to 8-bit PNG";
}

}  // namespace strandel
