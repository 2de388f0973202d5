// SPDX-License-Identifier: GPL-3.0-or-later
// Parameter values and their static descriptions.
#pragma once

#include <cstdint>

namespace strandel {

enum param_type : std::int32_t { param_int = 0, param_double = 1 };

// One tagged parameter value. Copies carry the tag and only the member the
// tag selects.
class param {
public:
    explicit param(int value) : m_type(param_int) { m_value.i = value; }
    explicit param(double value) : m_type(param_double) { m_value.d = value; }
    param(const param& other) : m_type(other.m_type) { copy_value(other); }
    param& operator=(const param& other) {
        m_type = other.m_type;
        copy_value(other);
        return *this;
    }

    std::int32_t type() const { return m_type; }
    int& int_value() { return m_value.i; }
    int int_value() const { return m_value.i; }
    double& double_value() { return m_value.d; }
    double double_value() const { return m_value.d; }

private:
    void copy_value(const param& other) {
        if (m_type == param_int)
            m_value.i = other.m_value.i;
        else if (m_type == param_double)
            m_value.d = other.m_value.d;
    }

    std::int32_t m_type;
    union {
        std::int32_t i;
        double d;
    } m_value;
};

// Static description of one parameter: range, label and description. The
// strings are literals and are not copied.
class param_info {
public:
    param_info(int start, int end, const char* label, const char* description)
        : m_label(label), m_description(description), m_type(param_int) {
        m_range.i.start = start;
        m_range.i.end = end;
    }
    param_info(double start, double end, const char* label, const char* description)
        : m_label(label), m_description(description), m_type(param_double) {
        m_range.d.start = start;
        m_range.d.end = end;
    }

    std::int32_t type() const { return m_type; }
    const char* label() const { return m_label; }
    const char* description() const { return m_description; }
    int int_start() const { return m_range.i.start; }
    int int_end() const { return m_range.i.end; }
    double double_start() const { return m_range.d.start; }
    double double_end() const { return m_range.d.end; }

private:
    union {
        struct {
            std::int32_t start, end;
        } i;
        struct {
            double start, end;
        } d;
    } m_range;
    const char* m_label;
    const char* m_description;
    std::int32_t m_type;
};

}  // namespace strandel
