// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/in_process_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace strandel {
namespace {

// Binary PGMs in a folder of their own, removed afterwards.
class InProcessReader : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/strandel_in_process_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        m_dir = name;
    }
    void TearDown() override { ASSERT_EQ(std::system(("rm -rf '" + m_dir + "'").c_str()), 0); }

    // A width x height PGM whose pixel (x, y) is level(x, y), cut after
    // `keep` pixel bytes when keep >= 0.
    template <typename Level>
    std::string pgm(const std::string& name, int width, int height, int maxval, Level level, long keep = -1) {
        const std::string file = m_dir + "/" + name;
        std::ofstream out(file, std::ios::binary);
        out << "P5\n# made by the test\n" << width << " " << height << "\n" << maxval << "\n";
        long written = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width && (keep < 0 || written < keep); ++x, ++written)
                out.put(static_cast<char>(level(x, y)));
        return file;
    }

    std::string m_dir;
};

TEST_F(InProcessReader, PairsEveryPixelWithItsLabel) {
    const std::string image = pgm("a.pgm", 30, 20, 255, [](int x, int) { return x < 10 ? 40 : 200; });
    const std::string labels = pgm("a_seg.pgm", 30, 20, 255, [](int x, int y) { return x < 10 || y < 5 ? 0 : 255; });
    image_data data;
    std::string why;
    ASSERT_EQ(read_in_process({image, labels}, data, &why), in_process_status::read) << why;
    EXPECT_EQ(data.h[40], 200);
    EXPECT_EQ(data.h[200], 400);
    ASSERT_TRUE(data.has_manual);
    EXPECT_EQ(data.manual.at(40, 0), 200u);
    EXPECT_EQ(data.manual.at(200, 0), 100u);
    EXPECT_EQ(data.manual.at(200, 255), 300u);
}

TEST_F(InProcessReader, ALabelFileThatBreaksHalfWayIsDroppedAndTheImageCountedWhole) {
    const std::string image = pgm("b.pgm", 30, 20, 255, [](int, int y) { return y; });
    const std::string labels = pgm("b_seg.pgm", 30, 20, 255, [](int, int) { return 7; }, 30 * 12 + 5);
    image_data data;
    std::string why;
    ASSERT_EQ(read_in_process({image, labels}, data, &why), in_process_status::read) << why;
    EXPECT_FALSE(data.has_manual);
    for (unsigned level = 0; level < 20; ++level) EXPECT_EQ(data.h[level], 30) << level;
    EXPECT_EQ(total_pixels(data.h), 600);
}

TEST_F(InProcessReader, BrokenOrOversizedImagesAreUnreadableWithTheirReason) {
    image_data data;
    std::string why;
    const std::string cut = pgm("cut.pgm", 30, 20, 255, [](int, int) { return 1; }, 30 * 12 + 5);
    EXPECT_EQ(read_in_process({cut, ""}, data, &why), in_process_status::unreadable);
    EXPECT_EQ(why, "truncated PGM: 30x20 pixels declared, the file holds 365 of their 600 bytes");
    std::ofstream(m_dir + "/big.pgm") << "P5 65536 32768 255\n";
    EXPECT_EQ(read_in_process({m_dir + "/big.pgm", ""}, data, &why), in_process_status::unreadable);
    EXPECT_EQ(why, "65536x32768 pixels is too many: a gray level's count must fit a 32-bit integer");
    // 2^31 - 1 pixels still fit.
    std::ofstream(m_dir + "/most.pgm") << "P5 2147483647 1 255\nab";
    EXPECT_EQ(read_in_process({m_dir + "/most.pgm", ""}, data, &why), in_process_status::unreadable);
    EXPECT_EQ(why, "truncated PGM: 2147483647x1 pixels declared, the file holds 2 of their 2147483647 bytes");
    // A row of two gigabytes for a 25-byte file: refused before anything is
    // allocated for it.
    std::ofstream(m_dir + "/wide.pgm") << "P5 2000000000 1 255\nabcd";
    EXPECT_EQ(read_in_process({m_dir + "/wide.pgm", ""}, data, &why), in_process_status::unreadable);
    EXPECT_EQ(why, "truncated PGM: 2000000000x1 pixels declared, the file holds 4 of their 2000000000 bytes");
}

TEST_F(InProcessReader, FilesItDoesNotDecodeAreLeftToAnotherDecoder) {
    // Samples of 4 bits must be rescaled, as GIMP's loader does; the image
    // is then left to it, and so is an image whose labels need it.
    const std::string deep = pgm("deep.pgm", 4, 4, 15, [](int x, int) { return x; });
    const std::string plain = pgm("plain.pgm", 4, 4, 255, [](int x, int) { return x; });
    image_data data;
    data.h[0] = 12345;
    std::string why;
    EXPECT_EQ(read_in_process({deep, ""}, data, &why), in_process_status::not_covered);
    EXPECT_EQ(read_in_process({plain, deep}, data, &why), in_process_status::not_covered);
    EXPECT_EQ(data.h[0], 12345);  // untouched for the other decoder
    std::ofstream(m_dir + "/text.txt") << "not an image";
    EXPECT_EQ(read_in_process({m_dir + "/text.txt", ""}, data, &why), in_process_status::not_covered);

    // With a fallback, what it opens is read as any other file.
    int asked = 0;
    const rows_opener fallback = [&](const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                                     std::string* reason) {
        ++asked;
        EXPECT_EQ(file, deep);
        EXPECT_EQ(role, row_role::labels);
        return open_in_process(plain, role, rows, reason);
    };
    ASSERT_EQ(read_in_process({plain, deep}, data, &why, fallback), in_process_status::read) << why;
    EXPECT_EQ(asked, 1);
    ASSERT_TRUE(data.has_manual);
    EXPECT_EQ(data.manual.at(3, 3), 4u);
}

}  // namespace
}  // namespace strandel
