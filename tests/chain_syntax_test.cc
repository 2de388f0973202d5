// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/chain_syntax.h"
#include "fake_passes.h"

namespace strandel {
namespace {

using testing::fake_pass;
using testing::fake_prototypes;

struct parsed_chain {
    chain passes;
};

bool parse(const std::string& text, parsed_chain& chain, std::string* error = nullptr) {
    return parse_chain(text, fake_prototypes(), chain.passes, error);
}

TEST(ChainSyntax, LabelsWithAndWithoutParameters) {
    parsed_chain chain;
    std::string error;
    ASSERT_TRUE(parse("  K-Means ( 7 ,4 )  ;Fuzzy C-Means;\tFuzzy C-Means(1, 2, 2.5) ", chain, &error)) << error;
    ASSERT_EQ(chain.passes.size(), 3u);
    EXPECT_STREQ(chain.passes[0].label(), "K-Means");
    EXPECT_EQ(chain.passes[0].parameter_value(0).int_value(), 7);
    EXPECT_EQ(chain.passes[0].parameter_value(1).int_value(), 4);
    // No parentheses: the prototype's defaults.
    EXPECT_EQ(chain.passes[1].parameter_value(0).int_value(), 10);
    EXPECT_EQ(chain.passes[1].parameter_value(2).double_value(), 2.0);
    EXPECT_EQ(chain.passes[2].parameter_value(0).int_value(), 1);
    EXPECT_EQ(chain.passes[2].parameter_value(2).type(), param_double);
    EXPECT_EQ(chain.passes[2].parameter_value(2).double_value(), 2.5);
    // Clones, not the prototypes, which keep their values.
    EXPECT_NE(&chain.passes[1], fake_prototypes()[2]);
    EXPECT_EQ(fake_prototypes()[3]->parameter_value(0).int_value(), 10);
}

TEST(ChainSyntax, RangeEndsAreAccepted) {
    parsed_chain chain;
    std::string error;
    ASSERT_TRUE(parse("K-Means(1, 100); AiNet(10, 255, 10, 3, 0.3); AiNet(1, 10, 255, 10, 1)", chain, &error))
        << error;
    EXPECT_EQ(chain.passes[1].parameter_value(4).double_value(), 0.3);
    EXPECT_EQ(chain.passes[2].parameter_value(4).double_value(), 1.0);
}

TEST(ChainSyntax, EmptyTextIsOneDefaultAiNet) {
    for (const char* text : {"", "  \t\n"}) {
        parsed_chain chain;
        ASSERT_TRUE(parse(text, chain)) << '"' << text << '"';
        ASSERT_EQ(chain.passes.size(), 1u);
        EXPECT_STREQ(chain.passes[0].label(), "AiNet");
        EXPECT_EQ(chain.passes[0].parameter_value(1).int_value(), 30);
    }
}

TEST(ChainSyntax, AppendsToWhatTheChainHolds) {
    parsed_chain chain;
    ASSERT_TRUE(parse("K-Means", chain));
    ASSERT_TRUE(parse("AiNet", chain));
    ASSERT_EQ(chain.passes.size(), 2u);
    EXPECT_STREQ(chain.passes[1].label(), "AiNet");
}

TEST(ChainSyntax, FormatWritesEveryParameterAndParsesBackExactly) {
    parsed_chain chain;
    ASSERT_TRUE(parse("K-Means(5, 2); Fuzzy C-Means", chain));
    EXPECT_EQ(format_chain(chain.passes), "K-Means(5, 2); Fuzzy C-Means(10, 3, 2)");
    EXPECT_EQ(format_chain(::strandel::chain()), "");

    chain.passes[1].parameter_value(2).double_value() = 1.0 + 1.0 / 3.0;
    parsed_chain again;
    std::string error;
    ASSERT_TRUE(parse(format_chain(chain.passes), again, &error)) << error;
    ASSERT_EQ(again.passes.size(), 2u);
    EXPECT_EQ(again.passes[1].parameter_value(2).double_value(), 1.0 + 1.0 / 3.0);
    EXPECT_EQ(format_chain(again.passes), format_chain(chain.passes));
}

// A refused text appends nothing, leaks nothing and says why.
void expect_refused(const std::string& text, const std::string& message) {
    parsed_chain chain;
    ASSERT_TRUE(parse("K-Means", chain));
    const int live = fake_pass::live;
    std::string error;
    EXPECT_FALSE(parse(text, chain, &error)) << text;
    EXPECT_EQ(chain.passes.size(), 1u);
    EXPECT_EQ(fake_pass::live, live);
    EXPECT_EQ(error, message) << text;
}

TEST(ChainSyntax, RefusesUnknownLabels) {
    const std::string known = " (known passes: AiNet, Particle Swarm Optimization, Fuzzy C-Means, K-Means)";
    expect_refused("k-means", "unknown pass \"k-means\"" + known);
    expect_refused("K-Means; Kmeans(3)", "unknown pass \"Kmeans\"" + known);
    expect_refused("(3, 4)", "unknown pass \"\"" + known);
    // Messages quote a short, printable prefix of what they were given.
    expect_refused(std::string(1 << 20, 'x'), "unknown pass \"" + std::string(60, 'x') + "... (1048576 bytes)\"" + known);
    expect_refused("K-Means(10, \x1b[31m)",
                   "K-Means: parameter \"Number Of Classes\" must be an integer from 2 to 100, got \"\\x1B[31m\"");
}

TEST(ChainSyntax, RefusesWrongParameterCounts) {
    expect_refused("K-Means(10)", "K-Means: expected 2 parameter(s) (Number Of Passes, Number Of Classes), got 1");
    expect_refused("K-Means()", "K-Means: expected 2 parameter(s) (Number Of Passes, Number Of Classes), got 0");
    expect_refused("Fuzzy C-Means(1, 2, 3, 4)",
                   "Fuzzy C-Means: expected 3 parameter(s) (Number of Iterations, Clusters, Fuzziness Index), got 4");
}

TEST(ChainSyntax, RefusesValuesOutsideTheirParameter) {
    expect_refused("K-Means(10, 1)", "K-Means: parameter \"Number Of Classes\" must be an integer from 2 to 100, got \"1\"");
    expect_refused("K-Means(101, 3)", "K-Means: parameter \"Number Of Passes\" must be an integer from 1 to 100, got \"101\"");
    expect_refused("K-Means(2.5, 3)", "K-Means: parameter \"Number Of Passes\" must be an integer from 1 to 100, got \"2.5\"");
    expect_refused("K-Means(10, three)", "K-Means: parameter \"Number Of Classes\" must be an integer from 2 to 100, got \"three\"");
    expect_refused("K-Means(10, )", "K-Means: parameter \"Number Of Classes\" must be an integer from 2 to 100, got \"\"");
    expect_refused("K-Means(99999999999999999999, 3)",
                   "K-Means: parameter \"Number Of Passes\" must be an integer from 1 to 100, got \"99999999999999999999\"");
    const std::string zeta = "AiNet: parameter \"Zeta (%)\" must be a number from 0.3 to 1, got ";
    expect_refused("AiNet(1, 30, 10, 3, 0.29)", zeta + "\"0.29\"");
    expect_refused("AiNet(1, 30, 10, 3, 1.0000001)", zeta + "\"1.0000001\"");
    expect_refused("AiNet(1, 30, 10, 3, nan)", zeta + "\"nan\"");
    expect_refused("AiNet(1, 30, 10, 3, 0x1p-1)", zeta + "\"0x1p-1\"");
    expect_refused("AiNet(1, 30, 10, 3, 0.5 0.6)", zeta + "\"0.5 0.6\"");
    expect_refused("Fuzzy C-Means(1, 2, inf)",
                   "Fuzzy C-Means: parameter \"Fuzziness Index\" must be a number from 1 to 10, got \"inf\"");
}

TEST(ChainSyntax, RefusesMalformedStructure) {
    expect_refused("K-Means(10, 3", "K-Means: missing \")\" after the parameters");
    expect_refused("K-Means(10, 3) x", "K-Means: unexpected \"x\" after \")\"");
    expect_refused("K-Means(10, 3)(4)", "K-Means: unexpected \"(4)\" after \")\"");
    expect_refused("K-Means;; AiNet", "pass 2 of the chain is empty (nothing between \";\")");
    expect_refused("K-Means;", "pass 2 of the chain is empty (nothing between \";\")");
}

}  // namespace
}  // namespace strandel
