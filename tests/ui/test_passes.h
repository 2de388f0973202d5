// SPDX-License-Identifier: GPL-3.0-or-later
// Passes for the widget tests, registered into this binary's own repertoire
// as "Alpha", "Template" (the framework's template_pass) and "Gamma".
#pragma once

#include <initializer_list>

#include "framework/chain.h"
#include "framework/pass.h"
#include "../fake_passes.h"

namespace strandel {
namespace testing_ui {

// A do-nothing pass that counts its living instances, so tests can tell
// which passes a dialog deleted.
using counted_pass = testing::fake_pass;

// Alpha: "Iterations" int 1..10 (default 4), "Weight" double 0..1.
// Gamma: "Level" int 0..255 (default 128), "Scale" double 0.5..2 (default
// 1), "Classes" int 2..8.
void register_test_passes();

counted_pass* new_alpha();
counted_pass* new_gamma();

// A chain owning these new passes, in this order.
chain chain_of(std::initializer_list<pass*> fresh);

}  // namespace testing_ui
}  // namespace strandel
