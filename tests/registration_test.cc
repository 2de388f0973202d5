// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/chain_format.h"
#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "evaluation/fitness_function.h"
#include "framework/template_pass.h"
#include "passes/kmeans_pass.h"

namespace strandel {
namespace {

// Every test registers first: the registries are process-wide and tests
// run in any order, so each call after the first must add nothing.
class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        register_passes();
        register_fitness_functions();
    }
};

std::vector<std::string> labels_of(const pass_repertoire& r) {
    std::vector<std::string> labels;
    for (const pass* p : r) labels.push_back(p->label());
    return labels;
}

TEST_F(Registration, PassesInIndexOrderOnlyOnce) {
    register_passes();
    const pass_repertoire& r = *pass_repertoire::instance();
    EXPECT_EQ(labels_of(r), (std::vector<std::string>{"AiNet", "Particle Swarm Optimization",
                                                      "Fuzzy C-Means", "K-Means", "Multi-Otsu"}));
    EXPECT_EQ(r.find("K-Means"), r.at(3));
    EXPECT_EQ(pass_index("AiNet"), 0);
    EXPECT_EQ(pass_index("Particle Swarm Optimization"), 1);
    EXPECT_EQ(pass_index("Fuzzy C-Means"), 2);
    EXPECT_EQ(pass_index("K-Means"), 3);
    EXPECT_EQ(pass_index("Multi-Otsu"), 4);
}

TEST_F(Registration, UnregisteredPassStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(pass_index("Template"), "pass \"Template\" is not in the repertoire");
    chain stray;
    stray.append(std::make_unique<template_pass>());
    std::vector<unsigned char> bytes;
    EXPECT_DEATH(serialize_algo(stray, bytes), "pass \"Template\" is not in the repertoire");
}

TEST_F(Registration, FitnessFunctionsInColumnOrderOnlyOnce) {
    register_fitness_functions();
    std::vector<std::string> labels;
    for (const fitness_function* f : *fitness_function_repertoire::instance()) labels.push_back(f->label());
    EXPECT_EQ(labels, (std::vector<std::string>{"Turi (2001)", "Dunn Index", "Amrane (2005)",
                                                "Liu & Yang (inverted)"}));
}

TEST_F(Registration, PassByIndexIsAFreshCloneWithTheDefaults) {
    const std::unique_ptr<pass> p = get_pass_by_index(3);
    ASSERT_NE(dynamic_cast<kmeans_pass*>(p.get()), nullptr);
    EXPECT_NE(p.get(), pass_repertoire::instance()->at(3));
    EXPECT_EQ(p->parameter_value(0).int_value(), 10);
    EXPECT_EQ(p->parameter_value(1).int_value(), 3);
    p->parameter_value(0).int_value() = 1;
    EXPECT_EQ(pass_repertoire::instance()->at(3)->parameter_value(0).int_value(), 10);
}

TEST_F(Registration, StoredRecordSizesAndIndicesOfTheRegisteredPasses) {
    const std::size_t sizes[] = {88, 120, 56, 40, 24};
    for (int index = 0; index < 5; ++index) {
        chain one;
        one.append(get_pass_by_index(index));
        std::vector<unsigned char> bytes;
        serialize_algo(one, bytes);
        EXPECT_EQ(bytes.size(), sizes[index]) << one[0].label();
        EXPECT_EQ(bytes[0], index);
    }
}

TEST_F(Registration, KMeansThenFuzzyCMeansStoresAndRestores) {
    chain passes;
    ASSERT_TRUE(parse_chain("K-Means; Fuzzy C-Means(4, 5, 1.25)", passes));
    std::vector<unsigned char> bytes;
    serialize_algo(passes, bytes);
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(bytes[0], 3);
    EXPECT_EQ(bytes[16], 10);
    EXPECT_EQ(bytes[32], 3);
    EXPECT_EQ(bytes[40], 2);

    chain restored;
    std::string error;
    ASSERT_TRUE(deserialize_algo(restored, bytes, &error)) << error;
    EXPECT_EQ(format_chain(restored), "K-Means(10, 3); Fuzzy C-Means(4, 5, 1.25)");

    bytes[40] = 5;
    EXPECT_FALSE(deserialize_algo(restored, bytes, &error));
    EXPECT_TRUE(restored.empty());
    EXPECT_NE(error.find("pass index 5 is outside the repertoire (0 to 4)"), std::string::npos) << error;
}

TEST_F(Registration, EveryDefaultPassSurvivesTheTextForm) {
    chain defaults;
    for (int index = 0; index < 5; ++index) defaults.append(get_pass_by_index(index));
    const std::string text = format_chain(defaults);
    chain parsed;
    std::string error;
    ASSERT_TRUE(parse_chain(text, parsed, &error)) << text << ": " << error;
    EXPECT_EQ(format_chain(parsed), text);

    std::vector<unsigned char> a, b;
    serialize_algo(defaults, a);
    serialize_algo(parsed, b);
    EXPECT_EQ(a, b);
}

TEST_F(Registration, MultiOtsuStoresItsClassCountAndRestores) {
    chain passes;
    ASSERT_TRUE(parse_chain("Multi-Otsu(7); K-Means", passes));
    std::vector<unsigned char> bytes;
    serialize_algo(passes, bytes);
    ASSERT_EQ(bytes.size(), 24u + 40u);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(bytes[16], 7);
    chain restored;
    std::string error;
    ASSERT_TRUE(deserialize_algo(restored, bytes, &error)) << error;
    EXPECT_EQ(format_chain(restored), "Multi-Otsu(7); K-Means(10, 3)");
    EXPECT_FALSE(parse_chain("Multi-Otsu(1)", passes, &error));
    EXPECT_NE(error.find("Multi-Otsu: parameter \"Number Of Classes\" must be an integer from 2 to 100, got \"1\""),
              std::string::npos) << error;
}

TEST_F(Registration, EmptyTextIsTheDefaultAiNet) {
    chain passes;
    ASSERT_TRUE(parse_chain("", passes));
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_STREQ(passes[0].label(), "AiNet");
    EXPECT_EQ(format_chain(passes), "AiNet(1, 30, 10, 3, 0.29999999999999999)");
}

}  // namespace
}  // namespace strandel
