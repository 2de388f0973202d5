// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/label_pair_counts.h"

#include <algorithm>

namespace strandel {

namespace {

constexpr std::size_t initial_slots = 1024;

// Fibonacci hashing: consecutive labels and gray levels spread over the table.
std::size_t slot_of(std::uint32_t key, std::size_t mask) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

label_pair_counts::label_pair_counts()
    : m_dense(256 * 256, 0), m_row_of_label(65536, no_row), m_slots(initial_slots, slot{0, 0}) {}

void label_pair_counts::clear() {
    std::fill(m_dense.begin(), m_dense.end(), 0);
    for (std::uint16_t label : m_label_of_row) m_row_of_label[label] = no_row;
    m_label_of_row.clear();
    m_rows.clear();
    if (m_used != 0) m_slots.assign(initial_slots, slot{0, 0});
    m_used = 0;
}

void label_pair_counts::add_pixels(const unsigned char* grays, const std::uint16_t* labels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) add(grays[i], labels[i]);
}

void label_pair_counts::add_new_label(unsigned char gray, std::uint16_t label) {
    if (m_label_of_row.size() < row_limit) {
        m_row_of_label[label] = static_cast<std::uint32_t>(m_label_of_row.size());
        m_label_of_row.push_back(label);
        m_rows.resize(m_rows.size() + 256, 0);
        ++m_rows[static_cast<std::size_t>(m_row_of_label[label]) << 8 | gray];
        return;
    }
    add_sparse(static_cast<std::uint32_t>(label) << 8 | gray);
}

void label_pair_counts::add_sparse(std::uint32_t pair) {
    const std::uint32_t key = pair + 1;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t s = slot_of(key, mask);; s = (s + 1) & mask) {
        if (m_slots[s].key == key) {
            ++m_slots[s].count;
            return;
        }
        if (m_slots[s].key == 0) {
            m_slots[s] = slot{key, 1};
            // Half full at most, so that probes stay short.
            if (++m_used * 2 > m_slots.size()) grow();
            return;
        }
    }
}

void label_pair_counts::grow() {
    std::vector<slot> old(m_slots.size() * 2, slot{0, 0});
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const slot& entry : old) {
        if (entry.key == 0) continue;
        std::size_t s = slot_of(entry.key, mask);
        while (m_slots[s].key != 0) s = (s + 1) & mask;
        m_slots[s] = entry;
    }
}

std::vector<label_pair> label_pair_counts::pairs() const {
    std::vector<label_pair> result;
    for (std::size_t i = 0; i < m_dense.size(); ++i)
        if (m_dense[i] != 0)
            result.push_back({static_cast<unsigned char>(i & 255), static_cast<std::uint16_t>(i >> 8), m_dense[i]});
    const std::size_t dense_end = result.size();
    for (std::size_t row = 0; row < m_label_of_row.size(); ++row)
        for (unsigned gray = 0; gray < 256; ++gray)
            if (const std::uint32_t n = m_rows[row << 8 | gray])
                result.push_back({static_cast<unsigned char>(gray), m_label_of_row[row], n});
    for (const slot& entry : m_slots)
        if (entry.key != 0) {
            const std::uint32_t pair = entry.key - 1;
            result.push_back({static_cast<unsigned char>(pair & 255), static_cast<std::uint16_t>(pair >> 8), entry.count});
        }
    std::sort(result.begin() + static_cast<std::ptrdiff_t>(dense_end), result.end(),
              [](const label_pair& a, const label_pair& b) {
                  return a.label != b.label ? a.label < b.label : a.gray < b.gray;
              });
    return result;
}

std::vector<label_pair> label_pairs_of(const gray_label_counts& counts) {
    std::vector<label_pair> result;
    for (unsigned label = 0; label < 256; ++label)
        for (unsigned gray = 0; gray < 256; ++gray) {
            const std::uint64_t n = counts.at(static_cast<unsigned char>(gray), static_cast<unsigned char>(label));
            if (n != 0) result.push_back({static_cast<unsigned char>(gray), static_cast<std::uint16_t>(label), n});
        }
    return result;
}

}  // namespace strandel
