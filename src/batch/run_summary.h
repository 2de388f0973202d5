// SPDX-License-Identifier: GPL-3.0-or-later
// The closing line of a benchmark run: how many images were read, how many
// were skipped and why, and for how many ground truth was found, so that a
// run that silently rated nothing against its manual segmentations (a
// pattern with a typo) shows at once.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace strandel {

class run_tally {
public:
    void read(bool manual_used);
    void skipped(const std::string& reason);
    void chain_failed(const std::string& reason);
    // A scored method's label image of a read image could not be used.
    void scored_unread(const std::string& reason);

    // "16 images: 14 read, 2 skipped (1: REASON; 1: REASON); ground truth
    // found for 0 of 16 images (RULE)", with ", used for N" when fewer
    // were used than found; chain failures and scored segmentations not
    // read, when there were any, before the ground truth.
    std::string line(std::size_t images, std::size_t ground_truth_found, const std::string& rule) const;

    // Another share's counts added to these.
    void add(const run_tally& other);

private:
    friend struct run_closing;
    // `count` more of one kind ("skipped", "failed", "unread") for `reason`.
    void add_reason(const std::string& kind, const std::string& reason, std::size_t count);

    std::size_t m_read = 0, m_manual_used = 0, m_skipped = 0, m_chain_failures = 0, m_scored_unread = 0;
    std::map<std::string, std::size_t> m_skip_reasons, m_failure_reasons, m_unread_reasons;
};

// "N label images written to 'DIR'", and how many could not be.
std::string label_summary(std::size_t written, std::size_t failed, const std::string& folder);

// Everything a run says when it ends, as counts: the GIMP engine's shares
// each write theirs to a file, and strandel-bench adds them up and says one
// closing for the whole run, as the native engine does.
struct run_closing {
    run_tally tally;
    std::size_t images = 0, ground_truth_found = 0;
    std::string ground_truth_rule;
    std::size_t colour_images = 0;
    bool luma = false;  // colour pixels counted by their luma (--gray luma)
    bool labels = false;  // label images were asked for
    std::string label_folder;
    std::size_t labels_written = 0, labels_failed = 0;

    void add(const run_closing& share);
    // The lines to say, without the speaker's prefix.
    std::vector<std::string> lines() const;
    // One field a line; texts escaped so that any reason survives.
    std::string text() const;
    // False for text that text() did not write.
    static bool parse(const std::string& text, run_closing* closing);
};

}  // namespace strandel
