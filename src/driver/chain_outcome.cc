#include "driver/chain_outcome.h"

namespace strandel {
namespace {

// Maps a pass's own fractions onto its share of the chain.
class chain_progress : public progress_indicator {
public:
    chain_progress(const std::function<void(double)>& sink, std::size_t passes) : m_sink(sink), m_passes(passes) {}
    void start_pass(std::size_t index) {
        m_index = index;
        (*this)(0.0);
    }
    void operator()(double fraction) override {
        if (m_sink) m_sink((static_cast<double>(m_index) + fraction) / static_cast<double>(m_passes));
    }

private:
    const std::function<void(double)>& m_sink;
    std::size_t m_passes;
    std::size_t m_index = 0;
};

}  // namespace

std::vector<std::vector<double>> run_chain(const std::vector<pass*>& chain, const histogram& h,
                                           const std::function<void(double)>& progress) {
    std::vector<std::vector<double>> outcome;
    std::vector<double> centres;
    chain_progress sink(progress, chain.size());
    for (std::size_t i = 0; i < chain.size(); ++i) {
        sink.start_pass(i);
        (*chain[i])(h, centres, &sink);
        outcome.push_back(centres);
    }
    if (progress) progress(1.0);
    return outcome;
}

}  // namespace strandel
