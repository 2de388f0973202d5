// SPDX-License-Identifier: GPL-3.0-or-later
// Progress of a run in GIMP's status bar (the same call in GIMP 2.10 and
// 3.0), for a stage that covers the span [start, start + span] of it.
#pragma once

#include <libgimp/gimp.h>

namespace strandel {

// Status bar updates go through GIMP's wire: only visible changes are sent.
class status_progress {
public:
    status_progress(double start, double span) : m_start(start), m_span(span) {}
    void operator()(double fraction) {
        const double value = m_start + m_span * fraction;
        if (value - m_last < 0.01 && value < 1.0) return;
        m_last = value;
        gimp_progress_update(value);
    }

private:
    double m_start, m_span;
    double m_last = -1.0;
};

}  // namespace strandel
