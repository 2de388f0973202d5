// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/jaccard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace strandel {
namespace {

// A tiny labelled image: gray level and manual label per pixel.
struct labelled_pixels {
    std::vector<unsigned char> gray, label;

    gray_label_counts counts() const {
        gray_label_counts c;
        for (std::size_t i = 0; i < gray.size(); ++i) c.add(gray[i], label[i]);
        return c;
    }
    histogram image_histogram() const {
        histogram h;
        clear_histogram(h);
        for (unsigned char g : gray) ++h[g];
        return h;
    }
    // Jaccard index of (label, class) counted pixel by pixel.
    double literal_index(unsigned char l, const class_map& classes, int c) const {
        std::set<unsigned char> members;
        auto range = classes.equal_range(c);
        for (auto it = range.first; it != range.second; ++it) members.insert(it->second);
        long inter = 0, uni = 0;
        for (std::size_t i = 0; i < gray.size(); ++i) {
            const bool a = members.count(gray[i]) != 0, b = label[i] == l;
            uni += a || b;
            inter += a && b;
        }
        return uni ? double(inter) / double(uni) : 0.0;
    }
};

TEST(JaccardIndex, EmptyUnionIsZeroAndRatioOtherwise) {
    EXPECT_EQ(jaccard_index(0, 0), 0.0);
    EXPECT_EQ(jaccard_index(3, 4), 0.75);
    EXPECT_EQ(jaccard_mean({}), 0.0);
    EXPECT_DOUBLE_EQ(jaccard_mean({{0, 1.0}, {1, 0.5}, {0, 0.0}}), 0.5);
}

TEST(ManualSegmentationName, ReplacesTheLastDotOfTheWholePath) {
    EXPECT_EQ(manual_segmentation_name("/data/img/brain01.png"), "/data/img/brain01_seg.png");
    EXPECT_EQ(manual_segmentation_name("brain.01.tif"), "brain.01_seg.tif");
    EXPECT_EQ(manual_segmentation_name("/x/a.b/photo"), "/x/a_seg.b/photo");
    EXPECT_EQ(manual_segmentation_name("scan"), "scan_seg.");
}

TEST(JaccardMatches, PerfectSegmentationScoresOne) {
    // Gray levels 10 and 200 exactly coincide with labels 0 and 255.
    labelled_pixels p{{10, 10, 200, 200, 200}, {0, 0, 255, 255, 255}};
    const std::vector<double> centres{0.0, 255.0};
    class_map classes;
    classify(p.image_histogram(), centres, &classes);
    match_list m;
    jaccard_matches(p.counts(), classes, centres, &m);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], std::make_pair(0, 1.0));
    EXPECT_EQ(m[1], std::make_pair(1, 1.0));
    EXPECT_EQ(jaccard_mean(m), 1.0);
}

TEST(JaccardMatches, HalfCoverageTiesAndUnmatchedLabels) {
    // Class 0 = gray 10 (4 pixels), half of them label 5: J = 2/4.
    // Classes 1 (gray 100) and 2 (gray 150) have two pixels each, one of
    // them labelled 9: both give label 9 a J of 1/3 and the lower index wins.
    // Class 3 attracts no gray level.
    labelled_pixels p{{10, 10, 10, 10, 100, 100, 150, 150}, {5, 5, 7, 7, 9, 3, 9, 8}};
    const std::vector<double> centres{10.0, 100.0, 150.0, 250.0};
    class_map classes;
    classify(p.image_histogram(), centres, &classes);
    match_list m;
    jaccard_matches(p.counts(), classes, centres, &m);
    // Labels in ascending order: 3, 5, 7, 8, 9.
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0], std::make_pair(1, 0.5));
    EXPECT_EQ(m[1], std::make_pair(0, 0.5));
    EXPECT_EQ(m[2], std::make_pair(0, 0.5));
    EXPECT_EQ(m[3], std::make_pair(2, 0.5));
    EXPECT_EQ(m[4].first, 1);
    EXPECT_DOUBLE_EQ(m[4].second, 1.0 / 3.0);
}

TEST(JaccardMatches, NoClassesGivesZeroMatchesAtClassZero) {
    labelled_pixels p{{1, 2}, {4, 4}};
    class_map classes;
    match_list m{{7, 7.0}};
    jaccard_matches(p.counts(), classes, {}, &m);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0], std::make_pair(0, 0.0));
}

TEST(JaccardMatches, AgreesWithPixelByPixelCountOnRandomImages) {
    std::srand(42);
    for (int round = 0; round < 20; ++round) {
        labelled_pixels p;
        for (int i = 0; i < 500; ++i) {
            p.gray.push_back(static_cast<unsigned char>(std::rand() % 256));
            p.label.push_back(static_cast<unsigned char>((std::rand() % 6) * 40));
        }
        std::vector<double> centres;
        for (int c = 0; c < 1 + round % 7; ++c) centres.push_back(std::rand() % 256);
        class_map classes;
        classify(p.image_histogram(), centres, &classes);
        match_list m;
        jaccard_matches(p.counts(), classes, centres, &m);

        std::size_t entry = 0;
        for (int l = 0; l < 256; ++l) {
            if (p.counts().label_pixels(static_cast<unsigned char>(l)) == 0) continue;
            std::pair<int, double> best(0, 0.0);
            for (int c = 0; c < static_cast<int>(centres.size()); ++c) {
                const double j = p.literal_index(static_cast<unsigned char>(l), classes, c);
                if (j > best.second) best = {c, j};
            }
            ASSERT_LT(entry, m.size());
            EXPECT_EQ(m[entry], best) << "label " << l << " round " << round;
            ++entry;
        }
        EXPECT_EQ(entry, m.size());
    }
}

}  // namespace
}  // namespace strandel
