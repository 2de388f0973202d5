// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/script_fu_batch.h"

#include <gtest/gtest.h>

namespace strandel {
namespace {

std::string quoted(const std::string& text) {
    std::string literal, error;
    EXPECT_TRUE(script_fu_string(text, &literal, &error)) << error;
    return literal;
}

TEST(ScriptFuString, EscapesWhatWouldEndOrBendTheLiteral) {
    EXPECT_EQ(quoted(""), "\"\"");
    EXPECT_EQ(quoted("/tmp/a b/list"), "\"/tmp/a b/list\"");
    EXPECT_EQ(quoted("say \"hi\" \\ bye"), "\"say \\\"hi\\\" \\\\ bye\"");
    EXPECT_EQ(quoted("a\nb\tc\rd"), "\"a\\nb\\tc\\rd\"");
    EXPECT_EQ(quoted(std::string("x\x01y\x7f", 4)), "\"x\\x01y\\x7F\"");
    // A closing parenthesis or a semicolon inside a string is just text.
    EXPECT_EQ(quoted("K-Means(10, 3); AiNet"), "\"K-Means(10, 3); AiNet\"");
    // Multi-byte UTF-8 passes unchanged.
    EXPECT_EQ(quoted("/tmp/\xc3\xa9t\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x98\x80"),
              "\"/tmp/\xc3\xa9t\xc3\xa9/\xe2\x82\xac/\xf0\x9f\x98\x80\"");
}

TEST(ScriptFuString, RefusesTextThatIsNotUtf8) {
    for (const std::string& bad : {std::string("/tmp/\xe9t\xe9"), std::string("\xc3"), std::string("\xc0\xaf"),
                                  std::string("\xed\xa0\x80"), std::string("\xf4\x90\x80\x80")}) {
        std::string literal = "unchanged", error;
        EXPECT_FALSE(script_fu_string(bad, &literal, &error));
        EXPECT_EQ(literal, "unchanged");
        EXPECT_NE(error.find("is not valid UTF-8"), std::string::npos) << error;
    }
}

TEST(ConsoleLines, TellProgressFromSkipsAndChatter) {
    const std::string prefix = "strandel-benchmark";
    EXPECT_EQ(classify_console_line("strandel-benchmark: 3/6 /a b/x.png 0.52 s", prefix),
              console_line_kind::progress);
    EXPECT_EQ(classify_console_line("strandel-benchmark: 12/120 x.png 1.00 s (skipped)", prefix),
              console_line_kind::progress);
    EXPECT_EQ(classify_console_line("strandel: skipping 'x.png': GIMP could not load it", prefix),
              console_line_kind::skip_notice);
    for (const char* other : {"strandel-benchmark: 6 images in 3.2 s", "strandel-benchmark: /6 x", "strandel-benchmark: 3/ x",
                              "strandel-benchmark: 3/6", "Got /tmp/x.png", "strandel-benchmark-floor: 2/3 x",
                              "batch command executed successfully"})
        EXPECT_EQ(classify_console_line(other, prefix), console_line_kind::other) << other;
}

// What gimp-console 2.10 prints, captured from real runs.
TEST(ConsoleVerdict, SuccessNeedsTheConsolesWordAndNoFailure) {
    const console_verdict ok = read_console_verdict(
        "Failed to parse tag cache: No such file or directory\nGot /x/cells.png\nbatch command executed successfully\n");
    EXPECT_TRUE(ok.succeeded);
    EXPECT_EQ(ok.message, "");

    const console_verdict silent = read_console_verdict("Failed to parse tag cache: No such file or directory\n");
    EXPECT_FALSE(silent.succeeded);
    EXPECT_EQ(silent.message, "");
}

TEST(ConsoleVerdict, FailuresGiveScriptFusMessageWithoutItsPreamble) {
    const console_verdict execution = read_console_verdict(
        "GIMP-Error: Calling error for procedure 'plug-in-strandel-benchmark':\n"
        "Could not open '/nope.list': No such file or directory\n\n"
        "batch command experienced an execution error:\n"
        "Error: Procedure execution of plug-in-strandel-benchmark failed: Could not open '/nope.list': No such "
        "file or directory \n\n");
    EXPECT_FALSE(execution.succeeded);
    EXPECT_EQ(execution.message, "Could not open '/nope.list': No such file or directory");

    const console_verdict calling = read_console_verdict(
        "batch command experienced an execution error:\n"
        "Error: Procedure execution of plug-in-strandel-benchmark failed on invalid input arguments: run-mode 0: "
        "plug-in-strandel-benchmark runs only non-interactively (RUN-NONINTERACTIVE) \n\n"
        "batch command executed successfully\n");
    EXPECT_FALSE(calling.succeeded);  // a later success does not undo a failure
    EXPECT_EQ(calling.message, "run-mode 0: plug-in-strandel-benchmark runs only non-interactively (RUN-NONINTERACTIVE)");

    const console_verdict unbound = read_console_verdict(
        "batch command experienced an execution error:\nError: eval: unbound variable: plug-in-strandel-benchmark \n");
    EXPECT_EQ(unbound.message, "eval: unbound variable: plug-in-strandel-benchmark");

    const console_verdict bare = read_console_verdict("batch command experienced an execution error\n");
    EXPECT_FALSE(bare.succeeded);
    EXPECT_EQ(bare.message, "the batch command failed without a message");
}

// What gimp-console 3.0 prints (--quit stops at the failing command, which
// it names after Script-Fu's report), captured from a real run.
TEST(ConsoleVerdict, ReadsGimp3sOutputToo) {
    const console_verdict failed = read_console_verdict(
        "GIMP-Warning: Welcome to GIMP 3.0.4!\n\n"
        "GIMP-Error: Calling error for procedure 'plug-in-strandel-benchmark':\n"
        "chain 'K-Means(1000)': K-Means: expected 2 parameter(s) (Number Of Passes, Number Of Classes), got 1\n\n"
        "batch command experienced an execution error:\n"
        "Error: Procedure execution of plug-in-strandel-benchmark failed on invalid input arguments: chain "
        "'K-Means(1000)': K-Means: expected 2 parameter(s) (Number Of Passes, Number Of Classes), got 1 \n"
        "Stopping at failing batch command [0]: (plug-in-strandel-benchmark #:run-mode RUN-NONINTERACTIVE)\n");
    EXPECT_FALSE(failed.succeeded);
    EXPECT_EQ(failed.message,
              "chain 'K-Means(1000)': K-Means: expected 2 parameter(s) (Number Of Passes, Number Of Classes), got 1");

    const console_verdict ok =
        read_console_verdict("GIMP-Warning: Welcome to GIMP 3.0.4!\n\nbatch command executed successfully\n");
    EXPECT_TRUE(ok.succeeded);
}

TEST(ScriptFuCall, PositionalForGimp2NamedForGimp3) {
    const std::vector<std::pair<const char*, std::string>> arguments = {
        {"run-mode", "RUN-NONINTERACTIVE"}, {"chain", "\"K-Means\""}, {"seed", "-1"}};
    EXPECT_EQ(script_fu_call(2, "plug-in-strandel-benchmark", arguments),
              "(plug-in-strandel-benchmark RUN-NONINTERACTIVE \"K-Means\" -1)");
    EXPECT_EQ(script_fu_call(3, "plug-in-strandel-benchmark", arguments),
              "(plug-in-strandel-benchmark #:run-mode RUN-NONINTERACTIVE #:chain \"K-Means\" #:seed -1)");
}

}  // namespace
}  // namespace strandel
