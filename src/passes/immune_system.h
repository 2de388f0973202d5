// SPDX-License-Identifier: GPL-3.0-or-later
// An artificial immune network (aiNet) over a one-dimensional antibody type:
// antigens stimulate the nearest antibodies, whose mutated clones compete and
// may join the network.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <unordered_map>
#include <vector>

namespace strandel {

template <class T>
struct antibody_traits;

// Gray levels as antibodies.
template <>
struct antibody_traits<unsigned char> {
    static unsigned char distance(unsigned char a, unsigned char b) {
        return static_cast<unsigned char>(a > b ? a - b : b - a);
    }

    // Moves the antibody `rate` of the way towards the target; the step is
    // truncated toward zero, so an antibody one or two levels away may not
    // move at all.
    static void mutate(unsigned char* antibody, unsigned char target, double rate) {
        const int diff = static_cast<int>(*antibody) - static_cast<int>(target);
        const int step = static_cast<int>(diff * rate);
        *antibody = static_cast<unsigned char>(static_cast<int>(*antibody) - step);
    }
};

// Yields one value a given number of times, so that a histogram bin can be
// presented as a range of identical antigens without materialising it.
template <class T>
class clone_iterator {
public:
    using iterator_category = std::input_iterator_tag;
    using value_type = T;
    using difference_type = std::ptrdiff_t;
    using pointer = const T*;
    using reference = const T&;

    clone_iterator(const T& value, std::uint32_t count) : m_value(value), m_count(count) {}

    reference operator*() const { return m_value; }
    pointer operator->() const { return &m_value; }
    clone_iterator& operator++() {
        --m_count;
        return *this;
    }
    clone_iterator operator++(int) {
        clone_iterator before = *this;
        --m_count;
        return before;
    }
    bool operator==(const clone_iterator& other) const {
        return m_value == other.m_value && m_count == other.m_count;
    }
    bool operator!=(const clone_iterator& other) const { return !(*this == other); }

private:
    T m_value;
    std::uint32_t m_count;
};

template <class T, class Traits = antibody_traits<T> >
class immune_system {
public:
    using const_iterator = typename std::vector<T>::const_iterator;

    // Orders antibodies by closeness to the antigen.
    class similarity_functor {
    public:
        explicit similarity_functor(const T& antigen) : m_antigen(antigen) {}
        bool operator()(const T& a, const T& b) const {
            return Traits::distance(a, m_antigen) < Traits::distance(b, m_antigen);
        }

    private:
        T m_antigen;
    };

    // True for values strictly closer than the threshold to the reference.
    class similarity_predicate {
    public:
        similarity_predicate(const T& reference, const T& threshold)
            : m_reference(reference), m_threshold(threshold) {}
        bool operator()(const T& y) const { return Traits::distance(y, m_reference) < m_threshold; }

    private:
        T m_reference;
        T m_threshold;
    };

    immune_system(const T& network_threshold, const T& clonal_threshold, std::uint32_t best_count,
                  double reselection)
        : m_network_threshold(network_threshold),
          m_clonal_threshold(clonal_threshold),
          m_best_count(best_count),
          m_reselection(reselection) {}

    void insert(const T& antibody) { m_antibodies.push_back(antibody); }

    // Admits the antibody only where no antibody of the network resembles it.
    void insert_antibody(const T& antibody) {
        if (std::none_of(m_antibodies.begin(), m_antibodies.end(),
                         similarity_predicate(antibody, m_network_threshold)))
            m_antibodies.push_back(antibody);
    }

    void mutate(T* clone, const T& antigen) const {
        if (Traits::distance(*clone, antigen) == 0) return;
        Traits::mutate(clone, antigen, mutation_rate);
    }

    // Fills `clones` with the memory clones that the antigen produces. The
    // selection of the nearest antibodies reorders the network in place, and
    // that order is part of the network's state.
    void stimulate(const T& antigen, std::vector<T>& clones) {
        clones.clear();
        const std::size_t size = m_antibodies.size();
        const std::size_t selected = std::min<std::size_t>(m_best_count, size);
        const similarity_functor nearer(antigen);
        if (m_best_count < size)
            std::nth_element(m_antibodies.begin(), m_antibodies.begin() + m_best_count,
                             m_antibodies.end(), nearer);

        for (std::size_t i = 0; i < selected; ++i) {
            const T antibody = m_antibodies[i];
            const auto d = Traits::distance(antibody, antigen);
            const std::size_t count =
                d > 0 ? static_cast<std::size_t>(static_cast<double>(size) / d + 1) : size;
            for (std::size_t c = 0; c < count; ++c) {
                T clone = antibody;
                mutate(&clone, antigen);
                clones.push_back(clone);
            }
        }

        const auto kept = static_cast<std::size_t>(static_cast<double>(clones.size()) * m_reselection);
        if (kept > 0) {
            std::nth_element(clones.begin(), clones.begin() + kept, clones.end(), nearer);
            clones.erase(clones.begin() + kept, clones.end());
        }

        clones.erase(std::remove_if(clones.begin(), clones.end(),
                                    [&](const T& c) { return Traits::distance(c, antigen) >= m_clonal_threshold; }),
                     clones.end());
        if (clones.empty()) return;

        for (std::size_t s = 0; s + 1 < clones.size(); ++s)
            clones.erase(std::remove_if(clones.begin() + s + 1, clones.end(),
                                        similarity_predicate(clones[s], m_network_threshold)),
                         clones.end());
    }

