// SPDX-License-Identifier: GPL-3.0-or-later
// The closing line of a benchmark run: how many images were read, how many
// were skipped and why, and for how many ground truth was found, so that a
// run that silently rated nothing against its manual segmentations (a
// pattern with a typo) shows at once.
#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace strandel {

class run_tally {
public:
    void read(bool manual_used);
    void skipped(const std::string& reason);
    void chain_failed(const std::string& reason);

    // "16 images: 14 read, 2 skipped (1: REASON; 1: REASON); ground truth
    // found for 0 of 16 images (RULE)", with ", used for N" when fewer
    // were used than found; chain failures, when there were
    // any, before the ground truth.
    std::string line(std::size_t images, std::size_t ground_truth_found, const std::string& rule) const;

private:
    std::size_t m_read = 0, m_manual_used = 0, m_skipped = 0, m_chain_failures = 0;
    std::map<std::string, std::size_t> m_skip_reasons, m_failure_reasons;
};

}  // namespace strandel
