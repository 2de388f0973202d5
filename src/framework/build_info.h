// SPDX-License-Identifier: GPL-3.0-or-later
// Which Strandel this is, for the records a run leaves beside its results.
#pragma once

namespace strandel {

const char* strandel_version();  // the project's version, "1.2.0"
// `git describe` of the source tree when it was built ("a1b2c3d4e5f6",
// "-dirty" when it had changes), "unknown" outside a git checkout.
const char* strandel_commit();

}  // namespace strandel