    // Presents every antigen of the range in turn.
    template <class InputIterator>
    void stimulate(InputIterator first, InputIterator last) {
        std::vector<T> clones;
        for (; first != last; ++first) present(*first, clones);
    }

    // Has the same effect as presenting `antigen` `count` times in a row, but
    // stops as soon as the network returns to a state it has already had
    // during these presentations. A presentation depends only on the network
    // (values and order) and the antigen, so from then on the states repeat
    // with a fixed period: whole periods are skipped and only the rest is
    // presented. Returns the number of presentations actually made.
    std::uint64_t stimulate_repeatedly(const T& antigen, std::uint64_t count) {
        m_history.restart(0, m_antibodies);
        for (std::uint64_t done = 0; done < count;) {
            const std::size_t size_before = m_antibodies.size();
            present(antigen, m_scratch_clones);
            ++done;
            // The network never shrinks, and a larger network can never
            // equal a smaller earlier state.
            if (m_antibodies.size() != size_before) {
                m_history.restart(done, m_antibodies);
                continue;
            }
            const std::uint64_t earlier = m_history.find_or_add(m_antibodies);
            if (earlier == state_history::none) continue;
            const std::uint64_t period = done - earlier;
            const std::uint64_t rest = (count - done) % period;
            for (std::uint64_t i = 0; i < rest; ++i) present(antigen, m_scratch_clones);
            return done + rest;
        }
        return count;
    }

    const_iterator begin() const { return m_antibodies.begin(); }
    const_iterator end() const { return m_antibodies.end(); }
    std::size_t size() const { return m_antibodies.size(); }

    static constexpr double mutation_rate = 0.7;

private:
    // The network states seen since the network last grew: the state after
    // presentation first + i is kept at position i. They all have the same
    // size, so they are stored end to end.
    class state_history {
    public:
        static constexpr std::uint64_t none = ~std::uint64_t(0);

        void restart(std::uint64_t first_presentation, const std::vector<T>& state) {
            m_first = first_presentation;
            m_width = state.size();
            m_count = 0;
            m_states.clear();
            m_by_hash.clear();
            add(state);
        }

        // The presentation after which `state` was seen before, or `none`
        // after recording it as the state after the next presentation.
        std::uint64_t find_or_add(const std::vector<T>& state) {
            const std::size_t h = hash(state);
            auto range = m_by_hash.equal_range(h);
            for (auto it = range.first; it != range.second; ++it)
                if (std::equal(state.begin(), state.end(), m_states.begin() + it->second * m_width))
                    return m_first + it->second;
            add(state, h);
            return none;
        }

    private:
        void add(const std::vector<T>& state) { add(state, hash(state)); }
        void add(const std::vector<T>& state, std::size_t h) {
            m_by_hash.emplace(h, m_count++);
            m_states.insert(m_states.end(), state.begin(), state.end());
        }

        static std::size_t hash(const std::vector<T>& state) {
            std::size_t h = 1469598103934665603ull;
            for (const T& v : state) h = (h ^ std::hash<T>()(v)) * 1099511628211ull;
            return h;
        }

        std::uint64_t m_first = 0;
        std::size_t m_width = 0;
        std::size_t m_count = 0;
        std::vector<T> m_states;
        std::unordered_multimap<std::size_t, std::size_t> m_by_hash;
    };

    void present(const T& antigen, std::vector<T>& clones) {
        stimulate(antigen, clones);
        if (clones.empty()) {
            insert_antibody(antigen);
            return;
        }
        for (const T& c : clones) insert_antibody(c);
    }

    T m_network_threshold;
    T m_clonal_threshold;
    std::uint32_t m_best_count;
    double m_reselection;
    std::vector<T> m_antibodies;
    // Working space of stimulate_repeatedly, kept to spare allocations.
    std::vector<T> m_scratch_clones;
    state_history m_history;
};

}  // namespace strandel
