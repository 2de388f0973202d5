// SPDX-License-Identifier: GPL-3.0-or-later
// The runner's evaluation path: the best-match Jaccard index from the
// contingency table, tables of two label planes, ground-truth patterns
// naming several files, 16-bit labels kept, stretched levels and luma,
// scored methods' rows and report lines.
#include <gtest/gtest.h>
#include <algorithm>
#include <fstream>
#include <random>

#include "test_support.h"
#include "batch/engine_environment.h"
#include "batch/ground_truth.h"
#include "batch/report.h"
#include "batch/run_plan.h"
#include "batch/table_writer.h"
#include "decoding/in_process_reader.h"
#include "decoding/label_png.h"
#include "decoding/wide_image.h"
#include "evaluation/classification.h"
#include "evaluation/literature_scores.h"

namespace strandel {
namespace {

class EvaluationFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_dir.empty()); }

    // A PNG whose pixel i is lookup[levels[i]], 8 or 16 bits.
    std::string png(const std::string& name, int width, const std::vector<unsigned char>& levels,
                    const std::vector<std::uint16_t>& lookup, bool sixteen) {
        gray_plane plane{width, int(levels.size()) / width, levels};
        std::string why;
        EXPECT_TRUE(png_label_store().write(m_dir + "/" + name, plane, lookup, sixteen, &why)) << why;
        return m_dir + "/" + name;
    }
    void touch(const std::string& name) { std::ofstream(m_dir + "/" + name) << "x"; }

    testing::temporary_folder m_folder;
    const std::string m_dir = m_folder.path();
};

std::vector<std::uint16_t> identity() {
    std::vector<std::uint16_t> lookup(256);
    for (int i = 0; i < 256; ++i) lookup[std::size_t(i)] = std::uint16_t(i);
    return lookup;
}

TEST(BestMatchJaccard, EqualsTheReportsJaccardBitForBit) {
    std::mt19937 random(17);
    for (int round = 0; round < 40; ++round) {
        gray_label_counts counts;
        histogram h;
        clear_histogram(h);
        for (int i = 0; i < 3000; ++i) {
            const unsigned char gray = static_cast<unsigned char>(random() % 256);
            const unsigned char label = static_cast<unsigned char>((gray / 40 + random() % 3) * 17);
            counts.add(gray, label);
            ++h[gray];
        }
        std::vector<double> centres;
        for (int c = 0; c < 2 + round % 6; ++c) centres.push_back(double(random() % 256));
        class_map classes;
        classify(h, centres, &classes);
        match_list matches;
        jaccard_matches(counts, classes, centres, &matches);
        const contingency_table table = make_contingency_table(label_pairs_of(counts), class_lookup_of(centres));
        EXPECT_EQ(best_match_jaccard(table), jaccard_mean(matches)) << "round " << round;
    }
}

TEST(ContingencyOfPlanes, EqualsTheTableOfPairCounts) {
    std::mt19937 random(5);
    label_plane seg{40, 30, {}}, truth{40, 30, {}};
    std::vector<unsigned char> grays;
    for (int i = 0; i < 1200; ++i) {
        grays.push_back(static_cast<unsigned char>(random() % 7 * 30));
        seg.labels.push_back(grays.back());  // a segmentation that classifies gray levels
        truth.labels.push_back(static_cast<std::uint16_t>(random() % 5 * 999));
    }
    label_pair_counts counts;
    counts.add_pixels(grays.data(), truth.labels.data(), grays.size());
    class_lookup lookup;
    for (int g = 0; g < 256; ++g) lookup[std::size_t(g)] = g;
    const contingency_table expected = make_contingency_table(counts.pairs(), lookup);
    const contingency_table got = contingency_of_planes(seg, truth);
    EXPECT_EQ(got.class_of_row, expected.class_of_row);
    EXPECT_EQ(got.label_of_column, expected.label_of_column);
    EXPECT_EQ(got.row_pixels, expected.row_pixels);
    EXPECT_EQ(got.column_pixels, expected.column_pixels);
    ASSERT_EQ(got.cells.size(), expected.cells.size());
    for (std::size_t i = 0; i < got.cells.size(); ++i) {
        EXPECT_EQ(got.cells[i].row, expected.cells[i].row);
        EXPECT_EQ(got.cells[i].column, expected.cells[i].column);
        EXPECT_EQ(got.cells[i].count, expected.cells[i].count);
    }
    label_plane other{41, 30, seg.labels};
    EXPECT_THROW(contingency_of_planes(other, truth), std::invalid_argument);
}

TEST(MeanRegionScores, IsThePlainMeanOverAnnotators) {
    region_scores a, b;
    a.rand_index = 0.5, b.rand_index = 1.0, a.jaccard = 0.25, b.jaccard = 0.75, b.matched_dice = 1.0;
    const region_scores mean = mean_region_scores({a, b});
    EXPECT_DOUBLE_EQ(mean.rand_index, 0.75);
    EXPECT_DOUBLE_EQ(mean.jaccard, 0.5);
    EXPECT_DOUBLE_EQ(mean.matched_dice, 0.5);
}

