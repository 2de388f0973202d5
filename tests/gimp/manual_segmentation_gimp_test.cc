// SPDX-License-Identifier: GPL-3.0-or-later
#include "evaluation/manual_segmentation_gimp.h"

#include <gtest/gtest.h>

#include "framework/pixel_region_gimp.h"
#include "gimp_fixtures.h"

namespace strandel {
namespace {

using namespace testing_gimp;

unsigned char labels(int x, int y, int) { return static_cast<unsigned char>(x < 30 ? 40 : y < 20 ? 120 : 250); }

// The segmentation files are written once for all cases (each save and
// load starts a GIMP file plug-in).
class ManualSegmentation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new temp_dir();
        // Colour with equal channels: GIMP converts it to the same grays.
        test_image seg(60, 45, GIMP_RGB_IMAGE, labels);
        ASSERT_TRUE(save_image(seg, dir->file("photo.v2_seg.png")));
        test_image wrong_size(61, 45, GIMP_GRAY_IMAGE, labels);
        ASSERT_TRUE(save_image(wrong_size, dir->file("small_seg.png")));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static temp_dir* dir;
};

temp_dir* ManualSegmentation::dir = nullptr;

TEST_F(ManualSegmentation, FoundBesideTheImageLoadedAsGrayAndReleased) {
    test_image img(60, 45, GIMP_RGB_IMAGE, [](int x, int, int) { return static_cast<unsigned char>(x); });
    gimp_image_set_filename(img.image, dir->file("photo.v2.png").c_str());
    const int images_before = open_images();
    GimpDrawable* manual = load_manual_segmentation(img.image);
    ASSERT_NE(manual, nullptr);
    EXPECT_EQ(manual->bpp, 1u);
    EXPECT_EQ(int(manual->width), 60);
    histogram h;
    ASSERT_TRUE(compute_histogram(manual, &h, 0, 0, 60, 45));
    EXPECT_EQ(h[40], 30 * 45);
    EXPECT_EQ(h[120], 30 * 20);
    EXPECT_EQ(h[250], 30 * 25);
    EXPECT_EQ(open_images(), images_before + 1);
    release_manual_segmentation(manual);
    EXPECT_EQ(open_images(), images_before);
}

TEST_F(ManualSegmentation, IgnoredWhenMissingOfAnotherSizeOrWithoutFileName) {
    const int images_before = open_images();
    test_image img(60, 45, GIMP_GRAY_IMAGE, labels);
    EXPECT_EQ(load_manual_segmentation(img.image), nullptr);  // never saved: no file name
    gimp_image_set_filename(img.image, dir->file("alone.png").c_str());
    EXPECT_EQ(load_manual_segmentation(img.image), nullptr);
    gimp_image_set_filename(img.image, dir->file("small.png").c_str());
    EXPECT_EQ(load_manual_segmentation(img.image), nullptr);
    // The rejected segmentation was deleted again.
    EXPECT_EQ(open_images(), images_before + 1);
}

}  // namespace
}  // namespace strandel
