// SPDX-License-Identifier: GPL-3.0-or-later
// Filling the process-wide registries with what a user can choose, and
// reading them back as lists.
#pragma once

#include <vector>

#include "evaluation/fitness_function.h"
#include "framework/pass.h"

namespace strandel {

// Adds one prototype of each user-selectable pass to the pass repertoire, in
// this order (the order is each pass's index in stored chains): "AiNet",
// "Particle Swarm Optimization", "Fuzzy C-Means", "K-Means". Only the first
// call in a process adds anything.
void register_passes();

// Adds the measures the batch report rates every image with, in column
// order: "Turi (2001)", "Dunn Index", "Amrane (2005)", "Liu & Yang
// (inverted)". Only the first call in a process adds anything.
void register_fitness_functions();

// The repertoire's prototypes in registration order (owned by the
// repertoire).
std::vector<pass*> registered_prototypes();

using measure_list = std::vector<const fitness_function*>;

// The registered fitness functions, in report column order.
measure_list registered_measures();

}  // namespace strandel
