// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine's reader on the images make_test_images.py writes; the
// folder holding them is the first argument after the test options.
#include "decoding/native_image_gegl.h"
#include "decoding/wide_image.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cmath>
#include <cstdlib>

namespace strandel {
namespace {

std::string folder;

// Every test image is three bands of levels 20, 120 and 220, 40, 50 and 60
// columns wide and 70 rows high.
void expect_bands(const histogram& h) {
    EXPECT_EQ(h[20], 40 * 70);
    EXPECT_EQ(h[120], 50 * 70);
    EXPECT_EQ(h[220], 60 * 70);
    EXPECT_EQ(total_pixels(h), 150 * 70);
}

read_status read(const std::string& name, image_data& data, std::string* why) {
    const std::string file = folder + "/" + name;
    return read_image_native({file, manual_segmentation_name(file)}, data, why);
}

TEST(NativeImage, EveryLayoutGivesTheGrayLevelsGimpWould) {
    // The gray byte of gray and gray-with-alpha pixels (alpha ignored), the
    // third byte of RGB and RGBA ones, 16-bit levels brought to 8 bits, the
    // values of a file declared linear untouched by its colour space.
    // Interlaced and ICC-tagged files likewise.
    for (const char* name : {"gray.png", "graya.png", "rgb.png", "rgba.png", "deep.png", "linear.png",
                             "interlaced.png", "iccp.png"}) {
        SCOPED_TRACE(name);
        image_data data;
        data.h[3] = 99;  // left from an earlier image
        std::string why;
        ASSERT_EQ(read(name, data, &why), read_status::ok) << why;
        expect_bands(data.h);
    }
}

TEST(NativeImage, ManualSegmentationsArePairedPixelByPixel) {
    image_data data;
    std::string why;
    ASSERT_EQ(read("gray.png", data, &why), read_status::ok) << why;
    ASSERT_TRUE(data.has_manual);
    EXPECT_EQ(data.manual.at(20, 0), 40u * 70);
    EXPECT_EQ(data.manual.at(120, 128), 50u * 70);
    EXPECT_EQ(data.manual.at(220, 255), 60u * 70);
    EXPECT_EQ(data.manual.label_pixels(0) + data.manual.label_pixels(128) + data.manual.label_pixels(255), 150u * 70);

    // The counts are replaced, not added to, from one image to the next.
    ASSERT_EQ(read("graya.png", data, &why), read_status::ok) << why;
    ASSERT_TRUE(data.has_manual);
    EXPECT_EQ(data.manual.at(20, 0), 40u * 70);
    EXPECT_EQ(data.manual.at(120, 0), 50u * 70);
    EXPECT_EQ(data.manual.at(120, 128), 0u);
    EXPECT_EQ(data.manual.at(220, 255), 60u * 70);

    // A colour manual segmentation is read by its luminance: three labels.
    ASSERT_EQ(read("gray_colour.png", data, &why), read_status::ok) << why;
    ASSERT_TRUE(data.has_manual);
    std::vector<std::uint64_t> labels;
    for (unsigned label = 0; label < 256; ++label)
        if (const std::uint64_t n = data.manual.label_pixels(static_cast<unsigned char>(label))) labels.push_back(n);
    EXPECT_EQ(labels, (std::vector<std::uint64_t>{50u * 70, 60u * 70, 40u * 70}));

    // A manual segmentation one column narrower is no manual segmentation.
    ASSERT_EQ(read("rgb.png", data, &why), read_status::ok) << why;
    EXPECT_FALSE(data.has_manual);
    expect_bands(data.h);
}

TEST(NativeImage, UnusableFilesAreUnreadableWithTheirReason) {
    image_data data;
    std::string why;
    EXPECT_EQ(read("broken.png", data, &why), read_status::unreadable);
    EXPECT_NE(why.find("not a readable PNG"), std::string::npos) << why;
    EXPECT_EQ(read("missing.png", data, &why), read_status::unreadable);
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_EQ(read_image_native({"", ""}, data, &why), read_status::unreadable);
    EXPECT_EQ(why, "the file name is empty");
}

TEST(NativeImage, FilesOfOtherDecodersArePairedWithPngLabels) {
    // Decoded by GEGL, beside a manual segmentation read by libpng.
    for (const char* name : {"interlaced", "bands"}) {
        SCOPED_TRACE(name);
        const std::string image = folder + "/" + name + (name[0] == 'b' ? ".jpg" : ".png");
        image_data data;
        std::string why;
        ASSERT_EQ(read_image_native({image, folder + "/" + name + "_seg.png"}, data, &why), read_status::ok) << why;
        ASSERT_TRUE(data.has_manual);
        EXPECT_EQ(data.manual.label_pixels(0), 40u * 70);
        EXPECT_EQ(data.manual.label_pixels(255), 60u * 70);
        EXPECT_EQ(total_pixels(data.h), 150 * 70);
    }
}

TEST(NativeImage, ImagesTooLargeToCountAreRefusedBeforeDecoding) {
    image_data data;
    std::string why;
    EXPECT_EQ(read("huge.png", data, &why), read_status::unreadable);
    EXPECT_EQ(why, "50000x50000 pixels is too many: a gray level's count must fit a 32-bit integer");
}

TEST(NativeImage, ATruncatedFileIsUnreadableWhateverWasReadBefore) {
    image_data data;
    std::string why;
    ASSERT_EQ(read("gray.png", data, &why), read_status::ok) << why;
    EXPECT_EQ(read("truncated.png", data, &why), read_status::unreadable);
    EXPECT_NE(why.find("not a readable PNG"), std::string::npos) << why;
    // Every row decodes, but the file ends before its end.
    EXPECT_EQ(read("endless.png", data, &why), read_status::unreadable);
    EXPECT_NE(why.find("not a readable PNG"), std::string::npos) << why;
}

TEST(NativeImage, PaletteImagesReadAsTheirColours) {
    // Indexed PNG (a transparent entry's colour counts too) and GIF, as
    // GIMP's conversion to RGB gives them.
    for (const char* name : {"indexed.png", "bands.gif"}) {
        SCOPED_TRACE(name);
        image_data data;
        std::string why;
        ASSERT_EQ(read(name, data, &why), read_status::ok) << why;
        expect_bands(data.h);
    }
}

TEST(NativeImage, GifLabelsKeepTheColourOfTransparentPixels) {
    // Black, white (transparent) and gray labels: three, not two.
    image_data data;
    std::string why;
    ASSERT_EQ(read("bands.gif", data, &why), read_status::ok) << why;
    ASSERT_TRUE(data.has_manual);
    EXPECT_EQ(data.manual.at(20, 0), 40u * 70);
    EXPECT_EQ(data.manual.at(120, 255), 50u * 70);
    EXPECT_EQ(data.manual.at(220, 128), 60u * 70);
}

TEST(NativeImage, AGrayRampPaletteImageReadsAsTheGrayImage) {
    image_data gray, ramp;
    std::string why;
    ASSERT_EQ(read("gray.png", gray, &why), read_status::ok) << why;
    ASSERT_EQ(read("ramp.png", ramp, &why), read_status::ok) << why;
    for (int level = 0; level < 256; ++level) EXPECT_EQ(ramp.h[level], gray.h[level]) << level;
    ASSERT_TRUE(ramp.has_manual);  // itself a gray-ramp palette image
    for (unsigned level : {20u, 120u, 220u})
        for (unsigned label : {0u, 128u, 255u}) EXPECT_EQ(ramp.manual.at(level, label), gray.manual.at(level, label));
}

// A lossy JPEG of the bands (colours bleed into the blue channel at their
// edges and its noisy red and green): every pixel counted, most of them
// near their band's level.
void expect_near_bands(const histogram& h) {
    EXPECT_EQ(total_pixels(h), 150 * 70);
    long near = 0;
    for (int level = 0; level < 256; ++level)
        if (std::abs(level - 20) <= 12 || std::abs(level - 120) <= 12 || std::abs(level - 220) <= 12) near += h[level];
    EXPECT_GT(near, 150 * 70 / 2);  // another channel, or CMYK taken the other way round, gives far fewer
}

TEST(NativeImage, JpegsOfEveryKindAreRead) {
    // Progressive, restart markers, CMYK (its blue brought from C x K).
    for (const char* name : {"bands_prog.jpg", "bands_rst.jpg", "bands_cmyk.jpg"}) {
        SCOPED_TRACE(name);
        image_data data;
        std::string why;
        ASSERT_EQ(read(name, data, &why), read_status::ok) << why;
        expect_near_bands(data.h);
    }
}

TEST(NativeImage, AJpegIsTurnedByItsOrientationAndPairedWithItsLabels) {
    // Stored 70 x 150, shown (EXIF orientation 6) as the 150 x 70 bands
    // its gray JPEG labels paint.
    const std::string image = folder + "/bands_turned.jpg";
    image_data data;
    std::string why;
    image_request request{image, folder + "/bands_turned_seg.jpg"};
    request.keep_gray = true;
    ASSERT_EQ(read_image_native(request, data, &why), read_status::ok) << why;
    EXPECT_EQ(data.gray.width, 150);
    EXPECT_EQ(data.gray.height, 70);
    ASSERT_TRUE(data.has_manual);
    EXPECT_NEAR(data.gray.levels[0], 20, 8);
    EXPECT_NEAR(data.gray.levels[149], 220, 8);
    EXPECT_NEAR(double(data.manual.label_pixels(0)), 40.0 * 70, 70.0);
    EXPECT_NEAR(double(data.manual.label_pixels(255)), 60.0 * 70, 70.0);
}

TEST(NativeImage, AJpegCutInItsPixelsReadsTheSameEveryTime) {
    // The missing blocks are filled as libjpeg fills them (GIMP's loader
    // reads such a file so), never from memory left uninitialised.
    image_data first, again;
    std::string why;
    ASSERT_EQ(read("cut_half.jpg", first, &why), read_status::ok) << why;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(read("cut_half.jpg", again, &why), read_status::ok) << why;
        for (int level = 0; level < 256; ++level) EXPECT_EQ(again.h[level], first.h[level]) << level;
    }
    EXPECT_EQ(total_pixels(first.h), 150 * 70);
}

TEST(NativeImage, WhatIsBrokenAfterAJpegsLastRowIsReadPast) {
    image_data whole, second_frame;
    std::string why;
    ASSERT_EQ(read("bands_rst.jpg", whole, &why), read_status::ok) << why;
    ASSERT_EQ(read("second_frame.jpg", second_frame, &why), read_status::ok) << why;
    for (int level = 0; level < 256; ++level) EXPECT_EQ(second_frame.h[level], whole.h[level]) << level;
}

TEST(NativeImage, DamagedAndAmbiguousFilesAreSkippedWithTheirReason) {
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"cut_400.jpg", "not a readable JPEG (Bogus Huffman table definition)"},
        {"empty.jpg", "the file is empty"},
        {"deep_cut.tif", "not a readable TIFF (Read error on strip"},
        {"pages.tif", "it holds 2 pages (a multi-page TIFF)"},
        {"frames.gif", "it holds 2 frames (an animated GIF)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        image_data data;
        std::string why;
        EXPECT_EQ(read(c.name, data, &why), read_status::unreadable);
        EXPECT_EQ(why.rfind(c.reason, 0), 0u) << why;
    }
    // A damaged JPEG manual segmentation is none; the image is read.
    image_data data;
    std::string why;
    ASSERT_EQ(read("bands_cmyk.jpg", data, &why), read_status::ok) << why;
    EXPECT_FALSE(data.has_manual);
    // A whole 16-bit TIFF is read.
    ASSERT_EQ(read("deep_strips.tif", data, &why), read_status::ok) << why;
    expect_bands(data.h);
    // And with its own 16-bit values (--levels stretch, 16-bit labels),
    // each where it lies: level x 257 in the band of its column.
    wide_image wide;
    ASSERT_TRUE(read_wide_image(folder + "/deep_strips.tif", &wide, &why)) << why;
    ASSERT_EQ(wide.samples.size(), 150u * 70);
    int misplaced = 0;
    for (std::size_t i = 0; i < wide.samples.size(); ++i) {
        const int x = static_cast<int>(i % 150);
        misplaced += wide.samples[i] != (x < 40 ? 20 : x < 90 ? 120 : 220) * 257;
    }
    EXPECT_EQ(misplaced, 0);
}

