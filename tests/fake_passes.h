// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-in passes with the parameter shapes of the registered ones, for
// testing the chain format and syntax against a private prototype list
// (the process-wide repertoire is shared by every test of the binary).
#pragma once

#include <memory>
#include <vector>

#include "framework/pass.h"

namespace strandel {
namespace testing {

class fake_pass : public pass {
public:
    fake_pass(const char* label, const param_info* table, unsigned count) : pass(label, table, count) { ++live; }
    fake_pass(const fake_pass& other) : pass(other) { ++live; }
    ~fake_pass() override { --live; }
    void operator()(const histogram&, std::vector<double>&, progress_indicator*) const override {}
    pass* clone() const override { return new fake_pass(*this); }

    static inline int live = 0;  // fake passes in existence, to catch leaks
};

inline const param_info ainet_like[5] = {
    param_info(1, 10, "Number of Iterations", ""), param_info(10, 255, "Sigma_S", ""),
    param_info(10, 255, "Sigma_D", ""),            param_info(3, 10, "N", ""),
    param_info(0.3, 1.0, "Zeta (%)", ""),
};
inline const param_info pso_like[7] = {
    param_info(1, 1000, "Iterations", ""), param_info(1, 100, "Particles", ""),
    param_info(2, 100, "Classes", ""),     param_info(0.0, 2.0, "W", ""),
    param_info(0.0, 4.0, "C1", ""),        param_info(0.0, 4.0, "C2", ""),
    param_info(0, 255, "Range", ""),
};
inline const param_info fcm_like[3] = {
    param_info(1, 100, "Number of Iterations", ""),
    param_info(2, 100, "Clusters", ""),
    param_info(1.0, 10.0, "Fuzziness Index", ""),
};
inline const param_info kmeans_like[2] = {
    param_info(1, 100, "Number Of Passes", ""),
    param_info(2, 100, "Number Of Classes", ""),
};

// Prototypes in registration order: "AiNet" (5 parameters), "Particle Swarm
// Optimization" (7), "Fuzzy C-Means" (3, the last a double), "K-Means" (2),
// holding the registered passes' defaults. Made once, freed at exit.
inline const std::vector<pass*>& fake_prototypes() {
    static const std::vector<std::unique_ptr<pass>> owned = [] {
        std::vector<std::unique_ptr<pass>> list;
        list.emplace_back(new fake_pass("AiNet", ainet_like, 5));
        list.back()->parameter_value(1).int_value() = 30;
        list.emplace_back(new fake_pass("Particle Swarm Optimization", pso_like, 7));
        list.emplace_back(new fake_pass("Fuzzy C-Means", fcm_like, 3));
        list.back()->parameter_value(0).int_value() = 10;
        list.back()->parameter_value(1).int_value() = 3;
        list.back()->parameter_value(2).double_value() = 2.0;
        list.emplace_back(new fake_pass("K-Means", kmeans_like, 2));
        list.back()->parameter_value(0).int_value() = 10;
        list.back()->parameter_value(1).int_value() = 3;
        return list;
    }();
    static const std::vector<pass*> prototypes = [] {
        std::vector<pass*> raw;
        for (const auto& p : owned) raw.push_back(p.get());
        return raw;
    }();
    return prototypes;
}

inline pass* fake_clone(int index) { return fake_prototypes()[static_cast<std::size_t>(index)]->clone(); }

}  // namespace testing
}  // namespace strandel
