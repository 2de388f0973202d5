// SPDX-License-Identifier: GPL-3.0-or-later
// Exit statuses of the command-line tools.
#pragma once

namespace strandel {

constexpr int exit_ok = 0;
constexpr int exit_failure = 1;  // a file could not be read or written, or an input is invalid
constexpr int exit_usage = 2;    // bad options or a chain that does not parse

}  // namespace strandel
