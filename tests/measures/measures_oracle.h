// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of measures_oracle, one per group of functions.
#pragma once

#include <cstdlib>

namespace strandel {
namespace oracle {

int print_regions(const char* file);
int print_partition(const char* file, int classes);
int print_ratio(const char* file, const char* centres);
int print_statistics(const char* file);
int print_matlab(const char* file);

}  // namespace oracle
}  // namespace strandel
