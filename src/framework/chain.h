// SPDX-License-Identifier: GPL-3.0-or-later
// A chain of passes: the passes run in order, each refining the centre list
// the previous one left. The chain owns its passes; every way into a chain
// (the editor, the chain syntax, the stored bytes) builds one, and whatever
// runs a chain runs it through run_chain.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "framework/histogram.h"
#include "framework/pass.h"

namespace strandel {

class chain {
    using storage = std::vector<std::unique_ptr<pass>>;

public:
    // Walks the passes as `pass&` (or `const pass&` through a const chain).
    template <class Iterator, class Value>
    class basic_iterator {
    public:
        explicit basic_iterator(Iterator at) : m_at(at) {}
        Value& operator*() const { return **m_at; }
        Value* operator->() const { return m_at->get(); }
        basic_iterator& operator++() {
            ++m_at;
            return *this;
        }
        bool operator==(const basic_iterator& other) const { return m_at == other.m_at; }
        bool operator!=(const basic_iterator& other) const { return m_at != other.m_at; }

    private:
        Iterator m_at;
    };
    using iterator = basic_iterator<storage::iterator, pass>;
    using const_iterator = basic_iterator<storage::const_iterator, const pass>;

    chain() = default;
    chain(chain&&) noexcept = default;
    chain& operator=(chain&&) noexcept = default;
    chain(const chain&) = delete;
    chain& operator=(const chain&) = delete;

    // Appends `p` (a new pass, typically a clone) and owns it from then on.
    void append(std::unique_ptr<pass> p) { m_passes.push_back(std::move(p)); }
    void append_clone(const pass& p) { m_passes.emplace_back(p.clone()); }
    // Moves every pass of `other` to the end of this chain.
    void splice(chain&& other);

    // Hands over the pass `p` of this chain (null when it is not one of
    // them), which leaves the chain.
    std::unique_ptr<pass> take(const pass* p);
    // Puts `fresh` in the place of `old`, which is destroyed; false (and
    // `fresh` destroyed) when `old` is not in the chain.
    bool replace(const pass* old, std::unique_ptr<pass> fresh);
    void clear() { m_passes.clear(); }

    std::size_t size() const { return m_passes.size(); }
    bool empty() const { return m_passes.empty(); }
    pass& operator[](std::size_t i) { return *m_passes[i]; }
    const pass& operator[](std::size_t i) const { return *m_passes[i]; }

    iterator begin() { return iterator(m_passes.begin()); }
    iterator end() { return iterator(m_passes.end()); }
    const_iterator begin() const { return const_iterator(m_passes.begin()); }
    const_iterator end() const { return const_iterator(m_passes.end()); }

private:
    storage m_passes;
};

// What a caller hears while a chain runs. Both calls are optional.
class chain_observer {
public:
    virtual ~chain_observer() = default;
    // Pass `index` is about to run; it reports its fractions of work to the
    // sink returned (none when null).
    virtual progress_indicator* pass_starting(std::size_t /*index*/, const pass& /*p*/) { return nullptr; }
    // Pass `index` has run and left `centres`.
    virtual void pass_finished(std::size_t /*index*/, const std::vector<double>& /*centres*/) {}
};

// Runs the passes of `c` in order on `h`, each rewriting `centres` in place
// (an empty list lets the first pass seed its own). Before every pass it
// looks at `stop` (may be null): once set, it returns false and runs no
// further pass.
bool run_chain(const chain& c, const histogram& h, std::vector<double>& centres, chain_observer* observer = nullptr,
               const std::atomic<bool>* stop = nullptr);

// Runs `c` on `h` from an empty centre list and keeps what every pass left:
// entry i is the centre list after pass i. `progress`, when given, hears
// the fraction of the whole chain done, from 0 to 1.
std::vector<std::vector<double>> chain_outcome(const chain& c, const histogram& h,
                                               const std::function<void(double)>& progress = nullptr);

}  // namespace strandel
