// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "evaluation/manual_segmentation_gimp.h"
#include "framework/pixel_region_gimp.h"
#include "gimp_fixtures.h"

namespace strandel {
namespace {

using testing_gimp::attached;
using testing_gimp::test_image;

// The gray level (third byte of colour, first of gray) is a ramp; the
// first byte of colour pixels runs the other way, so that reading the wrong
// byte puts pixels into other classes.
unsigned char ramp(int x, int y, int c) {
    const unsigned char gray = static_cast<unsigned char>((x + 2 * y) % 256);
    if (c == 2) return gray;
    if (c == 0) return static_cast<unsigned char>(255 - gray);
    return static_cast<unsigned char>(x ^ y);
}

// Manual labels in bands, with a different label in the lower half; the
// alpha byte of a gray-with-alpha segmentation differs from the label.
unsigned char bands(int x, int y, int c) {
    if (c == 1) return 7;
    return static_cast<unsigned char>((x / 40) * 60 + (y > 50 ? 10 : 0));
}

struct evaluation_inputs {
    histogram image_h, manual_h;
    gray_label_counts counts;
    class_map classes;
};

// Checks every (label, class) Jaccard index of the literal walk against the
// pair counts, and the best matches of both routes.
void expect_both_routes_agree(GimpDrawable* image, GimpDrawable* manual, const std::vector<double>& centres, int w,
                              int h) {
    evaluation_inputs in;
    ASSERT_TRUE(compute_histogram(image, &in.image_h, 0, 0, w, h));
    ASSERT_TRUE(compute_histogram(manual, &in.manual_h, 0, 0, w, h));
    histogram walked;
    count_gray_label_pairs(image, manual, 0, 0, w, h, &walked, &in.counts);
    EXPECT_TRUE(std::equal(walked.begin(), walked.end(), in.image_h.begin()));
    classify(in.image_h, centres, &in.classes);

    int between = 0;
    for (int label = 0; label < 256; ++label) {
        if (in.manual_h[label] == 0) continue;
        EXPECT_EQ(in.counts.label_pixels(label), std::uint64_t(in.manual_h[label]));
        for (int c = 0; c < int(centres.size()); ++c) {
            std::uint64_t inter = 0, class_pixels = 0;
            auto range = in.classes.equal_range(c);
            for (auto it = range.first; it != range.second; ++it) {
                inter += in.counts.at(it->second, label);
                class_pixels += in.counts.gray_pixels(it->second);
            }
            const double from_counts = jaccard_index(inter, class_pixels + in.counts.label_pixels(label) - inter);
            const double walkedj = jaccard_distance_impl(image, manual, label, in.classes, c, 0, 0, w, h);
            EXPECT_EQ(walkedj, from_counts) << "label " << label << " class " << c;
            between += walkedj > 0.0 && walkedj < 1.0;
        }
    }
    EXPECT_GT(between, 0);  // the case is not trivially all 0 or 1

    match_list literal, counted;
    jaccard_distance(image, in.classes, centres, manual, in.manual_h, 0, 0, w, h, &literal);
    jaccard_matches(in.counts, in.classes, centres, &counted);
    EXPECT_EQ(literal, counted);
    EXPECT_FALSE(literal.empty());
}

TEST(JaccardInGimp, LiteralWalkEqualsPairCountsForEveryPixelSize) {
    const std::vector<double> centres{20, 90, 160, 230, 255};
    for (GimpImageType type : {GIMP_GRAY_IMAGE, GIMP_GRAYA_IMAGE, GIMP_RGB_IMAGE, GIMP_RGBA_IMAGE}) {
        for (GimpImageType manual_type : {GIMP_GRAY_IMAGE, GIMP_GRAYA_IMAGE}) {
            SCOPED_TRACE(::testing::Message() << "image type " << type << ", manual type " << manual_type);
            // Three columns and two rows of tiles, the last ones partial.
            const int w = 2 * int(gimp_tile_width()) + 22, h = int(gimp_tile_height()) + 36;
            test_image img(w, h, type, ramp), seg(w, h, manual_type, bands);
            attached image(img.layer), manual(seg.layer);
            expect_both_routes_agree(image.d, manual.d, centres, w, h);
        }
    }
}

TEST(JaccardInGimp, KnownIndicesOnHalvesAndQuarters) {
    // Class 0 is the left half; label 1 the left quarter, label 2 the rest.
    test_image img(100, 80, GIMP_GRAY_IMAGE, [](int x, int, int) { return x < 50 ? 10 : 200; });
    test_image seg(100, 80, GIMP_GRAY_IMAGE, [](int x, int, int) { return x < 25 ? 1 : 2; });
    attached image(img.layer), manual(seg.layer);
    histogram h, mh;
    compute_histogram(image.d, &h, 0, 0, 100, 80);
    compute_histogram(manual.d, &mh, 0, 0, 100, 80);
    const std::vector<double> centres{0, 255};
    class_map classes;
    classify(h, centres, &classes);
    EXPECT_EQ(jaccard_distance_impl(image.d, manual.d, 1, classes, 0, 0, 0, 100, 80), 0.5);
    EXPECT_EQ(jaccard_distance_impl(image.d, manual.d, 1, classes, 1, 0, 0, 100, 80), 0.0);
    // A label absent from the rectangle and an empty class: empty union.
    EXPECT_EQ(jaccard_distance_impl(image.d, manual.d, 9, classes, 5, 0, 0, 100, 80), 0.0);
    match_list m;
    jaccard_distance(image.d, classes, centres, manual.d, mh, 0, 0, 100, 80, &m);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], std::make_pair(0, 0.5));
    EXPECT_EQ(m[1].first, 1);
    EXPECT_DOUBLE_EQ(m[1].second, 4000.0 / 6000.0);
}

