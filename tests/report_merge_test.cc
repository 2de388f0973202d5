// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/report_merge.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/text_lines.h"


namespace strandel {
namespace {

const std::string header =
    "\n\nAlgorithm: K-Means \nImage\tNumber of classes\tExecuction Time\tDunn Index\tJaccard Distance (Supervised) \n";

TEST(ReportMerge, TheLastRunOfAFileIsRead) {
    const std::string older = "\n\nAlgorithm: AiNet \nImage\tNumber of classes\tExecuction Time\n0\t2\t0.10\n";
    report_run run;
    std::string error;
    ASSERT_TRUE(parse_last_run(older + header + "3\t3\t0.00\t1.50\n12\t2\t0.01\tinf\t0.75\n", "a", &run, &error))
        << error;
    EXPECT_EQ(run.header, header);
    ASSERT_EQ(run.lines.size(), 2u);
    EXPECT_EQ(run.lines[0], std::make_pair(3, std::string("3\t3\t0.00\t1.50\n")));
    EXPECT_EQ(run.lines[1].first, 12);

    ASSERT_TRUE(parse_last_run(header, "a", &run, &error));  // a shard with no image
    EXPECT_TRUE(run.lines.empty());

    // An earlier run's end mark says nothing of the last run, which may be cut.
    ASSERT_TRUE(parse_last_run(header + "0\t2\n" + shard_end_line(1, 2) + header + "3\t2\n", "a", &run, &error))
        << error;
    EXPECT_FALSE(run.mark.complete);
    ASSERT_TRUE(parse_last_run(header + "3\t2\n" + shard_end_line(1, 2), "a", &run, &error)) << error;
    EXPECT_TRUE(run.mark.complete && run.mark.index == 1 && run.mark.count == 2);
}

TEST(ReportMerge, DamagedReportsAreRefusedNamingFileAndLine) {
    report_run run;
    std::string error;
    EXPECT_FALSE(parse_last_run("0\t3\t0.00\n", "shard0.txt", &run, &error));
    EXPECT_NE(error.find("'shard0.txt' holds no report"), std::string::npos) << error;
    EXPECT_FALSE(parse_last_run("\n\nAlgorithm: K-Means \n", "s", &run, &error));
    EXPECT_NE(error.find("truncated report header"), std::string::npos) << error;
    EXPECT_FALSE(parse_last_run(header + "0\t3\t0.00\n1\t3\t0.0", "s", &run, &error));
    EXPECT_NE(error.find("'s' line 6 is cut short"), std::string::npos) << error;
    EXPECT_FALSE(parse_last_run(header + "zero\t3\t0.00\n", "s", &run, &error));
    EXPECT_NE(error.find("'s' line 5 is not a report line"), std::string::npos) << error;
}

TEST(ReportMerge, LinesComeOutInPositionOrderUnderOneHeader) {
    const std::vector<report_run> runs = {
        {header, {{1, "1\tb\n"}, {4, "4\te\n"}}},
        {header, {}},
        {header, {{0, "0\ta\n"}, {2, "2\tc\n"}, {10, "10\tf\n"}}},
    };
    std::string merged, error;
    ASSERT_TRUE(merge_runs(runs, {"s1", "s2", "s0"}, &merged, &error)) << error;
    EXPECT_EQ(merged, header + "0\ta\n1\tb\n2\tc\n4\te\n10\tf\n");
}

TEST(ReportMerge, ShardsOfDifferentRunsOrOverlappingShardsAreRefused) {
    std::string merged, error;
    report_run other{"\n\nAlgorithm: AiNet \nImage\tNumber of classes\tExecuction Time\n", {}};
    EXPECT_FALSE(merge_runs({{header, {}}, other}, {"s0", "s1"}, &merged, &error));
    EXPECT_NE(error.find("'s1' was written by another chain"), std::string::npos) << error;
    EXPECT_FALSE(merge_runs({{header, {{2, "2\tx\n"}}}, {header, {{2, "2\ty\n"}}}}, {"s0", "s1"}, &merged, &error));
    EXPECT_NE(error.find("position 2 appears in both 's0' and 's1'"), std::string::npos) << error;
    EXPECT_FALSE(merge_runs({}, {}, &merged, &error));
}

TEST(ReportMerge, OnlyTheLastRunIsCheckedAndLinesAreBounded) {
    report_run run;
    std::string error;
    // A damaged line in an earlier run does not matter: the last run is merged.
    ASSERT_TRUE(parse_last_run(header + "x\tbroken\n" + header + "1\t2\n", "s", &run, &error)) << error;
    EXPECT_EQ(run.lines.size(), 1u);
    // A run start needs the empty line after a line end before it.
    EXPECT_FALSE(parse_last_run("\nAlgorithm: K \nImage\tx\n", "s", &run, &error));
    EXPECT_NE(error.find("holds no report"), std::string::npos) << error;
    EXPECT_FALSE(parse_last_run(header + std::string(longest_text_line + 10, '7') + "\n", "s", &run, &error));
    EXPECT_EQ(error, "'s' line 5: line longer than 1048576 bytes");
}

TEST(ReportMerge, FilesAreRegularAndTheMergedReportIsNoShard) {
    char pattern[] = "/tmp/report_merge_test.XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string shard = dir + "/s0.txt", link = dir + "/link.txt", merged = dir + "/m.txt";
    std::ofstream(shard) << header << "0\ta\n";
    ASSERT_EQ(symlink("s0.txt", link.c_str()), 0);
    std::string error;
    EXPECT_FALSE(merge_report_files({shard}, link, &error));
    EXPECT_EQ(error, "the merged report '" + link + "' is the shard report '" + shard +
                         "': give the merged report another name");
    EXPECT_FALSE(merge_report_files({"/dev/zero"}, merged, &error));
    EXPECT_EQ(error, "Could not open '/dev/zero': it is a device, not a regular file");
    ASSERT_TRUE(merge_report_files({shard}, merged, &error)) << error;
    ASSERT_TRUE(merge_report_files({shard}, merged, &error)) << error;  // appended, as a run appends
    std::ifstream in(merged);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), header + "0\ta\n" + header + "0\ta\n");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace strandel
