// SPDX-License-Identifier: GPL-3.0-or-later
// Reading results tables and arranging their rows by chain and image.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "batch/table_writer.h"
#include "report_page/comparison.h"
#include "report_page/csv.h"
#include "report_page/ranks.h"
#include "report_page/results_table.h"
#include "report_page/table_paths.h"
#include "report_page/text_summary.h"

namespace strandel {
namespace {

const std::string header = "chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard";

std::vector<result_row> parse_ok(const std::string& text) {
    std::vector<result_row> rows;
    std::string error;
    EXPECT_TRUE(parse_results_table(text, "t.csv", &rows, &error)) << error;
    return rows;
}

std::string parse_error(const std::string& text) {
    std::vector<result_row> rows;
    std::string error;
    EXPECT_FALSE(parse_results_table(text, "t.csv", &rows, &error));
    return error;
}

TEST(ReportPageCsv, QuotedFieldsHoldCommasQuotesAndLineEnds) {
    std::vector<csv_record> records;
    std::string error;
    ASSERT_TRUE(split_csv("a,\"b,c\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",,x\n\nlast", &records, &error)) << error;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"a", "b,c", "say \"hi\""}));
    EXPECT_EQ(records[1].fields, (std::vector<std::string>{"two\nlines", "", "x"}));
    EXPECT_EQ(records[1].line, 2);
    EXPECT_EQ(records[2].line, 5);  // after the quoted line end and a blank line
    EXPECT_EQ(records[2].fields, (std::vector<std::string>{"last"}));
    // A lone CR is no line end.
    ASSERT_TRUE(split_csv("a\rb,c", &records, &error));
    EXPECT_EQ(records[0].fields, (std::vector<std::string>{"a\rb", "c"}));
}

TEST(ReportPageCsv, BrokenQuotingIsRefusedWithItsLine) {
    std::vector<csv_record> records;
    std::string error;
    EXPECT_FALSE(split_csv("a,b\nc,\"open\nstill open", &records, &error));
    EXPECT_EQ(error, "line 2: quoted field never closed");
    EXPECT_FALSE(split_csv("a\nb,\"x\"y", &records, &error));
    EXPECT_EQ(error, "line 2: unexpected character after a closing quote");
    EXPECT_FALSE(split_csv("a\"b", &records, &error));
    EXPECT_EQ(error, "line 1: quote inside an unquoted field");
}

TEST(ReportPageTable, ReadsEveryColumnOfAwkwardRows) {
    const std::string text = "\xEF\xBB\xBF" + header + "\r\n" +
                             "\"AiNet; K-Means(10, 4)\",0,img/a b.png,img/a b_seg.png,2,12.5 200,0.25,"
                             "1.5,inf,-inf,nan,0.75\r\n"
                             "\"say \"\"<&>\"\",\nnext\",7,\"c,d.png\",,1,90,1e-3,-2,0,3,4,\r\n";
    const std::vector<result_row> rows = parse_ok(text);
    ASSERT_EQ(rows.size(), 2u);
    const result_row& a = rows[0];
    EXPECT_EQ(a.chain, "AiNet; K-Means(10, 4)");
    EXPECT_EQ(a.image, "img/a b.png");
    EXPECT_EQ(a.manual_segmentation, "img/a b_seg.png");
    EXPECT_EQ(a.classes, 2);
    EXPECT_EQ(a.centres, (std::vector<double>{12.5, 200}));
    EXPECT_EQ(a.seconds, 0.25);
    EXPECT_EQ(*a.values[turi], 1.5);
    EXPECT_EQ(*a.values[dunn], INFINITY);
    EXPECT_EQ(*a.values[amrane], -INFINITY);
    EXPECT_TRUE(std::isnan(*a.values[liu_yang]));
    EXPECT_EQ(*a.values[jaccard], 0.75);
    EXPECT_EQ(a.line, 2);

    const result_row& b = rows[1];
    EXPECT_EQ(b.chain, "say \"<&>\",\nnext");
    EXPECT_EQ(b.position, 7);
    EXPECT_EQ(b.image, "c,d.png");
    EXPECT_EQ(b.manual_segmentation, "");
    EXPECT_EQ(b.seconds, 0.001);
    EXPECT_FALSE(b.values[jaccard].has_value());
    EXPECT_EQ(b.line, 3);
    EXPECT_EQ(b.table, "t.csv");
}

TEST(ReportPageTable, ReadsBackWhatTheRunnerWritesWhateverTheNames) {
    // Any byte but NUL can be in a file name; the chain is the user's text.
    const std::vector<std::string> names = {"plain.png", "it's \"quoted\".png", "a,b.png", "two\nlines.png",
                                            "cr\r\nlf.png", "\"", "lone\rcr.png", "<&>.png"};
    image_rating rating;
    rating.centres = {0.1, 1e-300, 255};
    rating.seconds = 1.0 / 3;
    rating.values = {INFINITY, -INFINITY, NAN, 2.0 / 3};
    std::string text = table_header();
    for (std::size_t i = 0; i < names.size(); ++i) {
        rating.has_jaccard = i % 2;
        rating.jaccard = 0.1 + 0.2;
        text += table_row("K-Means; \"x\", y", i, {names[i], names[i] + "_seg"}, rating);
    }
    const std::vector<result_row> rows = parse_ok(text);
    ASSERT_EQ(rows.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const result_row& r = rows[i];
        EXPECT_EQ(r.chain, "K-Means; \"x\", y");
        EXPECT_EQ(r.position, static_cast<int>(i));
        EXPECT_EQ(r.image, names[i]);
        EXPECT_EQ(r.manual_segmentation, i % 2 ? names[i] + "_seg" : "");
        EXPECT_EQ(r.classes, 3);
        EXPECT_EQ(r.centres, rating.centres);
        EXPECT_EQ(r.seconds, rating.seconds);
        EXPECT_EQ(r.values[turi], INFINITY);
        EXPECT_EQ(r.values[dunn], -INFINITY);
        EXPECT_TRUE(std::isnan(*r.values[amrane]));
        EXPECT_EQ(r.values[liu_yang], 2.0 / 3);
        EXPECT_EQ(r.values[jaccard], i % 2 ? std::optional<double>(0.1 + 0.2) : std::nullopt);
    }
    // pandas and R read "nan", never "-nan".
    EXPECT_EQ(shortest_decimal(-NAN), "nan");
}

TEST(ReportPageTable, MalformedTablesNameTheLineAndTheProblem) {
    const std::string row = "K-Means,0,a.png,,3,1 2 3,0.1,1,2,3,4,";
    EXPECT_EQ(parse_error(""), "t.csv:1: empty file, expected the header row");
    EXPECT_EQ(parse_error("chain,position\n").rfind("t.csv:1: unexpected header, expected chain,position,image,", 0), 0u);
    EXPECT_EQ(parse_error(header + "\n" + row + "\nK-Means,1,b.png\n"), "t.csv:3: 3 fields, expected 12");
    EXPECT_EQ(parse_error(header + "\nK-Means,-1,a.png,,3,1,0.1,1,2,3,4,\n"),
              "t.csv:2: position \"-1\" is not a whole number from 0");
    EXPECT_EQ(parse_error(header + "\nK-Means,0,a.png,,3,1 x,0.1,1,2,3,4,\n"), "t.csv:2: centre \"x\" is not a decimal");
    EXPECT_EQ(parse_error(header + "\nK-Means,0,a.png,,3,1,0.1,1, 2,3,4,\n"),
              "t.csv:2: dunn \" 2\" is not a decimal, inf, -inf or nan");
    // Only the Jaccard index may be empty, or the four indices together (a
    // scored method whose labels classify no gray levels).
    EXPECT_EQ(parse_error(header + "\nK-Means,0,a.png,,3,1,0.1,1,2,,4,\n"),
              "t.csv:2: amrane \"\" is not a decimal, inf, -inf or nan");
    std::vector<result_row> rows;
    std::string error;
    EXPECT_TRUE(parse_results_table(header + "\nunet,0,a.png,,3,1,0,,,,,0.5\n", "t.csv", &rows, &error)) << error;
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].values[0].has_value());
    EXPECT_EQ(rows[0].values[jaccard], 0.5);
    EXPECT_EQ(parse_error(header + "\n,0,a.png,,3,1,0.1,1,2,3,4,\n"), "t.csv:2: empty chain");
    EXPECT_EQ(parse_error(header + "\n\"K-Means,0\n"), "t.csv:2: quoted field never closed");
}

