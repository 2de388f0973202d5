// SPDX-License-Identifier: GPL-3.0-or-later
// The page's pieces: escaping, numbers, thumbnails and their PNG and
// base64 encoding, and the replacement of the page file.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "evaluation/class_colors.h"
#include "report_page/atomic_file.h"
#include "report_page/base64.h"
#include "report_page/colour_ramp.h"
#include "report_page/comparison.h"
#include "report_page/html_escape.h"
#include "report_page/html_page.h"
#include "report_page/number_format.h"
#include "report_page/png_read.h"
#include "report_page/png_write.h"
#include "report_page/provenance_view.h"
#include "report_page/thumbnails.h"
#include "batch/label_images.h"

namespace strandel {

bool operator==(const rgb& a, const rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
std::ostream& operator<<(std::ostream& out, const rgb& c) { return out << int(c.r) << "," << int(c.g) << "," << int(c.b); }

namespace {

namespace fs = std::filesystem;

// A fresh folder, removed with everything in it.
class temp_folder {
public:
    temp_folder() {
        char name[] = "/tmp/report_page_test.XXXXXX";
        m_path = mkdtemp(name);
    }
    ~temp_folder() { fs::remove_all(m_path); }
    std::string operator/(const std::string& name) const { return (fs::path(m_path) / name).string(); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A gray PNG of 8 or 16 bits written by libpng's own simplified API, so
// the reader is checked against a writer that is not ours.
void write_gray_png(const std::string& path, int width, int height, const std::vector<std::uint16_t>& values,
                    bool sixteen) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = sixteen ? PNG_FORMAT_LINEAR_Y : PNG_FORMAT_GRAY;
    std::vector<unsigned char> bytes;
    if (sixteen) {
        ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, values.data(), 0, nullptr));
        return;
    }
    for (std::uint16_t v : values) bytes.push_back(static_cast<unsigned char>(v));
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr));
}

// Every row of a file as the page reads it: width, height, channels, pixels.
struct read_image {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;
    std::string why;
};
read_image read_png(const std::string& path) {
    read_image image;
    const auto rows = open_png_rows(path, &image.why);
    if (!rows) return image;
    for (int y = 0; y < rows->height(); ++y) {
        const unsigned char* row = rows->next_row(&image.why);
        if (!row) return image;
        image.pixels.insert(image.pixels.end(), row, row + std::size_t(rows->width()) * rows->channels());
    }
    image.width = rows->width();
    image.height = rows->height();
    image.channels = rows->channels();
    return image;
}
std::vector<std::uint16_t> read_labels(const std::string& path, std::string* why) {
    std::vector<std::uint16_t> labels;
    const auto rows = open_label_rows(path, why);
    for (int y = 0; rows && y < rows->height(); ++y) {
        const std::uint16_t* row = rows->next_row(why);
        if (!row) return {};
        labels.insert(labels.end(), row, row + rows->width());
    }
    return labels;
}

// The pixels of an embedded thumbnail, decoded by libpng from its data: URI.
std::vector<rgb> label_rgb(const thumbnail& t) {
    const std::string prefix = "data:image/png;base64,";
    if (t.src.rfind(prefix, 0) != 0) return {};
    const std::string b64 = t.src.substr(prefix.size());
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        return c == '+' ? 62 : 63;
    };
    std::string bytes;
    for (std::size_t i = 0; i + 3 < b64.size(); i += 4) {
        const int v = value(b64[i]) << 18 | value(b64[i + 1]) << 12 | (b64[i + 2] == '=' ? 0 : value(b64[i + 2]) << 6) |
                      (b64[i + 3] == '=' ? 0 : value(b64[i + 3]));
        bytes += static_cast<char>(v >> 16);
        if (b64[i + 2] != '=') bytes += static_cast<char>((v >> 8) & 255);
        if (b64[i + 3] != '=') bytes += static_cast<char>(v & 255);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    std::vector<rgb> out;
    for (std::size_t i = 0; i + 2 < pixels.size(); i += 3) out.push_back({pixels[i], pixels[i + 1], pixels[i + 2]});
    return out;
}


