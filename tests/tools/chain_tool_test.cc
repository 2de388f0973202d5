// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/chain_tool.h"
#include "decoding/histogram_input.h"

namespace strandel {
namespace {

// ---- histogram files ---------------------------------------------------

std::string counts_text(int fill, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::to_string(fill) + (i % 16 == 15 ? "\n" : " ");
    return text;
}

TEST(HistogramInput, CountsFileReadsExactly256Counts) {
    std::string text = counts_text(0, 256);
    text.replace(0, 1, "2147483647");
    std::istringstream in(text + "\n\n");
    histogram h;
    std::string error;
    ASSERT_TRUE(read_histogram_counts(in, "h.txt", h, &error)) << error;
    EXPECT_EQ(h[0], 2147483647);
    EXPECT_EQ(total_pixels(h), 2147483647);
}

TEST(HistogramInput, CountsFileRefusals) {
    const struct {
        std::string text, message;
    } cases[] = {
        {counts_text(1, 255), "h.txt: 255 counts, expected 256 (gray levels 0 to 255)"},
        {"", "h.txt: 0 counts, expected 256 (gray levels 0 to 255)"},
        {counts_text(1, 257), "h.txt: more than 256 counts"},
        {"-1 " + counts_text(1, 255), "h.txt: count of gray level 0 is \"-1\", not an integer from 0 to 2147483647"},
        {"3 1.5 " + counts_text(1, 254), "h.txt: count of gray level 1 is \"1.5\", not an integer from 0 to 2147483647"},
        {"2147483648 " + counts_text(1, 255),
         "h.txt: count of gray level 0 is \"2147483648\", not an integer from 0 to 2147483647"},
        {"99999999999999999999 " + counts_text(1, 255),
         "h.txt: count of gray level 0 is \"99999999999999999999\", not an integer from 0 to 2147483647"},
        {"999999999999999999999 " + counts_text(1, 255),
         "h.txt: count of gray level 0 starts \"999999999999999999999\" and is longer than 20 characters"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        histogram h;
        std::string error;
        EXPECT_FALSE(read_histogram_counts(in, "h.txt", h, &error));
        EXPECT_EQ(error, c.message);
    }
}

TEST(HistogramInput, MissingFilesAreNamed) {
    histogram h;
    std::string error;
    EXPECT_FALSE(read_histogram_counts_file("/nonexistent/h.txt", h, &error));
    EXPECT_EQ(error, "/nonexistent/h.txt: cannot open: No such file or directory");
    EXPECT_FALSE(read_histogram_counts_file(::testing::TempDir(), h, &error));
    EXPECT_EQ(error, ::testing::TempDir() + ": is a directory, not a file");
    // An endless input is refused at its first overlong count, not held.
    EXPECT_FALSE(read_histogram_counts_file("/dev/zero", h, &error));
    EXPECT_EQ(error.rfind("/dev/zero: count of gray level 0 starts \"\\x00\\x00", 0), 0u) << error;
}

// ---- the tool -------------------------------------------------------------

struct tool_run {
    int status;
    std::string out, err;
};

tool_run run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = run_chain_tool(args, out, err);
    return {status, out.str(), err.str()};
}

// A histogram file in the test's temporary directory.
std::string histogram_file(const std::string& name, const std::vector<std::pair<int, int>>& counts) {
    std::vector<int> all(256, 0);
    for (const auto& c : counts) all[static_cast<std::size_t>(c.first)] = c.second;
    const std::string path = ::testing::TempDir() + name;
    std::ofstream file(path);
    for (int v : all) file << v << '\n';
    return path;
}

TEST(ChainTool, BadArgumentsExitWith2) {
    const std::string h = histogram_file("args.txt", {{10, 1}});
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "no input: give an IMAGE or --histogram FILE"},
        {{"--save", "l.png", "--histogram", h}, "--save needs an image: a histogram has no pixels to label"},
        {{"a.pgm", "--histogram", h}, "give either an image or --histogram, not both"},
        {{"a.pgm", "b.pgm"}, "more than one image given (\"a.pgm\", \"b.pgm\")"},
        {{"--frobnicate", "a.pgm"}, "unknown option \"--frobnicate\""},
        {{"--histogram"}, "--histogram needs a value"},
        {{"--histogram", h, "--histogram", h}, "--histogram given twice"},
        {{"--no-chain", "--chain", "K-Means", "--histogram", h}, "--chain and --no-chain exclude each other"},
        {{"--no-chain=1", "--histogram", h}, "--no-chain takes no value"},
        {{"--seed", "-1", "--histogram", h}, "--seed: \"-1\" is not an integer from 0 to 4294967295"},
        {{"--seed", "4294967296", "--histogram", h}, "--seed: \"4294967296\" is not an integer from 0 to 4294967295"},
        {{"--centres", "4,,5", "--histogram", h}, "--centres: \"\" is not a gray level from 0 to 255"},
        {{"--centres=256", "--histogram", h}, "--centres: \"256\" is not a gray level from 0 to 255"},
        {{"--centres", "nan", "--histogram", h}, "--centres: \"nan\" is not a gray level from 0 to 255"},
    };
    for (const auto& c : cases) {
        const tool_run r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, "strandel-chain: " + c.message + "\n(try --help)\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST(ChainTool, BadChainExitsWith2EvenBeforeReadingTheInput) {
    const tool_run r = run({"--chain", "K-Means(10, 1)", "/nonexistent/a.pgm"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "strandel-chain: --chain: K-Means: parameter \"Number Of Classes\" must be an integer "
              "from 2 to 100, got \"1\"\n");
    EXPECT_EQ(r.out, "");
}

TEST(ChainTool, UnreadableInputExitsWith1) {
    tool_run r = run({"/nonexistent/a.pgm"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "strandel-chain: /nonexistent/a.pgm: No such file or directory\n");

    const std::string empty = histogram_file("empty.txt", {});
    r = run({"--histogram", empty});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "strandel-chain: " + empty + ": every count is zero, there is nothing to segment\n");
    EXPECT_EQ(r.out, "");
}

TEST(ChainTool, EachPassStartsFromTheCentresOfThePreviousOne) {
    // Counts 5 at 10 and 20, 7 at 90, 100 at 128, 1 at 200.
    const std::string h = histogram_file("kmeans.txt", {{10, 5}, {20, 5}, {200, 1}, {90, 7}, {128, 100}});

    // K-Means(1, 2) seeds {200, 10} (least populated distinct counts) and
    // moves them to (128 x 100 + 200) / 101 and (10 x 5 + 20 x 5 + 90 x 7) / 17.
    // The second pass finds two centres, so its class count 3 plays no part;
    // its iteration moves 90 over: classes {90, 128, 200} and {10, 20}.
    tool_run r = run({"--chain", "K-Means(1, 2); K-Means(1, 3)", "--histogram", h});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("Turi")), "classes\t2\ncentres\t126.2037037\t15\n");

    // The other order: seeds {200, 10, 90}; classes {200}, {10, 20}, {90, 128}.
    r = run({"--chain", "K-Means(1, 3); K-Means(1, 2)", "--histogram", h});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("Turi")), "classes\t3\ncentres\t200\t15\t125.5140187\n");
}

}  // namespace
}  // namespace strandel
