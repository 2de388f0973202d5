// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/pixel_region_gimp.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "gimp_fixtures.h"

namespace strandel {
namespace {

using testing_gimp::attached;
using testing_gimp::test_image;

struct rect {
    int x, y, w, h;
};

// Bytes of the rectangle in tile order (rows of tiles, then rows inside a
// tile), and the span lengths the walk should hand out.
struct expected_walk {
    std::vector<unsigned char> bytes;
    std::vector<std::size_t> spans;
};

expected_walk expect(const test_image& img, rect r) {
    const int tw = int(gimp_tile_width()), th = int(gimp_tile_height());
    expected_walk e;
    for (int ty = (r.y / th) * th; ty < r.y + r.h; ty += th) {
        for (int tx = (r.x / tw) * tw; tx < r.x + r.w; tx += tw) {
            const int x1 = std::max(r.x, tx), x2 = std::min({r.x + r.w, tx + tw, img.width});
            const int y1 = std::max(r.y, ty), y2 = std::min({r.y + r.h, ty + th, img.height});
            const int tile_right = std::min(tx + tw, img.width);
            const bool full_width = x1 == tx && x2 == tile_right;
            for (int y = y1; y < y2; ++y) {
                const auto row = img.bytes.begin() + (std::size_t(y) * img.width + x1) * img.bpp;
                e.bytes.insert(e.bytes.end(), row, row + std::size_t(x2 - x1) * img.bpp);
                if (!full_width) e.spans.push_back(std::size_t(x2 - x1) * img.bpp);
            }
            if (full_width) e.spans.push_back(std::size_t(x2 - x1) * (y2 - y1) * img.bpp);
        }
    }
    return e;
}

expected_walk walk(GimpDrawable* d, rect r) {
    expected_walk got;
    pixel_region region(d, r.x, r.y, r.w, r.h, false, false);
    const pixel_region::iterator end = region.end();
    for (pixel_region::iterator it = region.begin(); it != end; ++it) {
        got.bytes.insert(got.bytes.end(), (*it).first, (*it).second);
        got.spans.push_back(std::size_t((*it).second - (*it).first));
    }
    return got;
}

// Drawable sizes that are not multiples of the tile size (128 in GIMP
// 2.10): three columns of tiles, the last 22 pixels wide, and two rows.
int tw() { return int(gimp_tile_width()); }
int th() { return int(gimp_tile_height()); }
int W() { return 2 * tw() + 22; }
int H() { return th() + 36; }
// Starts inside the second tile column and ends inside the second row.
rect inner() { return {tw() + 6, 10, tw() + 10, th() + 20}; }

// Pixels that differ in every byte, so that a byte read from the wrong
// place shows up.
unsigned char pattern(int x, int y, int c) { return static_cast<unsigned char>(x * 7 + y * 13 + c * 101); }

class PixelRegionWalk : public ::testing::TestWithParam<GimpImageType> {};

TEST_P(PixelRegionWalk, VisitsEveryByteOnceInTileOrderWithTheLongestSpans) {
    test_image img(W(), H(), GetParam(), pattern);
    attached d(img.layer);
    const rect rects[] = {
        {0, 0, W(), H()},         // whole drawable: smaller right and bottom tiles
        inner(),                  // next row of tiles resumes at the second column
        {5, 5, 10, 7},            // inside one tile, narrower: one span per row
        {tw(), 0, tw(), 10},      // a tile's full width: one span
        {W() - 1, H() - 1, 1, 1}, // one pixel
        {0, th() - 1, W(), 2},    // straddles a tile row boundary
    };
    for (const rect& r : rects) {
        SCOPED_TRACE(::testing::Message() << "rect " << r.x << "," << r.y << " " << r.w << "x" << r.h);
        const expected_walk want = expect(img, r), got = walk(d.d, r);
        EXPECT_EQ(got.spans, want.spans);
        EXPECT_TRUE(got.bytes == want.bytes);
        for (std::size_t s : got.spans) EXPECT_EQ(s % std::size_t(img.bpp), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(AllPixelSizes, PixelRegionWalk,
                         ::testing::Values(GIMP_GRAY_IMAGE, GIMP_GRAYA_IMAGE, GIMP_RGB_IMAGE, GIMP_RGBA_IMAGE));

TEST(PixelRegionIterator, EqualityFollowsTheWalk) {
    test_image img(W(), H(), GIMP_GRAY_IMAGE, pattern);
    attached d(img.layer);
    const rect r = inner();
    pixel_region region(d.d, r.x, r.y, r.w, r.h, false, false);
    pixel_region other(d.d, r.x, r.y, r.w, r.h, false, false);
    pixel_region::iterator a = region.begin(), b = region.begin();
    const pixel_region::iterator end = region.end();
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a != end);
    EXPECT_TRUE(a != other.begin());  // another region
    ++b;
    EXPECT_TRUE(a != b);
    pixel_region::iterator c = a;
    EXPECT_TRUE(c == a);
    int steps = 0;
    while (a != end) {
        ++a;
        ++steps;
    }
    // One span per row in each of the four tiles met, none of them covered
    // over its full width.
    EXPECT_EQ(steps, 2 * (th() - 10) + 2 * 30);
    EXPECT_TRUE(a == region.end());
    ++a;  // advancing at end changes nothing
    EXPECT_TRUE(a == end);
    c = a;
    EXPECT_TRUE(c == end);
}

std::vector<int> ref_counts(GimpDrawable* d) {
    std::vector<int> counts;
    for (unsigned i = 0; i < d->ntile_rows * d->ntile_cols; ++i) counts.push_back(d->tiles[i].ref_count);
    return counts;
}

TEST(PixelRegionIterator, TileReferencesBalance) {
    test_image img(W(), H(), GIMP_RGB_IMAGE, pattern);
    attached d(img.layer);
    const rect r = inner();
    pixel_region region(d.d, r.x, r.y, r.w, r.h, false, false);
    walk(d.d, r);  // the drawable's tile table now exists
    const std::vector<int> before = ref_counts(d.d);
    {
        pixel_region::iterator it = region.begin();
        const unsigned first = it.tile()->tile_num;
        EXPECT_EQ(d.d->tiles[first].ref_count, before[first] + 1);
        pixel_region::iterator copy = it;
        EXPECT_EQ(d.d->tiles[first].ref_count, before[first] + 2);
        const pixel_region::iterator end = region.end();
        while (it != end) ++it;
        copy = end;
        EXPECT_EQ(d.d->tiles[first].ref_count, before[first]);
    }
    EXPECT_EQ(ref_counts(d.d), before);
}

TEST(ComputeHistogram, CountsTheGrayByteOfEveryPixelSize) {
    // The first byte differs from the gray byte (third of colour pixels)
    // and the alpha byte differs from both.
    auto bytes = [](int x, int y, int c) {
        const unsigned char gray = static_cast<unsigned char>((x / 3 + y * 5) % 256);
        switch (c) {
            case 0: return gray;
            case 1: return static_cast<unsigned char>(255 - gray);
            case 2: return static_cast<unsigned char>(gray / 2 + 1);
            default: return static_cast<unsigned char>(x);
        }
    };
    const std::pair<GimpImageType, int> kinds[] = {
        {GIMP_GRAY_IMAGE, 0}, {GIMP_GRAYA_IMAGE, 0}, {GIMP_RGB_IMAGE, 2}, {GIMP_RGBA_IMAGE, 2}};
    for (const auto& kind : kinds) {
        test_image img(W(), H(), kind.first, bytes);
        attached d(img.layer);
        for (const rect& r : {rect{0, 0, W(), H()}, inner(), rect{3, 4, 1, 1}}) {
            histogram want;
            clear_histogram(want);
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x) ++want[bytes(x, y, kind.second)];
            histogram h;
            std::fill(h.begin(), h.end(), 99);  // counts of an earlier image
            ASSERT_TRUE(compute_histogram(d.d, &h, r.x, r.y, r.w, r.h));
            EXPECT_TRUE(std::equal(h.begin(), h.end(), want.begin())) << "bpp " << img.bpp << " rect " << r.x;
            EXPECT_EQ(total_pixels(h), std::int64_t(r.w) * r.h);
        }
    }
}

TEST(ComputeHistogram, TransparentColourPixelCountsAtItsThirdByte) {
    test_image img(1, 1, GIMP_RGBA_IMAGE, [](int, int, int c) { return c == 2 ? 255 : 0; });
    attached d(img.layer);
    histogram h;
    ASSERT_TRUE(compute_histogram(d.d, &h, 0, 0, 1, 1));
    EXPECT_EQ(h[255], 1);
    EXPECT_EQ(total_pixels(h), 1);
}

}  // namespace
}  // namespace strandel
