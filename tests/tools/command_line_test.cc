// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tools/bench_options.h"
#include "tools/report_options.h"

namespace strandel {
namespace {

const std::vector<option_spec> specs = {{"-h,--help", false}, {"--flag", false}, {"--chain"}, {"--chains"},
                                        {"--out"}};

struct reading {
    bool ok;
    command_line line;
    command_line_error error;
};

reading read(std::vector<const char*> args) {
    args.insert(args.begin(), "tool");
    reading r;
    r.ok = read_command_line(static_cast<int>(args.size()), args.data(), specs, &r.line, &r.error);
    return r;
}

std::string uses(const command_line& line) {
    std::string text;
    for (const option_use& use : line.options) text += use.name + "=" + use.value + ";";
    return text;
}

std::string config_file(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << text;
    return path;
}

TEST(CommandLine, OptionsKeepTheirOrderAndOperandsTheirs) {
    const reading r = read({"--chain", "a", "x", "--chains", "f", "--chain=b", "-", "--flag", "--", "--odd", "-h"});
    ASSERT_TRUE(r.ok) << r.error.text;
    EXPECT_EQ(uses(r.line), "--chain=a;--chains=f;--chain=b;--flag=;");
    EXPECT_EQ(r.line.operands, (std::vector<std::string>{"x", "-", "--odd", "-h"}));
}

TEST(CommandLine, ValuesAreTakenAsTheyCome) {
    // The next argument is the value whatever it looks like; `--name=` is
    // an empty value, not a request for the next argument.
    reading r = read({"--chain", "-3", "--out", "--flag", "--chain=", "y", "--chains", "--"});
    ASSERT_TRUE(r.ok) << r.error.text;
    EXPECT_EQ(uses(r.line), "--chain=-3;--out=--flag;--chain=;--chains=--;");
    EXPECT_EQ(r.line.operands, std::vector<std::string>{"y"});
    r = read({"--chain", ""});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(uses(r.line), "--chain=;");
}

TEST(CommandLine, FaultsNameTheArgument) {
    const struct {
        std::vector<const char*> args;
        command_line_fault fault;
        std::string text;
    } cases[] = {
        {{"a", "-x"}, command_line_fault::unknown_option, "-x"},
        {{"--frob=3", "a"}, command_line_fault::unknown_option, "--frob=3"},
        {{"a", "--out"}, command_line_fault::missing_value, "--out"},
        {{"--flag=yes"}, command_line_fault::value_to_flag, "--flag"},
        {{"--help=no"}, command_line_fault::value_to_flag, "--help"},
    };
    for (const auto& c : cases) {
        const reading r = read(c.args);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.error.fault, c.fault) << c.text;
        EXPECT_EQ(r.error.text, c.text);
    }
}

TEST(CommandLine, ConfigFileGivesWhatTheCommandLineDoesNot) {
    const std::string file = config_file("run.toml",
                                         "# a run\nchain = [\"AiNet\", \"K-Means(10, 3)\"]\nout = \"r {n}.txt\"\n"
                                         "flag = true\n");
    reading r = read({"--config", file.c_str(), "x"});
    ASSERT_TRUE(r.ok) << r.error.text;
    // The file's options come in the tool's order, whatever the file's.
    EXPECT_EQ(uses(r.line), "--flag=;--chain=AiNet;--chain=K-Means(10, 3);--out=r {n}.txt;");
    EXPECT_EQ(r.line.operands, std::vector<std::string>{"x"});

    // The command line's --chain replaces the file's chains; a flag set
    // false in the file is not given.
    const std::string off = config_file("off.toml", "chain = \"AiNet\"\nflag = false\n");
    r = read({"--chain", "K-Means", ("--config=" + off).c_str()});
    ASSERT_TRUE(r.ok) << r.error.text;
    EXPECT_EQ(uses(r.line), "--chain=K-Means;");
}

TEST(CommandLine, ConfigFileFaultsNameTheFile) {
    const std::string typo = config_file("typo.toml", "out = \"r.txt\"\nchian = \"AiNet\"\n");
    const std::string folder = ::testing::TempDir();
    const struct {
        std::string file, message;
    } cases[] = {
        {typo, "--config '" + typo + "': 'chian' is not an option"},
        {"/nonexistent/run.toml", "--config '/nonexistent/run.toml': No such file or directory"},
        {folder, "--config '" + folder + "': not a regular file"},
    };
    for (const auto& c : cases) {
        const reading r = read({"--config", c.file.c_str()});
        EXPECT_FALSE(r.ok) << c.file;
        EXPECT_EQ(r.error.fault, command_line_fault::config_file);
        EXPECT_EQ(r.error.text, c.message);
    }
    const reading r = read({"--config"});
    EXPECT_EQ(r.error.fault, command_line_fault::missing_value);
    EXPECT_EQ(r.error.text, "--config");
}

TEST(CommandLine, ToolsReadAWholeRunFromAConfigFile) {
    const std::string file = config_file("bench.toml",
                                         "chain = [\"AiNet\", \"K-Means\"]\nseed-each = 3\nlist = \"b.list\"\n"
                                         "out = \"r-{n}.txt\"\nrequire-ground-truth = true\njobs = 2\n");
    std::vector<const char*> args = {"strandel-bench", "--config", file.c_str(), "--jobs", "4"};
    bench_options o;
    std::string error;
    ASSERT_TRUE(parse_bench_options(static_cast<int>(args.size()), args.data(), &o, &error)) << error;
    ASSERT_EQ(o.chains.size(), 2u);
    EXPECT_EQ(o.chains[1].text, "K-Means");
    EXPECT_TRUE(o.run.seeded_each);
    EXPECT_EQ(o.run.seed_each, 3u);
    EXPECT_EQ(o.run.list_file, "b.list");
    EXPECT_TRUE(o.run.require_ground_truth);
    EXPECT_EQ(o.run.jobs, 4);

    // Values from the file are checked as the command line's are.
    const std::string bad = config_file("bad.toml", "jobs = 0\n");
    args = {"strandel-bench", "--config", bad.c_str(), "a.png", "--out", "r"};
    EXPECT_FALSE(parse_bench_options(static_cast<int>(args.size()), args.data(), &o, &error));
    EXPECT_EQ(error, "--jobs '0' is not a whole number from 1 to 256");

    const std::string page = config_file("report.toml", "html = \"page.html\"\n");
    args = {"strandel-report", "t.csv", "--config", page.c_str()};
    report_options r;
    ASSERT_TRUE(parse_report_options(static_cast<int>(args.size()), args.data(), &r, &error)) << error;
    EXPECT_EQ(r.html, "page.html");
    EXPECT_EQ(r.tables, std::vector<std::string>{"t.csv"});
}

}  // namespace
}  // namespace strandel
