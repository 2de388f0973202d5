// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "batch/chain_format.h"
#include "fake_passes.h"

namespace strandel {
namespace {

using testing::fake_clone;
using testing::fake_pass;
using testing::fake_prototypes;

enum { ainet = 0, pso = 1, fcm = 2, kmeans = 3 };

std::int32_t i32_at(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::int32_t>(std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 |
                                     std::uint32_t(b[at + 2]) << 16 | std::uint32_t(b[at + 3]) << 24);
}

bool all_zero(const std::vector<unsigned char>& b, std::size_t at, std::size_t n) {
    for (std::size_t i = at; i < at + n; ++i)
        if (b[i] != 0) return false;
    return true;
}

// A chain of clones of the fake prototypes at these indices.
chain fake_chain(std::initializer_list<int> indices) {
    chain made;
    for (int index : indices) made.append(std::unique_ptr<pass>(fake_clone(index)));
    return made;
}

std::vector<unsigned char> kmeans_then_fcm() {
    std::vector<unsigned char> bytes;
    serialize_chain(fake_chain({kmeans, fcm}), fake_prototypes(), bytes);
    return bytes;
}

TEST(ChainFormat, KMeansThenFuzzyCMeansLayout) {
    const std::vector<unsigned char> bytes = kmeans_then_fcm();
    ASSERT_EQ(bytes.size(), 96u);

    EXPECT_EQ(i32_at(bytes, 0), 3);
    EXPECT_TRUE(all_zero(bytes, 4, 4));
    // Integer images of 10 and 3: tag 0, padding, value, 4 zero bytes.
    EXPECT_EQ(i32_at(bytes, 8), 0);
    EXPECT_TRUE(all_zero(bytes, 12, 4));
    EXPECT_EQ(i32_at(bytes, 16), 10);
    EXPECT_TRUE(all_zero(bytes, 20, 4));
    EXPECT_EQ(i32_at(bytes, 24), 0);
    EXPECT_EQ(i32_at(bytes, 32), 3);
    EXPECT_TRUE(all_zero(bytes, 36, 4));

    EXPECT_EQ(i32_at(bytes, 40), 2);
    EXPECT_EQ(i32_at(bytes, 56), 10);
    EXPECT_EQ(i32_at(bytes, 72), 3);
    // The fuzziness index 2.0 as a little-endian double: 0x4000000000000000.
    EXPECT_EQ(i32_at(bytes, 80), 1);
    EXPECT_TRUE(all_zero(bytes, 84, 4));
    const std::vector<unsigned char> two = {0, 0, 0, 0, 0, 0, 0, 0x40};
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 88, bytes.end()), two);
}

TEST(ChainFormat, EmptyChainIsZeroBytesBothWays) {
    std::vector<unsigned char> bytes = {1, 2, 3};
    serialize_chain(chain(), fake_prototypes(), bytes);
    EXPECT_TRUE(bytes.empty());

    chain passes;
    std::string error;
    EXPECT_TRUE(deserialize_chain(passes, fake_prototypes(), {}, &error)) << error;
    EXPECT_TRUE(passes.empty());
}

TEST(ChainFormat, RoundTripKeepsClassesOrderAndValuesExactly) {
    // Values that a careless conversion would not keep to the last bit, at
    // and between the ends of the ranges.
    const double tricky[] = {0.1 + 0.2 + 0.4, std::nextafter(0.3, 1.0), 0.3, 1.0, 1.0 / 3.0 + 0.1};
    for (double d : tricky) {
        chain passes = fake_chain({ainet, kmeans, pso});
        passes[0].parameter_value(4).double_value() = d;
        passes[1].parameter_value(0).int_value() = 1;
        passes[1].parameter_value(1).int_value() = 100;
        passes[2].parameter_value(5).double_value() = 4.0 * d;

        std::vector<unsigned char> bytes;
        serialize_chain(passes, fake_prototypes(), bytes);
        EXPECT_EQ(bytes.size(), 88u + 40u + 120u);

        chain restored;
        std::string error;
        ASSERT_TRUE(deserialize_chain(restored, fake_prototypes(), bytes, &error)) << error;
        ASSERT_EQ(restored.size(), 3u);
        for (std::size_t p = 0; p < 3; ++p) {
            EXPECT_STREQ(restored[p].label(), passes[p].label());
            ASSERT_EQ(restored[p].nr_parameters(), passes[p].nr_parameters());
            for (unsigned i = 0; i < passes[p].nr_parameters(); ++i) {
                const param& want = passes[p].parameter_value(i);
                const param& got = restored[p].parameter_value(i);
                ASSERT_EQ(got.type(), want.type());
                if (want.type() == param_int) {
                    EXPECT_EQ(got.int_value(), want.int_value());
                } else {
                    const double a = want.double_value(), b = got.double_value();
                    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0) << "parameter " << i << " of pass " << p;
                }
            }
        }
    }
}

TEST(ChainFormat, RestoredPassesAreClonesOfThePrototypes) {
    const std::vector<unsigned char> bytes = kmeans_then_fcm();
    chain passes;
    ASSERT_TRUE(deserialize_chain(passes, fake_prototypes(), bytes));
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_NE(&passes[0], fake_prototypes()[kmeans]);
    EXPECT_NE(dynamic_cast<fake_pass*>(&passes[0]), nullptr);
    passes[0].parameter_value(0).int_value() = 99;
    EXPECT_EQ(fake_prototypes()[kmeans]->parameter_value(0).int_value(), 10);
}

