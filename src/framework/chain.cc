// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/chain.h"

#include <algorithm>

namespace strandel {

void chain::splice(chain&& other) {
    for (auto& p : other.m_passes) m_passes.push_back(std::move(p));
    other.m_passes.clear();
}

std::unique_ptr<pass> chain::take(const pass* p) {
    const auto at = std::find_if(m_passes.begin(), m_passes.end(), [p](const auto& owned) { return owned.get() == p; });
    if (at == m_passes.end()) return nullptr;
    std::unique_ptr<pass> taken = std::move(*at);
    m_passes.erase(at);
    return taken;
}

bool chain::replace(const pass* old, std::unique_ptr<pass> fresh) {
    const auto at =
        std::find_if(m_passes.begin(), m_passes.end(), [old](const auto& owned) { return owned.get() == old; });
    if (at == m_passes.end()) return false;
    *at = std::move(fresh);
    return true;
}

bool run_chain(const chain& c, const histogram& h, std::vector<double>& centres, chain_observer* observer,
               const std::atomic<bool>* stop) {
    std::size_t index = 0;
    for (const pass& p : c) {
        if (stop && stop->load()) return false;
        progress_indicator* sink = observer ? observer->pass_starting(index, p) : nullptr;
        p(h, centres, sink);
        if (observer) observer->pass_finished(index, centres);
        ++index;
    }
    return true;
}

namespace {

// Keeps every pass's centres and maps each pass's own fractions onto its
// share of the whole chain.
class outcome_keeper : public chain_observer, public progress_indicator {
public:
    outcome_keeper(const std::function<void(double)>& sink, std::size_t passes) : m_sink(sink), m_passes(passes) {}

    progress_indicator* pass_starting(std::size_t index, const pass&) override {
        m_index = index;
        (*this)(0.0);
        return this;
    }
    void pass_finished(std::size_t, const std::vector<double>& centres) override { outcome.push_back(centres); }
    void operator()(double fraction) override {
        if (m_sink) m_sink((static_cast<double>(m_index) + fraction) / static_cast<double>(m_passes));
    }

    std::vector<std::vector<double>> outcome;

private:
    const std::function<void(double)>& m_sink;
    std::size_t m_passes;
    std::size_t m_index = 0;
};

}  // namespace

std::vector<std::vector<double>> chain_outcome(const chain& c, const histogram& h,
                                               const std::function<void(double)>& progress) {
    outcome_keeper keeper(progress, c.size());
    std::vector<double> centres;
    run_chain(c, h, centres, &keeper);
    if (progress) progress(1.0);
    return std::move(keeper.outcome);
}

}  // namespace strandel
