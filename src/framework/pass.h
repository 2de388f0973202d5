// SPDX-License-Identifier: GPL-3.0-or-later
// The pass: one clustering step of a chain, refining a list of class centres
// from the gray-level histogram.
#pragma once

#include <vector>

#include "framework/histogram.h"
#include "framework/param.h"
#include "framework/progress.h"
#include "framework/registry.h"

namespace strandel {

class pass {
public:
    pass(const char* label, const param_info* table, unsigned count);
    pass(const pass&) = default;
    pass& operator=(const pass&) = delete;
    virtual ~pass() = default;

    // Runs the algorithm: reads `h`, rewrites `centres` in place (an empty
    // list means "seed your own"), reports fractions of its work to
    // `progress`. Const: one pass object serves every image of a benchmark.
    virtual void operator()(const histogram& h, std::vector<double>& centres,
                            progress_indicator* progress) const = 0;
    // One-line trace to standard output; nothing in the system calls it.
    virtual void print() const {}
    virtual pass* clone() const = 0;

    const char* label() const { return m_label; }
    unsigned nr_parameters() const { return m_count; }
    const param_info& parameter_info(unsigned i) const { return m_table[i]; }
    param& parameter_value(unsigned i) { return m_values[i]; }
    const param& parameter_value(unsigned i) const { return m_values[i]; }

private:
    const param_info* m_table;
    unsigned m_count;
    std::vector<param> m_values;
    const char* m_label;
};

// Registry of the prototype passes; a prototype's position is its pass index
// in the stored chain format, so registration order matters.
class pass_repertoire : public registry<pass_repertoire, pass> {
    friend class registry<pass_repertoire, pass>;
};

}  // namespace strandel
