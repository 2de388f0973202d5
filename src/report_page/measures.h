// SPDX-License-Identifier: GPL-3.0-or-later
// The five measures a results table rates every segmentation with, in
// column order. All are oriented so that higher is better.
#pragma once

namespace strandel {

enum measure_id : int { turi, dunn, amrane, liu_yang, jaccard };
constexpr int measure_count = 5;

// Column title in the results table ("liu_yang").
const char* measure_column(int measure);
// Name for people ("Liu & Yang").
const char* measure_title(int measure);

}  // namespace strandel
