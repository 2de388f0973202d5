// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/measures.h"

namespace strandel {

const char* measure_column(int measure) {
    static const char* const columns[measure_count] = {"turi", "dunn", "amrane", "liu_yang", "jaccard"};
    return columns[measure];
}

const char* measure_title(int measure) {
    static const char* const titles[measure_count] = {"Turi", "Dunn", "Amrane", "Liu & Yang", "Jaccard"};
    return titles[measure];
}

}  // namespace strandel