TEST(ReportPageTable, UnreadableFileNamesIt) {
    std::vector<result_row> rows;
    std::string error;
    EXPECT_FALSE(read_results_table("/nonexistent/r.csv", &rows, &error));
    EXPECT_EQ(error, "/nonexistent/r.csv: cannot open: No such file or directory");
    EXPECT_FALSE(read_results_table("/", &rows, &error));
    EXPECT_EQ(error, "/: it is a directory, not a regular file");
    // Devices and FIFOs are never read: /dev/zero would fill the memory,
    // a FIFO nobody writes would wait for ever.
    EXPECT_FALSE(read_results_table("/dev/zero", &rows, &error));
    EXPECT_EQ(error, "/dev/zero: it is a device, not a regular file");
    char folder[] = "/tmp/results_table_test.XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    const std::string fifo = std::string(folder) + "/t.csv";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(read_results_table(fifo, &rows, &error));
    EXPECT_EQ(error, fifo + ": it is a FIFO (named pipe), not a regular file");
    unlink(fifo.c_str());
    rmdir(folder);
}

TEST(ReportPageTable, LinesAndRowsAreBounded) {
    // One line of 2 MiB without a line end, as /dev/zero copied to a file.
    const std::string endless(2 << 20, 'x');
    EXPECT_EQ(parse_error(endless), "t.csv:1: line longer than 1048576 bytes");
    EXPECT_EQ(parse_error(header + "\n" + endless), "t.csv:2: line longer than 1048576 bytes");
    // A quoted field never closed, over many short lines.
    std::string open_field = header + "\n\"";
    while (open_field.size() < (3u << 20) / 2) open_field += "abcdefgh\n";
    EXPECT_EQ(parse_error(open_field), "t.csv:2: a quoted field is not closed within 1048576 bytes");
}