TEST_F(EvaluationFiles, PatternsNameEveryAnnotatorInOrder) {
    for (const char* name : {"a.1.png", "a.2.png", "a.4.png", "b_x2.png", "b_x10.png", "b_x1.png", "c[1].png"})
        touch(name);
    const std::string image = m_dir + "/a.jpg";
    EXPECT_EQ(ground_truth_files("{dir}/{stem}.{k}.png", image, ""),
              (std::vector<std::string>{m_dir + "/a.1.png", m_dir + "/a.2.png"}));  // stops at the first gap
    EXPECT_EQ(ground_truth_files("{dir}/{stem}_x*.png", m_dir + "/b.jpg", ""),
              (std::vector<std::string>{m_dir + "/b_x1.png", m_dir + "/b_x10.png", m_dir + "/b_x2.png"}));
    // Brackets of the image's name (and of the pattern) are no wildcards.
    EXPECT_EQ(ground_truth_files("{dir}/{stem}*.png", m_dir + "/c[1].jpg", ""),
              (std::vector<std::string>{m_dir + "/c[1].png"}));
    EXPECT_TRUE(ground_truth_files("{dir}/{stem}.{k}.png", m_dir + "/none.jpg", "").empty());
    const std::vector<image_request> requests =
        requests_with_ground_truth({image, m_dir + "/none.jpg"}, "{dir}/{stem}.{k}.png", "");
    EXPECT_EQ(requests[0].manual, m_dir + "/a.1.png");
    EXPECT_EQ(requests[0].more_truths, std::vector<std::string>{m_dir + "/a.2.png"});
    EXPECT_EQ(requests[1].manual, m_dir + "/none.1.png");  // where it was looked for
    std::string error;
    EXPECT_TRUE(check_ground_truth_pattern("gt/{stem}.{k}.png", &error));
}

TEST_F(EvaluationFiles, SixteenBitLabelsKeepTheirValuesAndEveryAnnotatorCounts) {
    std::vector<unsigned char> levels;
    for (int i = 0; i < 64; ++i) levels.push_back(static_cast<unsigned char>(i < 32 ? 10 : 200));
    image_request request;
    request.image = png("image.png", 8, levels, identity(), false);
    request.manual = png("gt.1.png", 8, levels, identity(), false);
    std::vector<std::uint16_t> wide(256, 0);
    wide[10] = 300, wide[200] = 556;  // 300 and 556 are 44 apart in their low bytes: never merged by 8 bits
    request.more_truths = {png("gt.2.png", 8, levels, wide, true)};
    request.scored = {png("method.png", 8, levels, wide, true), m_dir + "/missing.png"};
    request.keep_truth_planes = true;
    image_data data;
    std::string why;
    ASSERT_EQ(read_in_process(request, data, &why), in_process_status::read) << why;
    ASSERT_EQ(data.truths.size(), 2u);
    EXPECT_TRUE(data.manual_in_walk);
    ASSERT_EQ(data.truths[1].pairs.size(), 2u);
    EXPECT_EQ(data.truths[1].pairs[0].label, 300);
    EXPECT_EQ(data.truths[1].pairs[1].label, 556);
    EXPECT_EQ(data.truths[1].pairs[1].count, 32u);
    EXPECT_EQ(data.truths[0].plane.labels.size(), 64u);  // kept for the boundary measures
    ASSERT_EQ(data.scored.size(), 2u);
    EXPECT_TRUE(data.scored[0].read);
    EXPECT_EQ(data.scored[0].plane.labels[63], 556);
    EXPECT_FALSE(data.scored[1].read);
    EXPECT_NE(data.scored[1].why.find("missing.png"), std::string::npos);
}

TEST_F(EvaluationFiles, StretchedLevelsSpanTheImagesOwnRange) {
    std::vector<unsigned char> levels{0, 1, 2, 3};
    std::vector<std::uint16_t> values(256, 0);
    values[0] = 1000, values[1] = 1001, values[2] = 1002, values[3] = 1010;
    wide_image image;
    std::string why;
    ASSERT_TRUE(read_wide_image(png("deep.png", 4, levels, values, true), &image, &why)) << why;
    std::unique_ptr<pixel_rows> rows = stretched_rows(image);
    const unsigned char* row = rows->next_row(&why);
    // (v - 1000) x 255 / 10, rounded to nearest: 0, 25.5 -> 26, 51, 255.
    EXPECT_EQ(std::vector<unsigned char>(row, row + 4), (std::vector<unsigned char>{0, 26, 51, 255}));
    image.samples.assign(4, 777);
    rows = stretched_rows(image);
    row = rows->next_row(&why);
    EXPECT_EQ(std::vector<unsigned char>(row, row + 4), (std::vector<unsigned char>(4, 0)));
}

