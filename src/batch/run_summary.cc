// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_summary.h"

namespace strandel {

namespace {

std::string by_reason(const std::map<std::string, std::size_t>& reasons) {
    std::string text;
    for (const auto& [reason, count] : reasons) text += (text.empty() ? "" : "; ") + std::to_string(count) + ": " + reason;
    return " (" + text + ")";
}

std::string images(std::size_t count) { return std::to_string(count) + (count == 1 ? " image" : " images"); }

}  // namespace

void run_tally::read(bool manual_used) {
    ++m_read;
    if (manual_used) ++m_manual_used;
}

void run_tally::skipped(const std::string& reason) {
    ++m_skipped;
    ++m_skip_reasons[reason];
}

void run_tally::chain_failed(const std::string& reason) {
    ++m_chain_failures;
    ++m_failure_reasons[reason];
}

std::string run_tally::line(std::size_t count, std::size_t ground_truth_found, const std::string& rule) const {
    std::string text = images(count) + ": " + std::to_string(m_read) + " read, " + std::to_string(m_skipped) +
                       " skipped" + (m_skipped ? by_reason(m_skip_reasons) : "");
    if (m_chain_failures)
        text += "; " + std::to_string(m_chain_failures) + " chain run" + (m_chain_failures == 1 ? "" : "s") +
                " failed" + by_reason(m_failure_reasons);
    text += "; ground truth found for " + std::to_string(ground_truth_found) + " of " + images(count);
    // Found but not used: it could not be decoded, had another size, or
    // belonged to an image that was skipped.
    if (m_manual_used < ground_truth_found) text += ", used for " + std::to_string(m_manual_used);
    return text + " (" + rule + ")";
}

}  // namespace strandel
