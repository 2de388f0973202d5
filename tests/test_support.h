// SPDX-License-Identifier: GPL-3.0-or-later
// Small helpers shared by the unit tests.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <initializer_list>
#include <utility>
#include <vector>

#include "framework/histogram.h"
#include "framework/progress.h"

namespace strandel {
namespace testing {

// A histogram holding the given (gray level, count) pairs, zero elsewhere.
inline histogram make_histogram(std::initializer_list<std::pair<int, int>> gray_counts) {
    histogram h;
    clear_histogram(h);
    for (const auto& gc : gray_counts) h[gc.first] = gc.second;
    return h;
}

// Remembers every fraction a pass reports, in order.
struct recording_progress : progress_indicator {
    std::vector<double> fractions;
    void operator()(double fraction) override { fractions.push_back(fraction); }
};

// The first `n` numbers rand() gives after srand(seed); leaves the generator
// seeded with `seed` again, so that the code under test draws the same ones.
inline std::vector<int> raw_draws(unsigned seed, int n) {
    std::srand(seed);
    std::vector<int> raw;
    for (int i = 0; i < n; ++i) raw.push_back(std::rand());
    std::srand(seed);
    return raw;
}

// A fresh folder under /tmp, removed with everything in it.
class temporary_folder {
public:
    temporary_folder() {
        std::string name = "/tmp/strandel_test_XXXXXX";
        m_path = mkdtemp(&name[0]) ? name : std::string();
    }
    ~temporary_folder() {
        std::error_code ignored;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ignored);
    }
    temporary_folder(const temporary_folder&) = delete;
    temporary_folder& operator=(const temporary_folder&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace testing
}  // namespace strandel
