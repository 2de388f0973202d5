// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/histogram.h"

#include <atomic>

#include <algorithm>

namespace strandel {

namespace {
std::atomic<int> process_gray_rule{static_cast<int>(gray_rule::blue)};
std::atomic<int> process_level_rule{static_cast<int>(level_rule::scale)};
}  // namespace

gray_rule colour_gray_rule() { return static_cast<gray_rule>(process_gray_rule.load(std::memory_order_relaxed)); }
void set_colour_gray_rule(gray_rule rule) { process_gray_rule.store(static_cast<int>(rule)); }
level_rule wide_level_rule() { return static_cast<level_rule>(process_level_rule.load(std::memory_order_relaxed)); }
void set_wide_level_rule(level_rule rule) { process_level_rule.store(static_cast<int>(rule)); }


void clear_histogram(histogram& h) { std::fill(h.begin(), h.end(), 0); }

std::int64_t total_pixels(const histogram& h) {
    std::int64_t total = 0;
    for (std::int32_t c : h.counts) total += c;
    return total;
}

}  // namespace strandel
