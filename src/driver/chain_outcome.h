// Running a chain of passes while keeping what every pass left.
#pragma once

#include <functional>
#include <vector>

#include "framework/histogram.h"
#include "framework/pass.h"

namespace strandel {

// Runs the passes of `chain` in order on `h`, the first starting from an
// empty centre list, and returns the centre list after each pass (entry i
// after pass i). `progress`, when given, hears the fraction of the whole
// chain done, from 0 to 1.
std::vector<std::vector<double>> run_chain(const std::vector<pass*>& chain, const histogram& h,
                                           const std::function<void(double)>& progress = nullptr);

}  // namespace strandel
