// SPDX-License-Identifier: GPL-3.0-or-later
// plug-in-strandel called through the procedural database, as scripts call
// it. Runs only where the plug-in is installed beside the test plug-in
// (tests/gimp/strandel_procedure.sh); skipped otherwise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/chain_format.h"
#include "framework/chain.h"
#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "evaluation/segmentation_painter_gimp.h"
#include "evaluation/class_colors.h"
#include "evaluation/fitness_function.h"
#include "evaluation/segmentation_rows.h"
#include "framework/pixel_region_gimp.h"
#include "gimp_fixtures.h"

namespace strandel {
namespace {

using testing_gimp::attached;
using testing_gimp::test_image;

const char* const chain_text = "K-Means(10, 3)";

struct call_result {
    GimpPDBStatusType status = GIMP_PDB_EXECUTION_ERROR;
    std::string message;
};

bool procedure_installed() {
    gint n = 0;
    gchar** names = nullptr;
    gimp_procedural_db_query("^plug-in-strandel$", ".*", ".*", ".*", ".*", ".*", ".*", &n, &names);
    g_strfreev(names);
    return n == 1;
}

call_result call(gint32 image, gint32 drawable, const char* chain, GimpRunMode mode = GIMP_RUN_NONINTERACTIVE) {
    gint n = 0;
    GimpParam* values = gimp_run_procedure("plug-in-strandel", &n, GIMP_PDB_INT32, mode,
                                           GIMP_PDB_IMAGE, image, GIMP_PDB_DRAWABLE, drawable, GIMP_PDB_STRING,
                                           chain, GIMP_PDB_END);
    call_result r;
    if (n > 0) r.status = values[0].data.d_status;
    if (n > 1 && values[1].type == GIMP_PDB_STRING && values[1].data.d_string) r.message = values[1].data.d_string;
    gimp_destroy_params(values, n);
    return r;
}

std::vector<unsigned char> read_bytes(gint32 drawable) {
    attached d(drawable);
    std::vector<unsigned char> bytes(std::size_t(d.d->width) * d.d->height * d.d->bpp);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d.d, 0, 0, d.d->width, d.d->height, FALSE, FALSE);
    gimp_pixel_rgn_get_rect(&rgn, bytes.data(), 0, 0, d.d->width, d.d->height);
    return bytes;
}

// The centres the chain finds on the image's histogram, computed here.
std::vector<double> expected_centres(const test_image& img, const char* text = chain_text) {
    histogram h;
    clear_histogram(h);
    for (std::size_t i = 0; i < img.bytes.size(); i += img.bpp) ++h[gray_of_pixel(&img.bytes[i], img.bpp)];
    register_passes();
    chain passes;
    EXPECT_TRUE(parse_chain(text, passes));
    const std::vector<double> centres = chain_outcome(passes, h).back();
    return centres;
}

// Three bands of noisy gray levels, so that the centres are not integers.
unsigned char band_level(int x, int y) { return (x < 13 ? 20 : x < 27 ? 120 : 220) + (x * 7 + y * 3) % 5; }

class StrandelProcedure : public ::testing::Test {
protected:
    void SetUp() override {
        if (!procedure_installed()) GTEST_SKIP() << "plug-in-strandel is not installed in this GIMP";
    }
};

TEST_F(StrandelProcedure, GrayPixelsTakeTheirClassCentreAndNothingElseChanges) {
    test_image img(40, 70, GIMP_GRAY_IMAGE, [](int x, int y, int) { return band_level(x, y); });
    // A second layer that must stay as it is.
    const gint32 other = gimp_layer_new(img.image, "other", 40, 70, GIMP_GRAY_IMAGE, 100.0, GIMP_LAYER_MODE_NORMAL);
    gimp_image_insert_layer(img.image, other, 0, 1);
    const std::vector<unsigned char> other_before = read_bytes(other);
    const std::vector<double> centres = expected_centres(img);
    ASSERT_GE(centres.size(), 2u);

    const call_result r = call(img.image, img.layer, chain_text);
    ASSERT_EQ(r.status, GIMP_PDB_SUCCESS) << r.message;
    const std::vector<unsigned char> after = read_bytes(img.layer);
    ASSERT_EQ(after.size(), img.bytes.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const double centre = centres[pixel_class(centres, img.bytes[i])];
        ASSERT_EQ(after[i], static_cast<unsigned char>(centre)) << "pixel " << i;
    }
    EXPECT_EQ(gimp_image_base_type(img.image), GIMP_GRAY);
    EXPECT_EQ(gimp_image_width(img.image), 40);
    EXPECT_EQ(gimp_image_height(img.image), 70);
    EXPECT_EQ(read_bytes(other), other_before);
    gint layers = 0;
    g_free(gimp_image_get_layers(img.image, &layers));
    EXPECT_EQ(layers, 2);
}

TEST_F(StrandelProcedure, ColourPixelsTakeTheirClassColourAndGrayAlphaIsKept) {
    // Colour is segmented on its third channel; the other two are noise.
    test_image rgba(300, 90, GIMP_RGBA_IMAGE,
                    [](int x, int y, int c) { return c == 2 ? band_level(x % 40, y) : c == 3 ? 7 : (x + y) % 256; });
    std::vector<double> centres = expected_centres(rgba);
    ASSERT_EQ(call(rgba.image, rgba.layer, chain_text).status, GIMP_PDB_SUCCESS);
    std::vector<unsigned char> after = read_bytes(rgba.layer);
    for (std::size_t i = 0; i < after.size(); i += 4) {
        const rgb& c = colors[pixel_class(centres, rgba.bytes[i + 2])];
        ASSERT_EQ(std::vector<int>(after.begin() + i, after.begin() + i + 4),
                  (std::vector<int>{c.r, c.g, c.b, 255}))
            << "pixel " << i / 4;
    }

    test_image graya(40, 30, GIMP_GRAYA_IMAGE, [](int x, int y, int c) { return c == 1 ? x * 6 : band_level(x, y); });
    centres = expected_centres(graya);
    ASSERT_EQ(call(graya.image, graya.layer, chain_text).status, GIMP_PDB_SUCCESS);
    after = read_bytes(graya.layer);
    for (std::size_t i = 0; i < after.size(); i += 2) {
        ASSERT_EQ(after[i], static_cast<unsigned char>(centres[pixel_class(centres, graya.bytes[i])]));
        ASSERT_EQ(after[i + 1], graya.bytes[i + 1]) << "alpha of pixel " << i / 2;
    }
}

TEST_F(StrandelProcedure, BadArgumentsAreCallingErrorsNamingTheArgument) {
    test_image img(8, 8, GIMP_GRAY_IMAGE, [](int x, int, int) { return x * 30; });
    call_result r = call(img.image, img.layer, "K-Means(10, 1)");
    EXPECT_EQ(r.status, GIMP_PDB_CALLING_ERROR);
    EXPECT_EQ(r.message.rfind("chain: ", 0), 0u) << r.message;
    r = call(img.image, img.layer, "Nothing Like A Pass");
    EXPECT_EQ(r.status, GIMP_PDB_CALLING_ERROR);
    EXPECT_NE(r.message.find("Nothing Like A Pass"), std::string::npos) << r.message;
    // GIMP itself refuses a drawable that does not exist, naming it too.
    r = call(img.image, 987654, chain_text);
    EXPECT_EQ(r.status, GIMP_PDB_CALLING_ERROR);
    EXPECT_NE(r.message.find("drawable"), std::string::npos) << r.message;
    test_image elsewhere(4, 4, GIMP_GRAY_IMAGE, [](int, int, int) { return 0; });
    r = call(img.image, elsewhere.layer, chain_text);
    EXPECT_EQ(r.status, GIMP_PDB_CALLING_ERROR);
    EXPECT_EQ(r.message.rfind("image: ", 0), 0u) << r.message;
    EXPECT_EQ(read_bytes(img.layer), img.bytes);  // refused runs paint nothing
}

TEST_F(StrandelProcedure, LastValuesRunTheStoredChainOrTheDefaultWhenItDoesNotDecode) {
    auto painted_as = [](const test_image& img, const std::vector<double>& centres) {
        std::vector<unsigned char> expected;
        for (unsigned char g : img.bytes) expected.push_back(static_cast<unsigned char>(centres[pixel_class(centres, g)]));
        return expected;
    };
    register_passes();
    chain stored;
    ASSERT_TRUE(parse_chain("K-Means(10, 4)", stored));
    std::vector<unsigned char> bytes;
    serialize_algo(stored, bytes);
    ASSERT_TRUE(gimp_procedural_db_set_data("plug-in-strandel", bytes.data(), guint32(bytes.size())));
    test_image img(40, 30, GIMP_GRAY_IMAGE, [](int x, int y, int) { return band_level(x, y); });
    // The chain argument is not read with last values.
    ASSERT_EQ(call(img.image, img.layer, "no such pass", GIMP_RUN_WITH_LAST_VALS).status, GIMP_PDB_SUCCESS);
    EXPECT_EQ(read_bytes(img.layer), painted_as(img, expected_centres(img, "K-Means(10, 4)")));

    const unsigned char garbage[5] = {0xFF, 0xFF, 0xFF, 0x7F, 1};
    ASSERT_TRUE(gimp_procedural_db_set_data("plug-in-strandel", garbage, sizeof garbage));
    test_image fresh(40, 30, GIMP_GRAY_IMAGE, [](int x, int y, int) { return band_level(x, y); });
    ASSERT_EQ(call(fresh.image, fresh.layer, "", GIMP_RUN_WITH_LAST_VALS).status, GIMP_PDB_SUCCESS);
    EXPECT_EQ(read_bytes(fresh.layer), painted_as(fresh, expected_centres(fresh, "AiNet")));
}

}  // namespace

