// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>

#include "framework/pass.h"
#include "framework/template_pass.h"

namespace strandel {
namespace {

TEST(Param, CopiesCarryTheTagAndOnlyTheSelectedMember) {
    param d(0.1 + 0.2);
    param copy(d);
    EXPECT_EQ(copy.type(), param_double);
    EXPECT_EQ(std::memcmp(&copy.double_value(), &d.double_value(), sizeof(double)), 0);

    param i(-7);
    param target(3.5);
    target = i;
    EXPECT_EQ(target.type(), param_int);
    EXPECT_EQ(target.int_value(), -7);

    target.int_value() = 12;  // written through the reference
    EXPECT_EQ(target.int_value(), 12);
    EXPECT_EQ(i.int_value(), -7);
}

TEST(ParamInfo, KeepsRangeLabelAndType) {
    param_info ints(2, 100, "Number Of Classes", "Intial number of classes");
    EXPECT_EQ(ints.type(), param_int);
    EXPECT_EQ(ints.int_start(), 2);
    EXPECT_EQ(ints.int_end(), 100);
    EXPECT_STREQ(ints.label(), "Number Of Classes");

    param_info doubles(0.3, 1.0, "Zeta (%)", "Percentage");
    EXPECT_EQ(doubles.type(), param_double);
    EXPECT_EQ(doubles.double_start(), 0.3);
    EXPECT_EQ(doubles.double_end(), 1.0);
}

TEST(TemplatePass, StartsAtRangeStartsAndLeavesCentresAlone) {
    template_pass p;
    ASSERT_EQ(p.nr_parameters(), 2u);
    EXPECT_EQ(p.parameter_value(0).type(), param_int);
    EXPECT_EQ(p.parameter_value(0).int_value(), 1);
    EXPECT_EQ(p.parameter_value(1).type(), param_double);
    EXPECT_EQ(p.parameter_value(1).double_value(), 0.0);
    EXPECT_STREQ(p.parameter_info(0).label(), "Number of Iterations");

    histogram h;
    clear_histogram(h);
    h[3] = 10;
    h[250] = 4;
    std::vector<double> centres{300.5, -2, 17};
    nop_progress_indicator progress;
    p.parameter_value(0).int_value() = 10;
    p(h, centres, &progress);
    EXPECT_EQ(centres, (std::vector<double>{300.5, -2, 17}));
}

TEST(Pass, CloneIsADeepCopy) {
    template_pass original;
    original.parameter_value(0).int_value() = 4;
    std::unique_ptr<pass> copy(original.clone());
    EXPECT_STREQ(copy->label(), original.label());
    EXPECT_EQ(copy->parameter_value(0).int_value(), 4);
    EXPECT_EQ(&copy->parameter_info(0), &original.parameter_info(0));  // shared static table
    copy->parameter_value(0).int_value() = 9;
    copy->parameter_value(1).double_value() = 0.5;
    EXPECT_EQ(original.parameter_value(0).int_value(), 4);
    EXPECT_EQ(original.parameter_value(1).double_value(), 0.0);
}

TEST(ProgressSinks, DoubleIndicatorStoresEveryFraction) {
    std::atomic<double> target{-1};
    double_progress_indicator sink(&target);
    progress_indicator& base = sink;
    base(0.25);
    EXPECT_EQ(target.load(), 0.25);
    base(1.0);
    EXPECT_EQ(target.load(), 1.0);
}

// A registry of its own, so that this test does not touch the process-wide
// pass repertoire that other tests fill.
struct named {
    explicit named(const char* l) : m_label(l) {}
    const char* label() const { return m_label; }
    const char* m_label;
};
class test_registry : public registry<test_registry, named> {
    friend class registry<test_registry, named>;
};

TEST(Registry, SingletonKeepsOrderAndFindsExactLabels) {
    test_registry* r = test_registry::instance();
    EXPECT_EQ(r, test_registry::instance());
    named* a = new named("K-Means");
    named* b = new named("AiNet");
    named* c = new named("K-Means");
    r->add(a);
    r->add(b);
    r->add(c);
    std::vector<named*> order(r->begin(), r->end());
    EXPECT_EQ(order, (std::vector<named*>{a, b, c}));
    EXPECT_EQ(r->find("K-Means"), a);  // first match wins
    EXPECT_EQ(r->find("ainet"), nullptr);
    EXPECT_EQ(r->find("Unknown"), nullptr);
}

}  // namespace
}  // namespace strandel
