// SPDX-License-Identifier: GPL-3.0-or-later
// Label images as the runner saves them: their pixels read back, and what
// a long benchmark's saving leaves open.
#include "decoding/label_png.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "decoding/png_rows.h"
#include "test_support.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

// The directory listing's own descriptor is among them, every time.
int open_descriptors() {
    int n = 0;
    for (auto it = fs::directory_iterator("/proc/self/fd"); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

TEST(LabelPng, PixelsAreTheClassesOfTheirGrayLevels) {
    const testing::temporary_folder dir;
    gray_plane gray{3, 2, {0, 90, 200, 200, 90, 0}};
    std::vector<std::uint16_t> lookup(256, 0);
    lookup[90] = 1;
    lookup[200] = 2;
    const png_label_store store;
    const std::string file = dir / "x.1.png";
    std::string why;
    ASSERT_TRUE(store.write(file, gray, lookup, false, &why)) << why;
    EXPECT_TRUE(is_label_png(file));
    std::unique_ptr<pixel_rows> rows;
    ASSERT_EQ(open_png_rows(file, row_role::labels, &rows, &why), open_result::opened) << why;
    ASSERT_EQ(rows->width(), 3);
    ASSERT_EQ(rows->height(), 2);
    std::vector<int> pixels;
    for (int y = 0; y < 2; ++y) {
        const unsigned char* row = rows->next_row(&why);
        ASSERT_NE(row, nullptr) << why;
        pixels.insert(pixels.end(), row, row + 3);
    }
    EXPECT_EQ(pixels, (std::vector<int>{0, 1, 2, 2, 1, 0}));
}

TEST(LabelPng, SavingLeavesNoFileOpenAndNoTemporaryBehind) {
    const testing::temporary_folder dir;
    // A thousand images saved under the usual limit of 1024 open files must
    // not hold one descriptor each.
    gray_plane gray{2, 1, {5, 250}};
    const std::vector<std::uint16_t> lookup(256, 1);
    const png_label_store store;
    const int before = open_descriptors();
    std::string why;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(store.write(dir / ("img" + std::to_string(i % 4) + ".1.png"), gray, lookup, i % 2, &why)) << why;
        // Refused: a file in the way that is not a label image.
        std::ofstream(dir / "notes.1.png") << "mine";
        EXPECT_FALSE(store.write(dir / "notes.1.png", gray, lookup, false, &why));
    }
    EXPECT_EQ(open_descriptors(), before);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.path())) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"img0.1.png", "img1.1.png", "img2.1.png", "img3.1.png", "notes.1.png"}));
}

}  // namespace
}  // namespace strandel
