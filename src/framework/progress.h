// SPDX-License-Identifier: GPL-3.0-or-later
// Progress sinks: where a pass reports the fraction of its work done.
#pragma once

#include <atomic>

namespace strandel {

class progress_indicator {
public:
    virtual void operator()(double fraction) = 0;
    virtual ~progress_indicator() = default;
};

// Stores every fraction into a value that another thread (the progress
// dialog's timeout) reads; atomic so the reader never sees a torn value.
class double_progress_indicator : public progress_indicator {
public:
    explicit double_progress_indicator(std::atomic<double>* target) : m_target(target) {}
    void operator()(double fraction) override { m_target->store(fraction, std::memory_order_relaxed); }

private:
    std::atomic<double>* m_target;
};

class nop_progress_indicator : public progress_indicator {
public:
    void operator()(double) override {}
};

}  // namespace strandel
