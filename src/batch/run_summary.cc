// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_summary.h"

#include <sstream>

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

void run_tally::scored_unread(const std::string& reason) {
    ++m_scored_unread;
    ++m_unread_reasons[reason];
}

std::string run_tally::line(std::size_t count, std::size_t ground_truth_found, const std::string& rule) const {
    std::string text = images(count) + ": " + std::to_string(m_read) + " read, " + std::to_string(m_skipped) +
                       " skipped" + (m_skipped ? by_reason(m_skip_reasons) : "");
    if (m_chain_failures)
        text += "; " + std::to_string(m_chain_failures) + " chain run" + (m_chain_failures == 1 ? "" : "s") +
                " failed" + by_reason(m_failure_reasons);
    if (m_scored_unread)
        text += "; " + std::to_string(m_scored_unread) + " scored segmentation" + (m_scored_unread == 1 ? "" : "s") +
                " not read" + by_reason(m_unread_reasons);
    text += "; ground truth found for " + std::to_string(ground_truth_found) + " of " + images(count);
    // Found but not used: it could not be decoded, had another size, or
    // belonged to an image that was skipped.
    if (m_manual_used < ground_truth_found) text += ", used for " + std::to_string(m_manual_used);
    return text + " (" + rule + ")";
}

void run_tally::add(const run_tally& other) {
    m_read += other.m_read;
    m_manual_used += other.m_manual_used;
    m_skipped += other.m_skipped;
    m_chain_failures += other.m_chain_failures;
    m_scored_unread += other.m_scored_unread;
    for (const auto& [reason, count] : other.m_skip_reasons) m_skip_reasons[reason] += count;
    for (const auto& [reason, count] : other.m_failure_reasons) m_failure_reasons[reason] += count;
    for (const auto& [reason, count] : other.m_unread_reasons) m_unread_reasons[reason] += count;
}

void run_tally::add_reason(const std::string& kind, const std::string& reason, std::size_t count) {
    std::size_t& total = kind == "skipped" ? m_skipped : kind == "failed" ? m_chain_failures : m_scored_unread;
    auto& reasons = kind == "skipped" ? m_skip_reasons : kind == "failed" ? m_failure_reasons : m_unread_reasons;
    total += count;
    reasons[reason] += count;
}

std::string label_summary(std::size_t written, std::size_t failed, const std::string& folder) {
    std::string text = std::to_string(written) + " label image" + (written == 1 ? "" : "s") + " written to '" + folder + "'";
    if (failed > 0) text += ", " + std::to_string(failed) + " could not be written";
    return text;
}

void run_closing::add(const run_closing& share) {
    tally.add(share.tally);
    // The shares of one run share its rules and folder.
    ground_truth_rule = share.ground_truth_rule;
    luma = share.luma;
    labels = share.labels;
    label_folder = share.label_folder;
    images += share.images;
    ground_truth_found += share.ground_truth_found;
    colour_images += share.colour_images;
    labels_written += share.labels_written;
    labels_failed += share.labels_failed;
}

std::vector<std::string> run_closing::lines() const {
    std::vector<std::string> said{tally.line(images, ground_truth_found, ground_truth_rule)};
    if (colour_images > 0)
        said.push_back(std::to_string(colour_images) + " colour image(s) counted by their " +
                       (luma ? "luma (--gray luma)" : "blue byte (GIMP's batch rule; --gray luma counts their luma)"));
    if (labels) said.push_back(label_summary(labels_written, labels_failed, label_folder));
    return said;
}

namespace {

// Reasons and folder names may hold tabs, line ends and backslashes.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    }
    return out;
}

bool count_of(const std::string& text, std::size_t* count) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *count = std::stoull(text);
    return true;
}

}  // namespace

std::string run_closing::text() const {
    std::ostringstream out;
    out << "images\t" << images << "\nread\t" << tally.m_read << "\nmanual_used\t" << tally.m_manual_used
        << "\nground_truth_found\t" << ground_truth_found << "\nground_truth_rule\t" << escaped(ground_truth_rule)
        << "\ncolour_images\t" << colour_images << "\nluma\t" << (luma ? 1 : 0) << "\nlabels\t" << (labels ? 1 : 0)
        << "\nlabel_folder\t" << escaped(label_folder) << "\nlabels_written\t" << labels_written
        << "\nlabels_failed\t" << labels_failed << "\n";
    for (const auto& [reason, count] : tally.m_skip_reasons) out << "skipped\t" << count << "\t" << escaped(reason) << "\n";
    for (const auto& [reason, count] : tally.m_failure_reasons)
        out << "failed\t" << count << "\t" << escaped(reason) << "\n";
    for (const auto& [reason, count] : tally.m_unread_reasons)
        out << "unread\t" << count << "\t" << escaped(reason) << "\n";
    return out.str();
}

bool run_closing::parse(const std::string& text, run_closing* closing) {
    run_closing read;
    std::map<std::string, std::size_t*> counts{{"images", &read.images},
                                               {"read", &read.tally.m_read},
                                               {"manual_used", &read.tally.m_manual_used},
                                               {"ground_truth_found", &read.ground_truth_found},
                                               {"colour_images", &read.colour_images},
                                               {"labels_written", &read.labels_written},
                                               {"labels_failed", &read.labels_failed}};
    std::size_t flag = 0;
    bool seen_images = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) return false;
        const std::string key = line.substr(0, tab), value = line.substr(tab + 1);
        if (counts.count(key)) {
            if (!count_of(value, counts[key])) return false;
            seen_images = seen_images || key == "images";
        } else if (key == "ground_truth_rule") {
            read.ground_truth_rule = unescaped(value);
        } else if (key == "label_folder") {
            read.label_folder = unescaped(value);
        } else if (key == "luma" || key == "labels") {
            if (!count_of(value, &flag) || flag > 1) return false;
            (key == "luma" ? read.luma : read.labels) = flag == 1;
        } else if (key == "skipped" || key == "failed" || key == "unread") {
            const std::size_t second = value.find('\t');
            std::size_t count = 0;
            if (second == std::string::npos || !count_of(value.substr(0, second), &count)) return false;
            const std::string reason = unescaped(value.substr(second + 1));
            read.tally.add_reason(key, reason, count);
        } else {
            return false;
        }
    }
    if (!seen_images) return false;  // an empty or cut file
    *closing = read;
    return true;
}

}  // namespace strandel
