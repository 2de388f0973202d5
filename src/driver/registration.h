// Filling the process-wide registries with what a user can choose.
#pragma once

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

}  // namespace strandel