TEST(ReportPageTable, ALastRowWithoutLineEndIsRefusedNotRounded) {
    // The writer was killed inside 0.8466557911908646: the value read
    // would be another one.
    const std::string cut = header + "\r\nK-Means,0,a.png,,2,1 2,0.1,1,2,3,4,0.84";
    EXPECT_EQ(parse_error(cut),
              "t.csv:2: the last row has no line end: the file is cut short (was its writer interrupted?)");
    EXPECT_EQ(parse_error(header).rfind("t.csv:1: the last row has no line end", 0), 0u);
    EXPECT_EQ(parse_ok(cut + "66557911908646\r\n").size(), 1u);
}

TEST(ReportPageTable, ColumnsAreFoundByTheirTitlesAndStatusSaysWhatWasSkipped) {
    // Columns in another order, one the reader does not know, and status.
    const std::string text =
        "image,chain,position,new_measure,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,"
        "jaccard,status\r\n"
        "a.png,K,0,7,,2,1 2,0.5,1,2,3,4,,ok\r\n"
        "b.png,K,1,,,,,,,,,,,\"skipped: it is a directory, not an image file\"\r\n";
    const std::vector<result_row> rows = parse_ok(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].image, "a.png");
    EXPECT_EQ(rows[0].chain, "K");
    EXPECT_EQ(*rows[0].values[liu_yang], 4);
    EXPECT_FALSE(rows[0].skipped);
    EXPECT_TRUE(rows[1].skipped);
    EXPECT_EQ(rows[1].skip_reason, "it is a directory, not an image file");
    EXPECT_EQ(rows[1].position, 1);
    EXPECT_EQ(parse_error(header + ",status\nK,0,a.png,,2,1,0.1,1,2,3,4,,maybe\n"),
              "t.csv:2: status \"maybe\" is neither \"ok\" nor \"skipped: REASON\"");
    EXPECT_NE(parse_error("chain,position,image\n").find(": no column \"manual_segmentation\""), std::string::npos);
    EXPECT_NE(parse_error(header + ",turi\n").find(": column \"turi\" appears twice"), std::string::npos);
}