// The strip painter against the classifier asked pixel by pixel, over a
// drawable of several tiles each way, so that strip edges are crossed.
TEST(PaintSegmentation, PositionSensitiveStripsAgreeWithTheClassifierPixelByPixel) {
    testing_gimp::test_image img(150, 140, GIMP_GRAY_IMAGE,
                                 [](int x, int y, int) { return ((x * 37) ^ (y * 91)) % 256; });
    testing_gimp::attached d(img.layer);
    if (pixel_classifier_repertoire::instance()->size() == 0) register_pixel_classifiers();
    const pixel_classifier* pos = pixel_classifier_repertoire::instance()->find("Position Sensitive Classifier");
    ASSERT_NE(pos, nullptr);
    histogram h;
    compute_histogram(d.d, &h, 0, 0, 150, 140);
    const std::vector<double> centres{30, 100, 170, 240};
    class_map classes;
    classify(h, centres, &classes);
    // An area that starts inside the drawable: its edges bound the votes.
    const int ax = 3, ay = 5, aw = 140, ah = 130;
    std::vector<unsigned char> painted(std::size_t(aw) * ah);
    paint_segmentation(d.d, ax, ay, aw, ah, segmentation{&h, &centres, &classes}, pos,
                       [&](int y, int rows, const unsigned char* bytes) {
                           std::copy(bytes, bytes + std::size_t(aw) * rows, painted.begin() + std::size_t(y - ay) * aw);
                       });
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d.d, ax, ay, aw, ah, FALSE, FALSE);
    for (int y = ay; y < ay + ah; ++y)
        for (int x = ax; x < ax + aw; ++x) {
            const unsigned char gray = img.bytes[std::size_t(y) * 150 + x];
            const int k = (*pos)(h, centres, classes, d.d, &rgn, gray, x, y, 1.0);
            ASSERT_EQ(painted[std::size_t(y - ay) * aw + (x - ax)], static_cast<unsigned char>(centres[k]))
                << "at " << x << "," << y;
        }
}

}  // namespace strandel