TEST(Luma, RoundsAsOpenCvsFixedPointConversion) {
    // cv2.cvtColor(np.uint8([[[r, g, b]]]), cv2.COLOR_RGB2GRAY) for these.
    EXPECT_EQ(luma_of(255, 0, 0), 76);
    EXPECT_EQ(luma_of(0, 255, 0), 150);
    EXPECT_EQ(luma_of(0, 0, 255), 29);
    EXPECT_EQ(luma_of(255, 255, 255), 255);
    EXPECT_EQ(luma_of(10, 200, 30), 124);
    set_colour_gray_rule(gray_rule::luma);
    EXPECT_EQ(colour_gray(10, 200, 30), 124);
    set_colour_gray_rule(gray_rule::blue);
    EXPECT_EQ(colour_gray(10, 200, 30), 30);
}

TEST(ScoredRows, KeepEveryColumnWhenTheMeasuresAreEmpty) {
    register_fitness_functions();
    image_rating rating;
    rating.centres = {10, 200};
    rating.has_jaccard = true;
    rating.jaccard = 0.5;
    rating.annotators.resize(2);
    const std::string row = table_row("unet", 3, {"i.png", "g.png", {}}, rating, {"luma", "stretch"});
    const std::string header = table_header();
    EXPECT_EQ(std::count(row.begin(), row.end(), ','), std::count(header.begin(), header.end(), ','));
    EXPECT_NE(row.find(",,,,,0.5,2,"), std::string::npos) << row;  // four empty measures, Jaccard, annotators
    EXPECT_NE(row.find(",luma,stretch,ok\r\n"), std::string::npos) << row;
    const std::string skipped = skipped_table_row("unet", 4, {"i.png", "", {}}, false, "no label image found");
    EXPECT_EQ(std::count(skipped.begin(), skipped.end(), ','), std::count(header.begin(), header.end(), ','));
    EXPECT_EQ(scored_report_header("unet", registered_measures()).substr(0, 19), "\n\nAlgorithm: unet \n");
}

TEST(ScoredMethods, AreNamedApartFromTheChainsAndNumberedAfterThem) {
    benchmark_request request;
    request.chains = {"K-Means(10, 3)", "AiNet"};
    request.images = {"a.png"};
    request.results_file = "/tmp/strandel-never-{n}.txt";
    request.scores = {{"AiNet", "m/{stem}.png"}};
    run_plan plan;
    request_outcome outcome = plan_request(request, &plan);
    EXPECT_EQ(outcome.status, request_status::calling_error);
    EXPECT_NE(outcome.message.find("taken by chain 2"), std::string::npos) << outcome.message;
    request.scores = {{"unet", "m/{stem}.png"}, {"unet", "n/{stem}.png"}};
    EXPECT_NE(plan_request(request, &plan).message.find("another scored method"), std::string::npos);
    request.scores = {{"unet", "m/{stem}.png"}};
    ASSERT_EQ(plan_request(request, &plan).status, request_status::success);
    EXPECT_EQ(plan.method_names, (std::vector<std::string>{"K-Means(10, 3)", "AiNet", "unet"}));
    EXPECT_EQ(plan.results_files.back(), "/tmp/strandel-never-3.txt");
    request.chains = {"AiNet"};
    request.results_file = "/tmp/strandel-never.txt";
    EXPECT_NE(plan_request(request, &plan).message.find("must hold {n}"), std::string::npos);
}

TEST(EngineEnvironment, CarriesEverySettingToThePlugInAndRefusesUnknownRules) {
    benchmark_request sent;
    sent.boundary = true;
    sent.gray = gray_rule::luma;
    sent.levels = level_rule::stretch;
    sent.annotator_table = "long.csv";
    sent.scores = {{"unet", "masks/{stem}.png"}, {"old=run", "x/{stem}.png"}};
    for (const auto& [name, value] : engine_environment(sent)) setenv(name.c_str(), value.c_str(), 1);
    benchmark_request received;
    std::string error;
    ASSERT_TRUE(apply_engine_environment(&received, &error)) << error;
    EXPECT_TRUE(received.boundary);
    EXPECT_EQ(received.gray, gray_rule::luma);
    EXPECT_EQ(received.levels, level_rule::stretch);
    EXPECT_EQ(received.annotator_table, "long.csv");
    ASSERT_EQ(received.scores.size(), 2u);
    EXPECT_EQ(received.scores[1].name, "old");  // NAME ends at the first '='
    EXPECT_EQ(received.scores[1].pattern, "run=x/{stem}.png");
    setenv(gray_variable, "green", 1);
    EXPECT_FALSE(apply_engine_environment(&received, &error));
    EXPECT_NE(error.find("'green': give blue or luma"), std::string::npos) << error;
    for (const auto& [name, value] : engine_environment(benchmark_request())) unsetenv(name.c_str());
}

}  // namespace
}  // namespace strandel
