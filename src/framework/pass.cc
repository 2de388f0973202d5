// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/pass.h"

#include <cassert>

namespace strandel {

pass::pass(const char* label, const param_info* table, unsigned count)
    : m_table(table), m_count(count), m_label(label) {
    m_values.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        const param_info& info = table[i];
        if (info.type() == param_int)
            m_values.emplace_back(info.int_start());
        else if (info.type() == param_double)
            m_values.emplace_back(info.double_start());
        else
            assert(false);
    }
}

}  // namespace strandel
