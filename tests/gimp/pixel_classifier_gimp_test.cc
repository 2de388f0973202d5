// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/pixel_classifier_gimp.h"

#include <gtest/gtest.h>

#include "gimp_fixtures.h"

namespace strandel {
namespace {

using testing_gimp::attached;
using testing_gimp::test_image;

int total_votes(const std::map<int, int>& votes) {
    int n = 0;
    for (const auto& v : votes) n += v.second;
    return n;
}

TEST(PixelClassifier, NeighbourhoodCountsOnlyPositionsInsideTheRegion) {
    test_image img(5, 4, GIMP_GRAY_IMAGE, [](int, int, int) { return 10; });
    attached d(img.layer);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d.d, 0, 0, 5, 4, FALSE, FALSE);
    std::map<int, int> votes;
    const std::vector<double> centres{0, 255};
    neighbourhood(&rgn, 0, 0, centres, &votes);
    EXPECT_EQ(total_votes(votes), 4);
    neighbourhood(&rgn, 2, 0, centres, &votes);
    EXPECT_EQ(total_votes(votes), 6);
    neighbourhood(&rgn, 2, 2, centres, &votes);
    EXPECT_EQ(total_votes(votes), 9);
    EXPECT_EQ(votes[0], 9);
    // A region that starts inside the drawable bounds the neighbourhood.
    GimpPixelRgn inner;
    gimp_pixel_rgn_init(&inner, d.d, 1, 1, 3, 2, FALSE, FALSE);
    neighbourhood(&inner, 1, 1, centres, &votes);
    EXPECT_EQ(total_votes(votes), 4);
}

TEST(PixelClassifier, NeighboursOutvoteTheNearestCentre) {
    // A pixel of 100 among neighbours of 250 (gray with alpha: the alpha
    // byte must not be taken for a colour).
    test_image img(3, 3, GIMP_GRAYA_IMAGE,
                   [](int x, int y, int c) { return c == 1 ? 0 : (x == 1 && y == 1 ? 100 : 250); });
    attached d(img.layer);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d.d, 0, 0, 3, 3, FALSE, FALSE);
    histogram h;
    clear_histogram(h);
    const std::vector<double> centres{0, 255};
    class_map classes;
    register_pixel_classifiers();
    const pixel_classifier* pure = pixel_classifier_repertoire::instance()->find("Pure Gray Level Classifier");
    const pixel_classifier* pos = pixel_classifier_repertoire::instance()->find("Position Sensitive Classifier");
    ASSERT_NE(pure, nullptr);
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(*pixel_classifier_repertoire::instance()->begin(), pure);
    EXPECT_EQ((*pure)(h, centres, classes, d.d, &rgn, 100, 1, 1, 1.0), 0);
    EXPECT_EQ((*pos)(h, centres, classes, d.d, &rgn, 100, 1, 1, 1.0), 1);  // 100/1 against 155/8
}

TEST(PixelClassifier, EqualScoresGoToTheLowerClass) {
    // A pixel of 100 between two centres 10 away: it votes for class 0
    // (nearest-centre ties go low) and its right neighbour votes for the
    // other class. One vote each, scores 10 and 10: class 0 wins.
    for (const auto& c : {std::make_pair(std::vector<double>{90, 110}, 120),
                          std::make_pair(std::vector<double>{110, 90}, 80)}) {
        const int right = c.second;
        test_image img(2, 1, GIMP_RGB_IMAGE,
                       [right](int x, int, int ch) { return ch == 2 ? (x == 0 ? 100 : right) : 0; });
        attached d(img.layer);
        GimpPixelRgn rgn;
        gimp_pixel_rgn_init(&rgn, d.d, 0, 0, 2, 1, FALSE, FALSE);
        histogram h;
        clear_histogram(h);
        class_map classes;
        std::map<int, int> votes;
        neighbourhood(&rgn, 0, 0, c.first, &votes);
        EXPECT_EQ(votes, (std::map<int, int>{{0, 1}, {1, 1}}));
        EXPECT_EQ(pos_pixel_classifier()(h, c.first, classes, d.d, &rgn, 100, 0, 0, 1.0), 0);
    }
}

}  // namespace
}  // namespace strandel