TEST(ReportPageTable, MessagesQuoteFieldsSafely) {
    const std::string error = parse_error(header + "\nK,0,a.png,,2,1,0.1,\x1b[31mred,2,3,4,\n");
    EXPECT_EQ(error, "t.csv:2: turi \"\\x1B[31mred\" is not a decimal, inf, -inf or nan");
}

result_row row(const std::string& chain, const std::string& image, int position, const std::string& table = "a.csv",
               int line = 2) {
    result_row r;
    r.chain = chain;
    r.image = image;
    r.position = position;
    r.table = table;
    r.line = line;
    return r;
}

TEST(ReportPageComparison, ChainsNumberedByFirstAppearanceImagesByPosition) {
    // A shard of positions 1 and 3, then one of 0 and 2; the second chain
    // first appears in the second table.
    std::vector<result_row> rows = {row("K", "b.png", 1), row("K", "d.png", 3), row("K", "a.png", 0),
                                    row("F", "a.png", 0), row("K", "c.png", 2), row("F", "c.png", 2)};
    comparison c;
    std::string error;
    ASSERT_TRUE(arrange(rows, &c, &error)) << error;
    EXPECT_EQ(c.chains, (std::vector<std::string>{"K", "F"}));
    ASSERT_EQ(c.images.size(), 4u);
    EXPECT_EQ(c.images[0].image, "a.png");
    EXPECT_EQ(c.images[3].image, "d.png");
    ASSERT_EQ(c.images[0].rows.size(), 2u);
    EXPECT_EQ(c.row(0, 0)->table, "a.csv");
    EXPECT_EQ(c.row(0, 1)->chain, "F");
    EXPECT_EQ(c.images[1].rows.size(), 1u);  // b.png has no F row
    EXPECT_EQ(c.row(1, 1), nullptr);
    EXPECT_EQ(c.chain_images[1].size(), 2u);  // F: a.png and c.png
    EXPECT_EQ(c.common_images(), 2);
}

TEST(ReportPageComparison, ARowIsItsChainAndPositionAndAnImageAppearsOncePerChain) {
    comparison c;
    std::string error;
    // One position of one chain given twice, for two images.
    EXPECT_FALSE(arrange({row("K", "a.png", 3, "one.csv", 2), row("K", "b.png", 3, "two.csv", 7)}, &c, &error));
    EXPECT_EQ(error, "two.csv:7: chain 1 already has a row for position 3 at one.csv:2");
    // One image under two spellings: once resolved they are one.
    result_row relative = row("K", "img/a.png", 0, "one.csv", 2), absolute = row("K", "/data/img/a.png", 1, "two.csv", 4);
    relative.image_path = absolute.image_path = "/data/img/a.png";
    EXPECT_FALSE(arrange({relative, absolute}, &c, &error));
    EXPECT_EQ(error, "two.csv:4: chain 1 already has a row for image \"/data/img/a.png\" at one.csv:2");
    // Other chains may rate it, and match it across tables by that path.
    absolute.chain = "F";
    ASSERT_TRUE(arrange({relative, absolute}, &c, &error)) << error;
    EXPECT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.common_images(), 1);
    EXPECT_FALSE(arrange({row("", "a.png", 0, "one.csv", 9)}, &c, &error));
    EXPECT_EQ(error, "one.csv:9: empty chain");
}