TEST(ReportPageEscape, AwkwardNamesStayText) {
    EXPECT_EQ(html_escape("a b \"c\" 'd' <e> & f"), "a b &quot;c&quot; &#39;d&#39; &lt;e&gt; &amp; f");
    EXPECT_EQ(html_escape("&amp;"), "&amp;amp;");
    EXPECT_EQ(html_escape(std::string("x\x01y\tz", 5)), "x&#xFFFD;y\tz");
    EXPECT_EQ(html_escape(std::string("\0\x1F\x7F \x80", 5)), "&#xFFFD;&#xFFFD;&#xFFFD; \x80");
    EXPECT_EQ(html_escape("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");  // UTF-8 passes
}

TEST(ReportPageEscape, PageCarriesChainTextsAndFileNamesOnlyEscaped) {
    const std::string chain = "K-Means(10, 3); \"x\" <script>alert(1)</script> & 'y'";
    const std::string image = "dir/odd \"name\" <b>&amp;.png";
    std::vector<result_row> rows(1);
    rows[0].chain = chain;
    rows[0].image = image;
    rows[0].manual_segmentation = "dir/seg.png";
    for (auto& v : rows[0].values) v = 0.5;
    comparison c;
    std::string error;
    ASSERT_TRUE(arrange(rows, &c, &error));
    const rank_summary ranks = mean_ranks(c);
    std::vector<image_thumbnails> thumbs(1);
    thumbs[0].labels.resize(1);  // one row, one label thumbnail
    thumbs[0].image.problem = "could not decode " + image;
    page_content content{&c, &ranks, {"t<1>.csv"}, &thumbs, nullptr, ""};
    const std::string page = html_page(content);
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    EXPECT_EQ(page.find("<b>&amp;"), std::string::npos);
    EXPECT_EQ(page.find("t<1>"), std::string::npos);
    EXPECT_NE(page.find(html_escape(chain)), std::string::npos);
    // In attribute values (titles, data-) as well as in text.
    EXPECT_NE(page.find("title=\"" + html_escape(image) + "\""), std::string::npos);
    EXPECT_NE(page.find("data-image=\"" + html_escape(image) + "\""), std::string::npos);
    // The image table's data: a script string no "</script>" can end.
    EXPECT_NE(page.find(R"("odd \"name\" \u003cb\u003e\u0026amp;.png")"), std::string::npos);
    EXPECT_NE(page.find(R"(\u003cscript\u003ealert(1)\u003c/script\u003e)"), std::string::npos);
    // Nothing is fetched from elsewhere.
    EXPECT_EQ(page.find("http"), std::string::npos);
    EXPECT_EQ(page.find("src=\"/"), std::string::npos);
}

// The foot of the page: what a table's provenance record says, as text.
TEST(ReportPageProvenance, RecordShownEscaped) {
    temp_folder dir;
    write_file(dir / "t.csv.json", R"json({"engine": "native", "chains": ["K-Means(10, 3)", "A<b>&c"],
        "images": {"images": 5, "read": 3, "skipped": 2}})json");
    const std::string html = provenance_footer({dir / "t.csv"});
    EXPECT_NE(html.find("<td>K-Means(10, 3)  |  A&lt;b&gt;&amp;c</td>"), std::string::npos) << html;
    EXPECT_EQ(html.find("A<b>"), std::string::npos);
    EXPECT_NE(html.find("<td>3 read, 2 skipped</td>"), std::string::npos) << html;
}

TEST(ReportPageNumbers, FourSignificantDigitsAndFullValues) {
    EXPECT_EQ(short_number(3.741930931), "3.742");
    EXPECT_EQ(short_number(40), "40.00");
    EXPECT_EQ(short_number(0.0123456), "0.01235");
    EXPECT_EQ(short_number(9.99961), "10.00");  // rounding carries into a new digit
    EXPECT_EQ(short_number(123456.7), "123457");
    EXPECT_EQ(short_number(-2.5e-6), "-2.500e-06");
    EXPECT_EQ(short_number(0), "0");
    EXPECT_EQ(short_number(-INFINITY), "-inf");
    EXPECT_EQ(full_number(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(full_number(-NAN), "nan");
    double back;
    ASSERT_TRUE(parse_decimal(full_number(1.0 / 3), &back));
    EXPECT_EQ(back, 1.0 / 3);
}

TEST(ReportPageBase64, KnownVectors) {
    EXPECT_EQ(base64(""), "");
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foo"), "Zm9v");
    EXPECT_EQ(base64("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64(std::string("\xFF\xFE\x00", 3)), "//4A");
}

TEST(ReportPageThumbnails, SizesFitTheLongSide) {
    int w, h;
    thumbnail_size(640, 480, &w, &h);
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    thumbnail_size(100, 3000, &w, &h);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 160);
    thumbnail_size(2000, 1, &w, &h);
    EXPECT_EQ(h, 1);
    thumbnail_size(90, 60, &w, &h);  // small images are not enlarged
    EXPECT_EQ(w, 90);
    EXPECT_EQ(h, 60);
}

TEST(ReportPageThumbnails, ShrinkAveragesAndLabelsKeepTheirClasses) {
    // 4 x 2 gray into 2 x 1: (0+100+50+250)/4, (10+20+30+40)/4.
    row_shrinker gray(4, 2, 1, 2, 1);
    const unsigned char rows[2][4] = {{0, 100, 10, 20}, {50, 250, 30, 40}};
    gray.add(rows[0]);
    gray.add(rows[1]);
    EXPECT_EQ(gray.pixels(), (std::vector<unsigned char>{100, 25}));
    // RGB, 5 columns into 2: spans of 2 and 3 columns, rounded to nearest.
    row_shrinker rgb(5, 1, 3, 2, 1);
    const unsigned char line[15] = {0, 0, 0, 1, 2, 3, 10, 10, 10, 20, 20, 20, 30, 31, 32};
    rgb.add(line);
    EXPECT_EQ(rgb.pixels(), (std::vector<unsigned char>{1, 1, 2, 20, 20, 21}));
    const std::uint16_t labels[4][4] = {{0, 0, 1, 1}, {0, 0, 1, 1}, {2, 2, 3, 3}, {2, 2, 300, 3}};
    label_shrinker centre(4, 4, 2, 2);
    for (const auto& row : labels) centre.add(row);
    EXPECT_EQ(centre.labels(), (std::vector<std::uint16_t>{0, 1, 2, 3}));
}

TEST(ReportPageThumbnails, HugePngIsShrunkRowByRowAndTooLargeOnesAreRefused) {
    temp_folder dir;
    // 4000 x 3000 gray, its left half 0 and right half 200: the thumbnail
    // (160 x 120) shows both halves, read without holding the image.
    {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 4000;
        image.height = 3000;
        image.format = PNG_FORMAT_GRAY;
        std::vector<unsigned char> pixels(std::size_t(4000) * 3000, 0);
        for (std::size_t y = 0; y < 3000; ++y) std::fill_n(pixels.begin() + y * 4000 + 2000, 2000, 200);
        ASSERT_TRUE(png_image_write_to_file(&image, (dir / "big.png").c_str(), 0, pixels.data(), 0, nullptr));
    }
    const thumbnail t = image_thumbnail(dir / "big.png", open_png_rows);
    ASSERT_TRUE(t.ok()) << t.problem;
    EXPECT_EQ(t.width, 160);
    EXPECT_EQ(t.height, 120);
    // A header claiming 2^31 pixels is refused before any row is read.
    std::string header = encode_png(1, 1, 1, {0});
    const unsigned char size[8] = {0, 1, 0, 0, 0, 0, 0x80, 0};  // 65536 x 32768
    header.replace(16, 8, reinterpret_cast<const char*>(size), 8);
    const unsigned long crc = crc32(0, reinterpret_cast<const unsigned char*>(header.data()) + 12, 17);
    for (int k = 0; k < 4; ++k) header[29 + k] = static_cast<char>(crc >> (24 - 8 * k));
    write_file(dir / "claims.png", header);
    const thumbnail refused = image_thumbnail(dir / "claims.png", open_png_rows);
    EXPECT_FALSE(refused.ok());
    EXPECT_NE(refused.reason.find("more pixels than any benchmark image"), std::string::npos) << refused.problem;
}

TEST(ReportPageThumbnails, SpecialFilesAreNotOpened) {
    temp_folder dir;
    ASSERT_EQ(mkfifo((dir / "a.1.png").c_str(), 0600), 0);
    // A FIFO nobody writes would block an open for reading.
    const thumbnail label = label_thumbnail(dir / "a.1.png");
    EXPECT_FALSE(label.ok());
    EXPECT_EQ(label.reason, "it is a FIFO (named pipe), not a regular file");
    EXPECT_FALSE(image_thumbnail(dir / "a.1.png", open_png_rows).ok());
    EXPECT_EQ(image_thumbnail(dir.path(), open_png_rows).reason, "it is a directory, not a regular file");
    EXPECT_EQ(image_thumbnail(dir / "none.png", open_png_rows).reason, "No such file or directory");
}

TEST(ReportPageThumbnails, PngDecodingOfGrayRgbAndSixteenBits) {
    temp_folder dir;
    write_gray_png(dir / "gray16.png", 2, 1, {0x1234, 0xFFFF}, true);
    read_image image = read_png(dir / "gray16.png");
    EXPECT_EQ(image.channels, 1);
    // libpng's linear 16-bit write stores values as given; 8 bits keep the
    // rounded high byte.
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{0x12, 0xFF}));

    const std::string rgb = encode_png(2, 1, 3, {1, 2, 3, 250, 251, 252});
    write_file(dir / "rgb.png", rgb);
    image = read_png(dir / "rgb.png");
    EXPECT_EQ(image.channels, 3);
    EXPECT_EQ(image.pixels, (std::vector<unsigned char>{1, 2, 3, 250, 251, 252}));

    write_file(dir / "broken.png", "\x89PNG\r\n\x1a\nbroken");
    EXPECT_EQ(read_png(dir / "broken.png").width, 0);
    EXPECT_EQ(read_png(dir / "missing.png").why, "No such file or directory");
    // Cut inside its pixels: the rows read so far are no thumbnail.
    write_file(dir / "cut.png", rgb.substr(0, rgb.size() - 20));
    EXPECT_EQ(read_png(dir / "cut.png").width, 0);
    EXPECT_FALSE(image_thumbnail(dir / "cut.png", open_png_rows).ok());
    const thumbnail t = image_thumbnail(dir / "broken.png", open_png_rows);
    EXPECT_FALSE(t.ok());
    EXPECT_NE(t.problem.find("broken.png"), std::string::npos);
}

TEST(ReportPageThumbnails, LabelImagesKeepSixteenBitClassesAndTakeTheirClassColours) {
    temp_folder dir;
    write_gray_png(dir / "a.1.png", 3, 1, {2, 300, 300}, true);
    std::string why;
    EXPECT_EQ(read_labels(dir / "a.1.png", &why), (std::vector<std::uint16_t>{2, 300, 300})) << why;

    // The thumbnail is a palette PNG: decode it and compare with the ramp.
    // Without centres the labels go by rank: 2 the darkest, 300 the lightest.
    EXPECT_EQ(label_rgb(label_thumbnail(dir / "a.1.png")),
              (std::vector<rgb>{ramp_step(0), ramp_step(255), ramp_step(255)}));
    // With centres each class sits at its centre between the lowest and
    // the highest: classes 0..2 at 0.25, 1, 0 of the ramp; label 300 has no
    // centre, so every label goes by rank again.
    write_gray_png(dir / "b.1.png", 3, 1, {0, 1, 2}, false);
    EXPECT_EQ(label_rgb(label_thumbnail(dir / "b.1.png", {{0.25, 1.0, 0.0}})),
              (std::vector<rgb>{ramp_step(64), ramp_step(255), ramp_step(0)}));
    EXPECT_EQ(label_rgb(label_thumbnail(dir / "a.1.png", {{0.25, 1.0, 0.0}})),
              (std::vector<rgb>{ramp_step(0), ramp_step(255), ramp_step(255)}));

    // Colour files are no label images.
    write_file(dir / "rgb.png", encode_png(1, 1, 3, {1, 2, 3}));
    EXPECT_TRUE(read_labels(dir / "rgb.png", &why).empty());
    EXPECT_EQ(label_thumbnail(dir / "rgb.png").reason, "a colour PNG, which is no label image");
}

TEST(ReportPageThumbnails, TheRampRisesInLightnessAndManualSegmentationsUseIt) {
    // Relative luminance rises with every step: the ramp's order is the
    // gray levels' order, in print too.
    const auto luminance = [](const rgb& c) {
        const auto linear = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
    };
    // (Neighbouring steps may round to one 8-bit colour.)
    for (int step = 1; step < 256; ++step) {
        EXPECT_GE(luminance(ramp_step(step)), luminance(ramp_step(step - 1))) << step;
        if (step >= 3) {
            EXPECT_GT(luminance(ramp_step(step)), luminance(ramp_step(step - 3))) << step;
        }
    }
    EXPECT_LT(luminance(ramp_step(0)), 0.06);
    EXPECT_GT(luminance(ramp_step(255)), 0.7);
    EXPECT_GT(ramp_step(0).b, ramp_step(0).g);    // blue-violet at the dark end
    EXPECT_GT(ramp_step(255).r, ramp_step(255).b);  // yellow at the light end
    // A ground truth of labels 0..3 (the raw values nearly black) spreads
    // over the whole ramp; a colour file shows as it is.
    temp_folder dir;
    write_gray_png(dir / "truth.png", 4, 1, {3, 0, 1, 2}, false);
    EXPECT_EQ(label_rgb(embedded(encode_truth_thumbnail(dir / "truth.png", open_png_rows))),
              (std::vector<rgb>{ramp_step(255), ramp_step(0), ramp_step(85), ramp_step(170)}));
    write_file(dir / "colour.png", encode_png(1, 1, 3, {10, 20, 30}));
    EXPECT_EQ(label_rgb(embedded(encode_truth_thumbnail(dir / "colour.png", open_png_rows))),
              (std::vector<rgb>{{10, 20, 30}}));
}

TEST(ReportPageThumbnails, LabelImagePathUsesTheStemAndChainNumber) {
    EXPECT_EQ(label_image_path("seg", "/data/brain 01.tiff", 3), "seg/brain 01.3.png");
    EXPECT_EQ(label_image_path("seg/", "a.b.png", 1), "seg/a.b.1.png");
    EXPECT_EQ(label_image_path("seg", "noext", 12), "seg/noext.12.png");
    EXPECT_EQ(label_image_path("seg", "img/.hidden", 2), "seg/.hidden.2.png");  // a leading dot is no extension
}

TEST(ReportPageAtomicFile, ReplacesWholeOrLeavesTheOldFile) {
    temp_folder dir;
    const std::string page = dir / "page.html";
    write_file(page, "old");
    std::string error;
    ASSERT_TRUE(replace_file(page, "new page", &error)) << error;
    std::ifstream in(page);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "new page");
    // A folder in the way: the rename fails, and no temporary file stays.
    fs::create_directory(dir / "taken.html");
    write_file(dir / "taken.html/inside", "x");
    EXPECT_FALSE(replace_file(dir / "taken.html", "page", &error));
    EXPECT_EQ(error.rfind(dir / "taken.html: cannot write: ", 0), 0u) << error;
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) entries += entry.exists();
    EXPECT_EQ(entries, 2);  // page.html and taken.html only
    EXPECT_FALSE(replace_file(dir / "no/such/folder/page.html", "page", &error));
}

}  // namespace
}  // namespace strandel
