// SPDX-License-Identifier: GPL-3.0-or-later
// Assignment of gray levels to the nearest class centre, and the two
// gray-level set distances the Dunn index rests on.
#pragma once

#include <map>
#include <vector>

#include "framework/histogram.h"

namespace strandel {

// Class index -> gray level; one entry per present gray level, ascending by
// class and, within a class, by gray level.
using class_map = std::multimap<int, unsigned char>;

// Index of the centre nearest to `gray`; ties go to the lowest index. The
// list must not be empty.
int pixel_class(const std::vector<double>& centres, unsigned char gray);

// Clears `map` and gives every gray level with a non-zero count to its
// nearest centre. An empty centre list leaves the map empty.
void classify(const histogram& h, const std::vector<double>& centres, class_map* map);

// Largest minus smallest gray level of class c (0 for fewer than two).
int class_diameter(const class_map& map, int c);

// Closest distance between a gray level of class a and one of class b
// (0 when either class is empty).
int class_dissimilarity(const class_map& map, int a, int b);

}  // namespace strandel
