// SPDX-License-Identifier: GPL-3.0-or-later
// Base64 (RFC 4648, with padding), for data: URIs.
#pragma once

#include <string>
#include <string_view>

namespace strandel {

std::string base64(std::string_view bytes);

}  // namespace strandel
