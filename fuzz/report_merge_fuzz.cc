// SPDX-License-Identifier: GPL-3.0-or-later
// Shard reports of any content: the last run that parses, merged alone,
// parses back to the same header and its lines in position order; merging
// fails only on a position given twice.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "batch/report_merge.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    strandel::report_run run;
    std::string error;
    if (!strandel::parse_last_run(text, "shard", &run, &error)) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    std::vector<std::pair<int, std::string>> sorted = run.lines;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    bool repeated = false;
    for (std::size_t i = 1; i < sorted.size(); ++i) repeated = repeated || sorted[i].first == sorted[i - 1].first;
    std::string merged;
    FUZZ_CHECK(strandel::merge_runs({run}, {"shard"}, &merged, &error) == !repeated);
    if (repeated) return 0;
    strandel::report_run again;
    FUZZ_CHECK(strandel::parse_last_run(merged, "merged", &again, &error));
    FUZZ_CHECK(again.header == run.header);
    FUZZ_CHECK(again.lines == sorted);
    return 0;
}
