// SPDX-License-Identifier: GPL-3.0-or-later
// Reading results tables and arranging their rows by chain and image.
#include <gtest/gtest.h>

#include <cmath>

#include "batch/table_writer.h"
#include "report_page/comparison.h"
#include "report_page/csv.h"
#include "report_page/results_table.h"

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
    // Only the Jaccard index may be empty.
    EXPECT_EQ(parse_error(header + "\nK-Means,0,a.png,,3,1,0.1,1,2,,4,\n"),
              "t.csv:2: amrane \"\" is not a decimal, inf, -inf or nan");
    EXPECT_EQ(parse_error(header + "\n,0,a.png,,3,1,0.1,1,2,3,4,\n"), "t.csv:2: empty chain");
    EXPECT_EQ(parse_error(header + "\n\"K-Means,0\n"), "t.csv:2: quoted field never closed");
}

TEST(ReportPageTable, UnreadableFileNamesIt) {
    std::vector<result_row> rows;
    std::string error;
    EXPECT_FALSE(read_results_table("/nonexistent/r.csv", &rows, &error));
    EXPECT_EQ(error, "/nonexistent/r.csv: cannot open: No such file or directory");
    EXPECT_FALSE(read_results_table("/", &rows, &error));
    EXPECT_EQ(error, "/: cannot read: Is a directory");
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
    EXPECT_EQ(c.images[0].row_of_chain, (std::vector<int>{2, 3}));
    EXPECT_EQ(c.images[1].row_of_chain, (std::vector<int>{0, -1}));  // b.png has no F row
    EXPECT_EQ(c.row(1, 1), nullptr);
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
