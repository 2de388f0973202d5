// SPDX-License-Identifier: GPL-3.0-or-later
// Summary statistics and ranks of a small table worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <sstream>

#include "report_page/axis_ticks.h"
#include "report_page/box_plot.h"
#include "report_page/cd_diagram.h"
#include "report_page/method_tests.h"
#include "report_page/comparison.h"
#include "report_page/html_page.h"
#include "report_page/ranks.h"
#include "report_page/statistics.h"
#include "report_page/text_summary.h"

namespace strandel {
namespace {

// Three chains on four images; i0 and i1 have a manual segmentation.
//
//   turi   i0  i1   i2   i3      jaccard  i0   i1
//   A       1   2    3    4      A        0.5  0.8
//   B       2   2  inf    1      B        0.5  0.9
//   C       3 nan    3    0      C        0.7  0.6
//
// Turi summaries (mean and std over finite values, sample std; median,
// min and max over everything but nan):
//   A: mean 2.5, median 2.5, std sqrt((2.25+0.25+0.25+2.25)/3) = sqrt(5/3)
//      = 1.2909944, min 1, max 4
//   B: finite 2 2 1: mean 5/3, std sqrt((1/9+1/9+4/9)/2) = sqrt(1/3)
//      = 0.5773503; median of 1 2 2 inf = 2; min 1, max inf
//   C: finite 3 3 0: mean 2, std sqrt((1+1+4)/2) = sqrt(3); median of
//      0 3 3 = 3; min 0, max 3; one nan
// Turi ranks (highest first, ties share the mean rank, nan last):
//   i0: A 3, B 2, C 1     i1: A 1.5, B 1.5, C 3 (nan)
//   i2: B 1 (inf), A 2.5, C 2.5     i3: A 1, B 2, C 3
//   means: A 8/4 = 2, B 6.5/4 = 1.625, C 9.5/4 = 2.375 (they sum to 6)
// Jaccard ranks, over i0 and i1 only:
//   i0: C 1, A 2.5, B 2.5     i1: B 1, A 2, C 3
//   means: A 2.25, B 1.75, C 2
// Dunn, Amrane and Liu & Yang are 1 everywhere: all tied, rank 2.
std::vector<result_row> hand_checked_rows() {
    const double nan = NAN, inf = INFINITY;
    const double turi_values[3][4] = {{1, 2, 3, 4}, {2, 2, inf, 1}, {3, nan, 3, 0}};
    const double jaccard_values[3][2] = {{0.5, 0.8}, {0.5, 0.9}, {0.7, 0.6}};
    std::vector<result_row> rows;
    for (int i = 0; i < 4; ++i)
        for (int k = 0; k < 3; ++k) {
            result_row r;
            r.chain = std::string(1, static_cast<char>('A' + k));
            r.image = "i" + std::to_string(i);
            r.position = i;
            r.values[turi] = turi_values[k][i];
            r.values[dunn] = r.values[amrane] = r.values[liu_yang] = 1.0;
            if (i < 2) r.values[jaccard] = jaccard_values[k][i];
            rows.push_back(r);
        }
    return rows;
}

comparison arranged(const std::vector<result_row>& rows) {
    comparison c;
    std::string error;
    EXPECT_TRUE(arrange(rows, &c, &error)) << error;
    return c;
}

comparison hand_checked() { return arranged(hand_checked_rows()); }

TEST(ReportPageStatistics, SummariesOfTheHandCheckedTable) {
    const comparison c = hand_checked();
    const summary a = summarize(c.values(0, turi));
    EXPECT_EQ(a.count, 4);
    EXPECT_DOUBLE_EQ(a.mean, 2.5);
    EXPECT_DOUBLE_EQ(a.median, 2.5);
    EXPECT_NEAR(a.std_dev, 1.2909944, 1e-7);
    EXPECT_EQ(a.min, 1);
    EXPECT_EQ(a.max, 4);

    const summary b = summarize(c.values(1, turi));
    EXPECT_EQ(b.finite, 3);
    EXPECT_EQ(b.positive_infinite, 1);
    EXPECT_DOUBLE_EQ(b.mean, 5.0 / 3);
    EXPECT_NEAR(b.std_dev, 0.5773503, 1e-7);
    EXPECT_EQ(b.median, 2);
    EXPECT_EQ(b.max, INFINITY);

    const summary cc = summarize(c.values(2, turi));
    EXPECT_EQ(cc.count, 4);
    EXPECT_EQ(cc.nan, 1);
    EXPECT_DOUBLE_EQ(cc.mean, 2);
    EXPECT_NEAR(cc.std_dev, std::sqrt(3.0), 1e-12);
    EXPECT_EQ(cc.median, 3);
    EXPECT_EQ(cc.min, 0);

    // Jaccard only where there is a manual segmentation.
    EXPECT_EQ(summarize(c.values(2, jaccard)).count, 2);
    // Nothing to take a statistic over, and one value: no spread.
    const summary none = summarize({NAN});
    EXPECT_TRUE(std::isnan(none.mean) && std::isnan(none.median) && std::isnan(none.min));
    EXPECT_TRUE(std::isnan(summarize({4}).std_dev));
}

TEST(ReportPageRanks, MeanRanksOfTheHandCheckedTable) {
    const rank_summary r = mean_ranks(hand_checked());
    EXPECT_EQ(r.images[turi], 4);
    EXPECT_DOUBLE_EQ(r.mean_rank[0][turi], 2.0);
    EXPECT_DOUBLE_EQ(r.mean_rank[1][turi], 1.625);
    EXPECT_DOUBLE_EQ(r.mean_rank[2][turi], 2.375);
    EXPECT_EQ(r.images[jaccard], 2);
    EXPECT_DOUBLE_EQ(r.mean_rank[0][jaccard], 2.25);
    EXPECT_DOUBLE_EQ(r.mean_rank[1][jaccard], 1.75);
    EXPECT_DOUBLE_EQ(r.mean_rank[2][jaccard], 2.0);
    for (int k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(r.mean_rank[k][dunn], 2.0);
}

TEST(ReportPageRanks, OrderOfInfinitiesNanAndTies) {
    EXPECT_EQ(rank_values({NAN, -INFINITY, 5, 5, INFINITY}), (std::vector<double>{5, 4, 2.5, 2.5, 1}));
    EXPECT_EQ(rank_values({NAN, NAN, 0}), (std::vector<double>{2.5, 2.5, 1}));
    EXPECT_EQ(rank_values({7}), (std::vector<double>{1}));
}

TEST(ReportPageRanks, OnlyImagesEveryChainHasAreRanked) {
    std::vector<result_row> rows = hand_checked_rows();
    // Drop chain C's row for i0: its ranks there would not compare.
    rows.erase(rows.begin() + 2);
    const comparison c = arranged(rows);
    EXPECT_EQ(c.common_images(), 3);
    const rank_summary r = mean_ranks(c);
    EXPECT_EQ(r.images[turi], 3);
    EXPECT_DOUBLE_EQ(r.mean_rank[0][turi], 5.0 / 3);  // (1.5 + 2.5 + 1) / 3
    EXPECT_EQ(r.images[jaccard], 1);
    EXPECT_DOUBLE_EQ(r.mean_rank[2][jaccard], 3.0);
}

TEST(ReportPageStatistics, BoxOfValuesLeavesOutNonFiniteAndFindsOutliers) {
    // Quartiles of 1..8 and 40 (type 7): q1 = 3, median 5, q3 = 7, so the
    // whiskers reach 1 and 8 and 40 is an outlier.
    const box_summary b = box_of({4, 1, 40, 2, 3, 5, 6, 7, 8, INFINITY, NAN});
    EXPECT_EQ(b.plotted, 9);
    EXPECT_EQ(b.left_out, 2);
    EXPECT_EQ(b.q1, 3);
    EXPECT_EQ(b.median, 5);
    EXPECT_EQ(b.q3, 7);
    EXPECT_EQ(b.low_whisker, 1);
    EXPECT_EQ(b.high_whisker, 8);
    EXPECT_EQ(b.outliers, (std::vector<double>{40}));
    EXPECT_DOUBLE_EQ(quantile({1, 2, 3, 4}, 0.25), 1.75);
    // Between two equal infinities lies that infinity, not inf - inf.
    EXPECT_EQ(summarize({1, INFINITY, INFINITY}).median, INFINITY);
}

TEST(ReportPageStatistics, LowestJaccardIndicesFirst) {
    const comparison c = hand_checked();
    EXPECT_EQ(lowest_jaccard_images(c, 2, 5), (std::vector<int>{1, 0}));  // C: 0.6, then 0.7
    EXPECT_EQ(lowest_jaccard_images(c, 1, 1), (std::vector<int>{0}));     // B: 0.5 of 0.5 and 0.9
}

TEST(ReportPageStatistics, TextSummaryShowsTheHandCheckedFigures) {
    const comparison c = hand_checked();
    const std::string text = text_summary(c, mean_ranks(c), test_measures(c, shown_measures(c, column_order())));
    // Chain B's Turi line: 4 values, mean 5/3, median 2, std, min 1, max
    // inf, mean rank 1.625, one inf left out of the mean.
    const std::size_t block = text.find("Turi (mean rank over 4 images)");
    ASSERT_NE(block, std::string::npos) << text;
    const std::size_t line = text.find("\n  2 ", block);
    ASSERT_NE(line, std::string::npos) << text;
    std::istringstream fields(text.substr(line + 1, text.find('\n', line + 1) - line - 1));
    std::vector<std::string> cells{std::istream_iterator<std::string>(fields), {}};
    EXPECT_EQ(cells, (std::vector<std::string>{"2", "4", "1.667", "2.000", "0.5774", "1.000", "inf", "1.625", "1", "inf"}));
    EXPECT_NE(text.find("Jaccard (mean rank over 2 images)"), std::string::npos);
}

TEST(ReportPageStatistics, ValuesNearTheLargestDoubleGiveFiguresAndCoordinates) {
    const double big = 1.7e308;
    const summary s = summarize({big, big, -big, 1.6e308});
    EXPECT_TRUE(std::isfinite(s.mean)) << s.mean;
    EXPECT_NEAR(s.mean, big / 4 + big / 4 - big / 4 + 1.6e308 / 4, 1e294);
    EXPECT_FALSE(std::isnan(s.std_dev));
    EXPECT_NEAR(summarize({big, big}).mean, big, 1e293);
    EXPECT_EQ(quantile({-big, big}, 0.5), 0);
    EXPECT_EQ(quantile({-INFINITY, 5}, 0.0), -INFINITY);  // no -inf + 0 * inf
    const box_summary b = box_of({big, -big, 1.6e308});
    EXPECT_TRUE(std::isfinite(b.mean) && std::isfinite(b.median));

    const axis a = nice_axis(-big, big);
    EXPECT_TRUE(std::isfinite(a.low) && std::isfinite(a.high) && a.low <= -big && a.high >= big);
    ASSERT_FALSE(a.ticks.empty());
    for (std::size_t t = 0; t < a.ticks.size(); ++t) {
        EXPECT_TRUE(std::isfinite(a.ticks[t]));
        EXPECT_LT(a.labels[t].size(), 12u) << a.labels[t];
    }
    const axis one = nice_axis(big, big);  // one value, widened around it
    EXPECT_TRUE(std::isfinite(one.low) && std::isfinite(one.high));

    const std::string svg = box_plot_svg("Turi", {{1, "A", "#000", {big, -big, 1.6e308, 0}},
                                                  {2, "B", "#111", {big, big}}});
    EXPECT_EQ(svg.find("nan"), std::string::npos) << svg;
    EXPECT_EQ(svg.find("inf"), std::string::npos) << svg;
}

TEST(ReportPageTests, DistancesRankLowestFirstAndScoredMethodsLeaveTheUnsupervisedMeasures) {
    // Three images; chain "S" is scored from label images: no Turi.
    std::vector<result_row> rows;
    const double voi[3][3] = {{0.5, 1.0, 0.2}, {0.4, 0.9, 0.3}, {0.6, 1.2, 0.1}};
    const char* chains[3] = {"A", "B", "S"};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) {
            result_row r;
            r.chain = chains[k];
            r.image = "i" + std::to_string(i) + ".png";
            r.position = i;
            r.values[measure_variation_of_information] = voi[i][k];
            if (k < 2) r.values[turi] = 1.0 + k + i;
            rows.push_back(r);
        }
    comparison c;
    std::string error;
    ASSERT_TRUE(arrange(rows, &c, &error)) << error;
    const rank_summary ranks = mean_ranks(c);
    // S has the lowest distance everywhere: rank 1; B the highest: rank 3.
    EXPECT_EQ(ranks.mean_rank[2][measure_variation_of_information], 1);
    EXPECT_EQ(ranks.mean_rank[1][measure_variation_of_information], 3);
    // Turi ranks A and B only, over the three images; S has no rank.
    EXPECT_EQ(ranks.images[turi], 3);
    EXPECT_EQ(ranks.mean_rank[1][turi], 1);
    EXPECT_TRUE(std::isnan(ranks.mean_rank[2][turi]));
    const std::vector<measure_tests> tests = test_measures(c, {turi, measure_variation_of_information});
    EXPECT_EQ(tests[0].methods, (std::vector<int>{0, 1}));
    EXPECT_EQ(tests[1].methods, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(tests[1].friedman.mean_ranks, (std::vector<double>{2, 3, 1}));
    EXPECT_EQ(tests[1].friedman.statistic, 6);  // perfectly consistent ranks of 3 methods on 3 images
    ASSERT_EQ(tests[1].pairs.size(), 3u);
    EXPECT_NEAR(tests[1].means[2], 0.2, 1e-15);
    // The file names methods by their text; Friedman rows leave method_b
    // empty, bootstrap rows carry the interval.
    const std::string csv = statistics_csv(c, tests);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
              "measure,method_a,method_b,test,statistic,p_value,p_holm,images,mean_rank,critical_difference,ci_low,ci_high");
    EXPECT_NE(csv.find("\r\nvariation_of_information,S,,friedman,6,0.049787068367863944,,3,1,"), std::string::npos);
    EXPECT_NE(csv.find("\r\nvariation_of_information,A,B,wilcoxon,0,0.25,0.75,3,,,,\r\n"), std::string::npos);
    EXPECT_NE(csv.find("\r\nturi,B,,bootstrap_ci95,3,,,3,,,2,4\r\n"), std::string::npos) << csv;
    EXPECT_EQ(csv.find("turi,S,"), std::string::npos);
    // The page's row of that pair (after Turi's): W, then p and Holm's p.
    page_content content;
    content.results = &c;
    const std::string section = tests_section(content, tests);
    const std::size_t pair = section.find("<tr data-pair=\"1-2\">", section.find("id=\"tests-variation_of_information\""));
    ASSERT_NE(pair, std::string::npos) << section;
    const std::string row = section.substr(pair, section.find("</tr>", pair) - pair);
    const std::size_t p = row.find("data-v=\"0.25\""), holm = row.find("data-v=\"0.75\"");
    EXPECT_TRUE(p != std::string::npos && holm != std::string::npos && p < holm) << row;
}

TEST(ReportPageTests, CriticalDifferenceCliquesAreMaximal) {
    // Ranks 1, 1.5, 2.6, 3.9 with CD 1.2: {1, 1.5}, {1.5, 2.6}, then 3.9 alone.
    EXPECT_EQ(cliques_of({1, 1.5, 2.6, 3.9}, 1.2), (std::vector<std::pair<int, int>>{{0, 1}, {1, 2}}));
    EXPECT_EQ(cliques_of({1, 2, 3}, 5), (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_TRUE(cliques_of({1, 2, 3}, 0.5).empty());
    // Exactly the critical difference apart is no significant difference.
    EXPECT_EQ(cliques_of({1, 2}, 1), (std::vector<std::pair<int, int>>{{0, 1}}));
    const std::string svg = cd_diagram_svg("Jaccard", {{1, "A <b>", "#111111", 2.5}, {2, "B", "#222222", 1.25}}, 1.5);
    EXPECT_NE(svg.find("A &lt;b&gt; (2.500)"), std::string::npos);
    EXPECT_LT(svg.find("data-chain=\"2\""), svg.find("data-chain=\"1\""));  // the better first
}

}  // namespace
}  // namespace strandel