TEST(ChainFormat, ReplacesWhatTheChainHeld) {
    chain passes = fake_chain({ainet});
    const int live = fake_pass::live;
    ASSERT_TRUE(deserialize_chain(passes, fake_prototypes(), kmeans_then_fcm()));
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_STREQ(passes[0].label(), "K-Means");
    EXPECT_EQ(fake_pass::live, live - 1 + 2);
}

// Every refusal: false, an empty chain, no pass left over, and a reason.
void expect_refused(const std::vector<unsigned char>& bytes, const std::string& reason) {
    chain passes = fake_chain({ainet});
    const int live = fake_pass::live;
    std::string error;
    EXPECT_FALSE(deserialize_chain(passes, fake_prototypes(), bytes, &error)) << "size " << bytes.size();
    EXPECT_TRUE(passes.empty());
    EXPECT_EQ(fake_pass::live, live - 1);
    EXPECT_NE(error.find(reason), std::string::npos) << "got: " << error;
}

TEST(ChainFormat, RefusesPassIndicesOutsideTheRepertoire) {
    std::vector<unsigned char> bytes = kmeans_then_fcm();
    bytes[40] = 4;
    expect_refused(bytes, "record 2 at byte 40: pass index 4 is outside the repertoire (0 to 3)");
    bytes[40] = 0xff, bytes[41] = 0xff, bytes[42] = 0xff, bytes[43] = 0xff;
    expect_refused(bytes, "pass index -1 is outside");
    bytes = kmeans_then_fcm();
    bytes[3] = 0x80;
    expect_refused(bytes, "record 1 at byte 0: pass index -2147483645");
}

TEST(ChainFormat, RefusesEveryTruncationWithoutReadingPastTheEnd) {
    const std::vector<unsigned char> whole = kmeans_then_fcm();
    for (std::size_t size = 1; size < whole.size(); ++size) {
        // An exact copy, so that a read past its end is a heap overflow that
        // the address sanitizer reports.
        const std::vector<unsigned char> prefix(whole.begin(), whole.begin() + size);
        if (size == 40) {
            chain passes;
            EXPECT_TRUE(deserialize_chain(passes, fake_prototypes(), prefix));
            EXPECT_EQ(passes.size(), 1u);
        } else if (size < 4 || (size > 40 && size < 44)) {
            expect_refused(prefix, "byte(s) left where a 4-byte pass index belongs");
        } else {
            expect_refused(prefix, "needed");
        }
    }
    expect_refused(std::vector<unsigned char>(whole.begin(), whole.begin() + 50),
                   "record 2 at byte 40: truncated Fuzzy C-Means record, 56 bytes needed, 10 left");
}

TEST(ChainFormat, RefusesTagsThatAreNotTheParametersType) {
    std::vector<unsigned char> bytes = kmeans_then_fcm();
    bytes[24] = 1;  // "Number Of Classes" is an integer
    expect_refused(bytes, "parameter \"Number Of Classes\" of K-Means has type tag 1 (double), expected 0 (integer)");

    bytes = kmeans_then_fcm();
    bytes[80] = 0;  // the fuzziness index is a double
    expect_refused(bytes, "record 2 at byte 40: parameter \"Fuzziness Index\"");

    bytes = kmeans_then_fcm();
    bytes[8] = 2;
    expect_refused(bytes, "type tag 2 (unknown)");
}

}  // namespace
}  // namespace strandel

namespace strandel {
namespace {

// Values outside a parameter's range cannot come from the chain editor or
// the chain syntax; stored bytes that hold one are refused rather than
// handed to a pass.
TEST(ChainFormat, ValuesOutsideTheirRangeAreRefused) {
    struct bad_value {
        int pass_index;
        unsigned parameter;
        double value;  // as an int for integer parameters
        const char* message;
    };
    const bad_value cases[] = {
        {0, 1, 9, "parameter \"Sigma_S\" of AiNet is 9; it must be an integer from 10 to 255"},
        {0, 4, std::nan(""), "parameter \"Zeta (%)\" of AiNet is nan; it must be a number from 0.3 to 1"},
        {0, 4, 1.0000000000000002, "parameter \"Zeta (%)\" of AiNet is 1.0000000000000002"},
        {1, 0, -7, "parameter \"Number Of Passes\" of K-Means is -7"},
    };
    for (const bad_value& c : cases) {
        chain passes = fake_chain({c.pass_index == 0 ? ainet : kmeans});
        param& value = passes[0].parameter_value(c.parameter);
        if (value.type() == param_int)
            value.int_value() = static_cast<int>(c.value);
        else
            value.double_value() = c.value;
        std::vector<unsigned char> bytes;
        serialize_chain(passes, fake_prototypes(), bytes);
        chain restored;
        std::string error;
        EXPECT_FALSE(deserialize_chain(restored, fake_prototypes(), bytes, &error));
        EXPECT_TRUE(restored.empty());
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace strandel