TEST(ReportPageComparison, SkippedImagesAreListedNotRated) {
    result_row skipped = row("K", "b.png", 1, "one.csv", 3);
    skipped.skipped = true;
    skipped.skip_reason = "it is a FIFO (named pipe), not an image file";
    result_row both = row("F", "b.png", 1, "two.csv", 3);
    both.skipped = true;
    both.skip_reason = skipped.skip_reason;
    result_row rated = row("K", "a.png", 0, "one.csv", 2);
    rated.values[turi] = 2.0;
    comparison c;
    std::string error;
    ASSERT_TRUE(arrange({rated, skipped, both}, &c, &error)) << error;
    EXPECT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.rows.size(), 1u);
    ASSERT_EQ(c.skipped.size(), 1u);
    EXPECT_EQ(c.skipped[0].chains, (std::vector<int>{0, 1}));
    EXPECT_EQ(c.skipped_images(), 1);
    EXPECT_EQ(c.values(0, turi), (std::vector<double>{2.0}));
    EXPECT_TRUE(c.values(1, turi).empty());
    // A skipped row still holds its position.
    result_row again = row("K", "c.png", 1, "three.csv", 5);
    EXPECT_FALSE(arrange({rated, skipped, again}, &c, &error));
    EXPECT_EQ(error, "three.csv:5: chain 1 already has a row for position 1 at one.csv:3");
}

TEST(ReportPageComparison, PathsAreTakenBesideTheTableThenFromTheCurrentFolder) {
    char made[] = "/tmp/table_paths_test.XXXXXX";
    ASSERT_TRUE(mkdtemp(made));
    const std::string folder = made;
    std::filesystem::create_directories(folder + "/run/img");
    std::filesystem::create_directories(folder + "/old");
    std::ofstream(folder + "/run/img/a.png") << "x";
    std::ofstream(folder + "/old/b.png") << "x";
    const std::string cwd = std::filesystem::current_path().string();
    std::filesystem::current_path(folder);
    std::vector<result_row> rows = {row("K", "img/a.png", 0), row("K", "old/b.png", 1), row("K", "gone.png", 2)};
    rows[0].manual_segmentation = "img/./../img/a.png";
    const std::string note = resolve_paths(rows, "run/t.csv");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(rows[0].image_path, folder + "/run/img/a.png");
    EXPECT_EQ(rows[0].manual_path, folder + "/run/img/a.png");
    EXPECT_EQ(rows[1].image_path, folder + "/old/b.png");  // an older table's path, from where it ran
    EXPECT_EQ(rows[2].image_path, folder + "/run/gone.png");
    EXPECT_EQ(note, "run/t.csv: 1 relative path name nothing beside the table but do from the current folder (a "
                    "table of an older strandel-bench?): taken from the current folder");
    EXPECT_EQ(normalised_absolute("/a/b/../c/./d/"), "/a/c/d");
    std::filesystem::remove_all(folder);
}

TEST(ReportPageComparison, TextSummaryCountsSkippedImagesAndEscapesTableText) {
    result_row rated = row("K\x1b]0;owned\x07", "a.png", 0);
    for (auto& v : rated.values) v = 1.0;
    result_row skipped = row("K\x1b]0;owned\x07", "b\x1b[2Jx.png", 1);
    skipped.skipped = true;
    skipped.skip_reason = "cannot read \xC2\x9B" "1m";
    comparison c;
    std::string error;
    ASSERT_TRUE(arrange({rated, skipped}, &c, &error)) << error;
    const std::string text = text_summary(c, mean_ranks(c));
    EXPECT_EQ(text.rfind("1 chain, 1 image read, 1 skipped\n", 0), 0u) << text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find("\xC2\x9B"), std::string::npos) << text;
    EXPECT_NE(text.find("K\\x1B]0;owned\\x07"), std::string::npos) << text;
    EXPECT_NE(text.find("b\\x1B[2Jx.png"), std::string::npos) << text;
    EXPECT_NE(text.find("cannot read \\xC2\\x9B1m"), std::string::npos) << text;
}

TEST(ReportPageComparison, TwoRowsForOneChainAndImageAreRefused) {
    std::vector<result_row> rows = {row("K", "a.png", 0, "one.csv", 2), row("K", "a.png", 0, "two.csv", 5)};
    comparison c;
    std::string error;
    EXPECT_FALSE(arrange(rows, &c, &error));
    EXPECT_EQ(error, "two.csv:5: chain 1 already has a row for image \"a.png\" at one.csv:2");
}

}  // namespace
}  // namespace strandel
