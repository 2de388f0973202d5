// SPDX-License-Identifier: GPL-3.0-or-later
// The chain a procedure keeps between runs in GIMP's procedural database, in
// the stored chain format, under the procedure's name.
#pragma once

#include "framework/chain.h"

namespace strandel {

// Replaces `passes` by the chain stored under `key`; when nothing is stored,
// or the bytes do not decode (a warning then goes to standard error), by the
// default chain of one AiNet pass.
void restore_chain(const char* key, chain& passes);

// Stores `passes` under `key` for the next run.
void store_chain(const char* key, const chain& passes);

}  // namespace strandel
