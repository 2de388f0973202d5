// SPDX-License-Identifier: GPL-3.0-or-later
// The shape shared by the process-wide registries (passes, fitness functions,
// pixel classifiers): a heap singleton created on first use and never
// destroyed, owning its entries in registration order.
#pragma once

#include <cstring>
#include <vector>

namespace strandel {

template <class Derived, class Entry>
class registry {
public:
    using const_iterator = typename std::vector<Entry*>::const_iterator;

    static Derived* instance() {
        if (!m_instance) m_instance = new Derived();
        return m_instance;
    }

    // Takes ownership; entries live until the process ends.
    void add(Entry* entry) { m_entries.push_back(entry); }

    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }
    std::size_t size() const { return m_entries.size(); }
    Entry* at(std::size_t index) const { return m_entries[index]; }

    // First entry whose label equals `label` byte for byte, or null.
    Entry* find(const char* label) const {
        for (Entry* e : m_entries)
            if (std::strcmp(e->label(), label) == 0) return e;
        return nullptr;
    }

protected:
    registry() = default;
    registry(const registry&) = delete;
    registry& operator=(const registry&) = delete;

private:
    static Derived* m_instance;
    std::vector<Entry*> m_entries;
};

template <class Derived, class Entry>
Derived* registry<Derived, Entry>::m_instance = nullptr;

}  // namespace strandel
