// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/in_process_reader.h"
#include "decoding/gif_rows.h"
#include "decoding/jpeg_rows.h"
#include "decoding/tiff_check.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <vector>
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

namespace strandel {
namespace {

// A 3 x 2 image whose level at (x, y) is 10 * y + x.
class numbered_rows : public pixel_rows {
public:
    numbered_rows() : pixel_rows(3, 2) {}
    const unsigned char* next_row(std::string*) override {
        for (int x = 0; x < 3; ++x) m_row[x] = static_cast<unsigned char>(10 * m_y + x);
        ++m_y;
        return m_row;
    }

private:
    unsigned char m_row[3];
    int m_y = 0;
};

std::vector<std::vector<int>> shown(int orientation) {
    auto rows = oriented_rows(std::make_unique<numbered_rows>(), orientation);
    std::vector<std::vector<int>> out;
    std::string why;
    for (int y = 0; y < rows->height(); ++y) {
        const unsigned char* row = rows->next_row(&why);
        out.emplace_back(row, row + rows->width());
    }
    return out;
}

TEST(OrientedRows, EveryExifOrientationShowsTheStoredImageAsGimpTurnsIt) {
    using grid = std::vector<std::vector<int>>;
    EXPECT_EQ(shown(1), (grid{{0, 1, 2}, {10, 11, 12}}));
    EXPECT_EQ(shown(2), (grid{{2, 1, 0}, {12, 11, 10}}));
    EXPECT_EQ(shown(3), (grid{{12, 11, 10}, {2, 1, 0}}));
    EXPECT_EQ(shown(4), (grid{{10, 11, 12}, {0, 1, 2}}));
    EXPECT_EQ(shown(5), (grid{{0, 10}, {1, 11}, {2, 12}}));
    EXPECT_EQ(shown(6), (grid{{10, 0}, {11, 1}, {12, 2}}));  // turned clockwise
    EXPECT_EQ(shown(7), (grid{{12, 2}, {11, 1}, {10, 0}}));
    EXPECT_EQ(shown(8), (grid{{2, 12}, {1, 11}, {0, 10}}));  // turned counter-clockwise
}

std::vector<unsigned char> exif(bool big_endian, unsigned tag, unsigned type, unsigned value) {
    auto u16 = [&](std::vector<unsigned char>& b, unsigned v) {
        if (big_endian) b.insert(b.end(), {static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)});
        else b.insert(b.end(), {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)});
    };
    std::vector<unsigned char> b = {'E', 'x', 'i', 'f', 0, 0};
    b.insert(b.end(), big_endian ? std::initializer_list<unsigned char>{'M', 'M'} : std::initializer_list<unsigned char>{'I', 'I'});
    u16(b, 42);
    u16(b, 0), u16(b, 8);  // the directory's offset, 8, as two halves
    if (!big_endian) std::swap(b[10], b[12]), std::swap(b[11], b[13]);
    u16(b, 2);                                           // two entries
    u16(b, 0x010F), u16(b, 2), u16(b, 0), u16(b, 0), u16(b, 0), u16(b, 0);  // another tag first
    u16(b, tag), u16(b, type), u16(b, 0), u16(b, 1), u16(b, value), u16(b, 0);
    return b;
}

TEST(ExifOrientation, IsReadInEitherByteOrderAndOtherwiseOne) {
    for (bool big : {true, false}) {
        EXPECT_EQ(exif_orientation(exif(big, 0x0112, 3, 6).data(), exif(big, 0x0112, 3, 6).size()), 6) << big;
        EXPECT_EQ(exif_orientation(exif(big, 0x0112, 3, 9).data(), exif(big, 0x0112, 3, 9).size()), 1) << big;
        EXPECT_EQ(exif_orientation(exif(big, 0x0112, 4, 6).data(), exif(big, 0x0112, 4, 6).size()), 1) << big;
        EXPECT_EQ(exif_orientation(exif(big, 0x0111, 3, 6).data(), exif(big, 0x0111, 3, 6).size()), 1) << big;
        const auto cut = exif(big, 0x0112, 3, 6);
        EXPECT_EQ(exif_orientation(cut.data(), cut.size() - 6), 1) << big;  // entry cut off
    }
}

// The first bytes tell the decoder, even in a build without it.
TEST(FileSignatures, TellJpegGifAndTiffOfEitherByteOrderAndBigTiff) {
    const auto has = [](bool (*test)(const unsigned char*, std::size_t), const char* bytes, std::size_t size) {
        return test(reinterpret_cast<const unsigned char*>(bytes), size);
    };
    for (const char* tiff : {"II*\0", "MM\0*", "II+\0", "MM\0+"}) EXPECT_TRUE(has(has_tiff_signature, tiff, 4)) << tiff;
    EXPECT_FALSE(has(has_tiff_signature, "II*\0", 3));
    EXPECT_FALSE(has(has_tiff_signature, "MM*\0", 4));
    EXPECT_TRUE(has(has_gif_signature, "GIF87a", 6));
    EXPECT_TRUE(has(has_gif_signature, "GIF89a", 6));
    EXPECT_FALSE(has(has_gif_signature, "GIF88a", 6));
    EXPECT_TRUE(has(has_jpeg_signature, "\xFF\xD8", 2));
    EXPECT_FALSE(has(has_jpeg_signature, "\xFF\xD9", 2));
}

}  // namespace
}  // namespace strandel
