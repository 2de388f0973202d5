// SPDX-License-Identifier: GPL-3.0-or-later
// The stored chain: the byte block under which a chain of passes is kept
// between runs. One record per pass, no header and no count:
//
//   record:          int32 pass index, 4 zero bytes, then one 16-byte image
//                    per parameter (8 + 16 n bytes for n parameters)
//   parameter image: int32 type tag (0 integer, 1 double), 4 zero bytes,
//                    then the int32 (followed by 4 zero bytes) or the double
//
// Everything is little-endian and written byte by byte, so the block is the
// same on every host. A pass index is the position of the pass's prototype
// in the pass repertoire; registration order is part of the format.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/chain.h"
#include "framework/pass.h"

namespace strandel {

// Position of the first registered prototype labelled `label`. Every pass of
// a chain is a clone of a prototype, so an unknown label is a programming
// error and stops the program.
int pass_index(const char* label);

// A new clone of the prototype at `index`, owned by the caller. The index
// must lie within the repertoire.
std::unique_ptr<pass> get_pass_by_index(int index);

// Replaces `bytes` with the image of `passes`.
void serialize_algo(const chain& passes, std::vector<unsigned char>& bytes);

// Rebuilds a chain from `bytes`, replacing what `passes` held. The bytes are
// not trusted: a pass index outside the repertoire, a truncated record, a
// parameter image whose tag is not the parameter's type or whose value lies
// outside the parameter's range makes it return false with the reason in
// `error`, leaving `passes` empty. Nothing is read past the end of `bytes`.
bool deserialize_algo(chain& passes, const std::vector<unsigned char>& bytes, std::string* error = nullptr);

// The same two directions against an explicit list of prototypes (not
// owned), where position in `prototypes` is the pass index.
void serialize_chain(const chain& passes, const std::vector<pass*>& prototypes, std::vector<unsigned char>& bytes);
bool deserialize_chain(chain& passes, const std::vector<pass*>& prototypes, const std::vector<unsigned char>& bytes,
                       std::string* error = nullptr);

}  // namespace strandel