namespace strandel {
namespace {

// A position with no neighbour inside the region has no vote to weigh:
// the classifier answers with the nearest centre instead of an arbitrary
// class.
TEST(PaintSegmentation, PositionSensitiveClassifierWithoutVotesTakesTheNearestCentre) {
    testing_gimp::test_image img(6, 6, GIMP_GRAY_IMAGE, [](int, int, int) { return 250; });
    testing_gimp::attached d(img.layer);
    if (pixel_classifier_repertoire::instance()->size() == 0) register_pixel_classifiers();
    const pixel_classifier* pos = pixel_classifier_repertoire::instance()->find("Position Sensitive Classifier");
    ASSERT_NE(pos, nullptr);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d.d, 0, 0, 2, 2, FALSE, FALSE);
    histogram h;
    clear_histogram(h);
    const class_map classes;
    const std::vector<double> centres{255, 10, 90};
    // Far from the 2 x 2 region: gray 20 is nearest to centre 1.
    EXPECT_EQ((*pos)(h, centres, classes, d.d, &rgn, 20, 5, 5, 1.0), 1);
    EXPECT_EQ((*pos)(h, centres, classes, d.d, &rgn, 80, -3, 0, 1.0), 2);
    // Inside, the neighbours (all 250) still decide.
    EXPECT_EQ((*pos)(h, centres, classes, d.d, &rgn, 20, 0, 0, 1.0), 0);
}

// Not a check: how long one preview refresh of a one-megapixel visible
// area takes inside GIMP, tile traffic included. Run it with
//   run_in_gimp.sh strandel-gimp-tests "--gtest_also_run_disabled_tests --gtest_filter=*PreviewRefreshTime*"
TEST(PaintSegmentation, DISABLED_PreviewRefreshTimeOfOneMegapixel) {
    testing_gimp::test_image img(1000, 1000, GIMP_RGB_IMAGE, [](int x, int y, int) {
        return static_cast<unsigned char>((x < 333 ? 40 : y < 500 ? 120 : 210) + (x * 7 + y * 13) % 21);
    });
    testing_gimp::attached d(img.layer);
    register_passes();
    register_fitness_functions();
    if (pixel_classifier_repertoire::instance()->size() == 0) register_pixel_classifiers();
    chain passes;
    ASSERT_TRUE(parse_chain("", passes));
    for (const pixel_classifier* classifier : *pixel_classifier_repertoire::instance()) {
        std::vector<unsigned char> picture(std::size_t(1000) * 1000 * 3);
        const gint64 start = g_get_monotonic_time();
        gimp_tile_cache_ntiles(4 * (1000 / gimp_tile_width() + 2));
        histogram h;
        compute_histogram(d.d, &h, 0, 0, 1000, 1000);
        const std::vector<double> centres = chain_outcome(passes, h).back();
        class_map classes;
        classify(h, centres, &classes);
        for (const fitness_function* f : *fitness_function_repertoire::instance()) (*f)(h, centres, classes);
        paint_segmentation(d.d, 0, 0, 1000, 1000, segmentation{&h, &centres, &classes}, classifier,
                           [&](int y, int rows, const unsigned char* bytes) {
                               std::copy(bytes, bytes + std::size_t(3000) * rows, picture.begin() + std::size_t(y) * 3000);
                           });
        const double ms = (g_get_monotonic_time() - start) / 1000.0;
        std::printf("preview refresh, 1000 x 1000 RGB, %s: %.1f ms (%zu classes)\n", classifier->label(), ms,
                    centres.size());
    }
}

}  // namespace
}  // namespace strandel
