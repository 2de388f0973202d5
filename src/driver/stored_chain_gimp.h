// The chain a procedure keeps between runs in GIMP's procedural database, in
// the stored chain format, under the procedure's name.
#pragma once

#include <vector>

#include "framework/pass.h"

namespace strandel {

// Deletes the passes of `chain` and empties it.
void delete_chain(std::vector<pass*>& chain);

// Replaces `chain` by the chain stored under `key`; when nothing is stored,
// or the bytes do not decode (a warning then goes to standard error), by the
// default chain of one AiNet pass.
void restore_chain(const char* key, std::vector<pass*>& chain);

// Stores `chain` under `key` for the next run.
void store_chain(const char* key, const std::vector<pass*>& chain);

}  // namespace strandel