// Timing of both routes on 4 megapixels, 10 labels and 10 classes. Run with
// the flag --gtest_also_run_disabled_tests --gtest_filter=*FourMegapixels*.
TEST(JaccardInGimp, DISABLED_FourMegapixelsBothRoutes) {
    const int w = 2048, h = 2048;
    test_image img(w, h, GIMP_RGB_IMAGE, [](int x, int y, int c) {
        return c == 2 ? static_cast<unsigned char>((x / 8 + y / 16) % 256) : static_cast<unsigned char>(x);
    });
    test_image seg(w, h, GIMP_GRAY_IMAGE, [](int x, int y, int) {
        return static_cast<unsigned char>(((x / 205) + (y / 1024) * 3) % 10 * 25);
    });
    attached image(img.layer), manual(seg.layer);
    std::vector<double> centres;
    for (int c = 0; c < 10; ++c) centres.push_back(12.5 + 25.6 * c);

    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    histogram ih;
    gray_label_counts counts;
    count_gray_label_pairs(image.d, manual.d, 0, 0, w, h, &ih, &counts);
    class_map classes;
    classify(ih, centres, &classes);
    match_list counted;
    jaccard_matches(counts, classes, centres, &counted);
    const double counted_s = std::chrono::duration<double>(clock::now() - t0).count();

    t0 = clock::now();
    histogram mh;
    compute_histogram(manual.d, &mh, 0, 0, w, h);
    match_list literal;
    jaccard_distance(image.d, classes, centres, manual.d, mh, 0, 0, w, h, &literal);
    const double literal_s = std::chrono::duration<double>(clock::now() - t0).count();

    ASSERT_EQ(counted.size(), 10u);
    EXPECT_EQ(literal, counted);
    std::printf("Jaccard, 2048x2048, 10 labels x 10 classes: pair counts %.3f s, literal walk %.3f s (x%.0f)\n",
                counted_s, literal_s, literal_s / counted_s);
    RecordProperty("pair_counts_seconds", std::to_string(counted_s));
    RecordProperty("literal_walk_seconds", std::to_string(literal_s));
}

}  // namespace
}  // namespace strandel