TEST(NativeImage, OnlyRegularFilesAreOpened) {
    const std::string dir = folder + "/special";
    ASSERT_EQ(std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/folder.png'").c_str()), 0);
    ASSERT_EQ(mkfifo((dir + "/fifo.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((dir + "/image_seg.png").c_str(), 0600), 0);
    ASSERT_EQ(std::system(("cp '" + folder + "/gray.png' '" + dir + "/image.png'").c_str()), 0);

    image_data data;
    std::string why;
    EXPECT_EQ(read("special/fifo.png", data, &why), read_status::unreadable);
    EXPECT_EQ(why, "it is a FIFO (named pipe), not an image file");
    EXPECT_EQ(read("special/folder.png", data, &why), read_status::unreadable);
    EXPECT_EQ(why, "it is a directory, not an image file");
    // A FIFO where the manual segmentation should be is no manual segmentation.
    ASSERT_EQ(read("special/image.png", data, &why), read_status::ok) << why;
    EXPECT_FALSE(data.has_manual);
    expect_bands(data.h);
}

}  // namespace
}  // namespace strandel

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s [gtest options] IMAGE_FOLDER\n", argv[0]);
        return 2;
    }
    strandel::folder = argv[1];
    strandel::native_engine engine;
    return RUN_ALL_TESTS();
}
