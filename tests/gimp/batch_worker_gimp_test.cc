// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/batch_worker_gimp.h"
#include "driver/read_image_gimp.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "gimp_fixtures.h"

namespace strandel {
namespace {

using namespace testing_gimp;

const param_info no_params[1] = {param_info(0, 0, "unused", "unused")};

// Two classes, dark and bright, optionally raising a stop flag.
class two_class_pass : public pass {
public:
    explicit two_class_pass(std::atomic<bool>* raise = nullptr) : pass("Two Classes", no_params, 0), m_raise(raise) {}
    void operator()(const histogram&, std::vector<double>& centres, progress_indicator*) const override {
        centres = {60.0, 190.0};
        if (m_raise) m_raise->store(true);
    }
    pass* clone() const override { return new two_class_pass(*this); }

private:
    std::atomic<bool>* m_raise;
};

chain one_pass(std::atomic<bool>* raise = nullptr) {
    chain passes;
    passes.append(std::make_unique<two_class_pass>(raise));
    return passes;
}

// Pixels of gray level 200 (the measure shows whether the histogram was
// read from the right byte).
class bright_share : public fitness_function {
public:
    bright_share() : fitness_function("Bright Share") {}
    double operator()(const histogram& h, const std::vector<double>&, const class_map&) const override {
        return double(h[200]) / double(total_pixels(h));
    }
};

// a.png: gray, a quarter of it bright. b.png: missing. c.png: colour whose
// third byte is 50 on the left and 200 on the right (its first byte the
// other way round), with c_seg.png labelling exactly those halves.
class BatchWorker : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (fitness_function_repertoire::instance()->size() == 0)
            fitness_function_repertoire::instance()->add(new bright_share());
        dir = new temp_dir();
        test_image a(70, 66, GIMP_GRAY_IMAGE, [](int x, int y, int) { return x < 35 && y < 33 ? 200 : 50; });
        ASSERT_TRUE(save_image(a, dir->file("a.png")));
        test_image c(130, 70, GIMP_RGB_IMAGE, [](int x, int, int ch) {
            const bool left = x < 65;
            return ch == 2 ? (left ? 50 : 200) : ch == 0 ? (left ? 200 : 50) : 128;
        });
        ASSERT_TRUE(save_image(c, dir->file("c.png")));
        test_image seg(130, 70, GIMP_GRAY_IMAGE, [](int x, int, int) { return x < 65 ? 1 : 2; });
        ASSERT_TRUE(save_image(seg, dir->file("c_seg.png")));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    std::vector<std::string> benchmark() const { return {dir->file("a.png"), dir->file("b.png"), dir->file("c.png")}; }
    static temp_dir* dir;
};

temp_dir* BatchWorker::dir = nullptr;

TEST_F(BatchWorker, WritesHeaderAndLinesKeepingPositionsAndAppendsRuns) {
    const chain passes = one_pass();
    const std::string results = dir->file("results.txt");
    const int images_before = open_images();
    for (int run = 0; run < 2; ++run) {
        batch_progress progress;
        std::atomic<bool> stop{false};
        const batch_outcome outcome =
            process_benchmark(benchmark(), passes, std::fopen(results.c_str(), "a"), progress, stop);
        EXPECT_TRUE(outcome.written);
        EXPECT_EQ(outcome.lines, 2);
        EXPECT_DOUBLE_EQ(progress.overall.load(), 2.0 / 3.0);
    }
    EXPECT_EQ(open_images(), images_before);  // every loaded image deleted

    const std::vector<std::string> lines = lines_of(read_text(results));
    ASSERT_EQ(lines.size(), 12u);
    for (int run = 0; run < 2; ++run) {
        const std::size_t at = std::size_t(run) * 6;
        EXPECT_EQ(lines[at], "");
        EXPECT_EQ(lines[at + 1], "");
        EXPECT_EQ(lines[at + 2], "Algorithm: Two Classes ");
        EXPECT_EQ(lines[at + 3],
                  "Image\tNumber of classes\tExecuction Time\tBright Share\tJaccard Distance (Supervised) ");
        const std::vector<std::string> a = fields_of(lines[at + 4]), c = fields_of(lines[at + 5]);
        ASSERT_EQ(a.size(), 4u);
        EXPECT_EQ(a[0], "0");
        EXPECT_EQ(a[1], "2");
        EXPECT_EQ(a[3], "0.25");
        // Only the image with a manual segmentation has the Jaccard column;
        // its classes follow the third byte and match the halves exactly.
        ASSERT_EQ(c.size(), 5u);
        EXPECT_EQ(c[0], "2");
        EXPECT_EQ(c[3], "0.50");
        EXPECT_EQ(c[4], "1.00");
    }
}

TEST_F(BatchWorker, ReportsAResultsFileThatCannotBeWritten) {
    batch_progress progress;
    std::atomic<bool> stop{false};
    const batch_outcome outcome =
        process_benchmark(benchmark(), one_pass(), std::fopen("/dev/full", "a"), progress, stop);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, std::strerror(ENOSPC));
    EXPECT_EQ(outcome.lines, 0);
}

TEST_F(BatchWorker, HonoursTheStopFlag) {
    std::atomic<bool> stop{false};
    batch_progress progress;
    const std::string results = dir->file("stopped.txt");
    const batch_outcome outcome =
        process_benchmark(benchmark(), one_pass(&stop), std::fopen(results.c_str(), "a"), progress, stop);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.lines, 1);  // the first image finished its chain
    EXPECT_EQ(lines_of(read_text(results)).size(), 5u);
    EXPECT_EQ(progress.overall.load(), 0.0);
}

TEST_F(BatchWorker, ReadsIndexedAndHighBitDepthImagesByTheirGrayLevels) {
    // Four gray levels; as a palette image the indices would be 0..3, and as
    // a 16-bit image every pixel would take two bytes.
    auto levels = [](int x, int, int) { return static_cast<unsigned char>((x / 10) * 80); };
    test_image indexed(40, 20, GIMP_GRAY_IMAGE, levels);
    ASSERT_TRUE(gimp_image_convert_indexed(indexed.image, GIMP_CONVERT_DITHER_NONE, GIMP_CONVERT_PALETTE_GENERATE,
                                           4, FALSE, FALSE, ""));
    ASSERT_TRUE(save_image(indexed, dir->file("indexed.png")));
    test_image deep(40, 20, GIMP_GRAY_IMAGE, levels);
    ASSERT_TRUE(gimp_image_convert_precision(deep.image, GIMP_PRECISION_U16_GAMMA));
    ASSERT_TRUE(save_image(deep, dir->file("deep.png")));

    for (const char* name : {"indexed.png", "deep.png"}) {
        SCOPED_TRACE(name);
        image_data data;
        std::string why;
        const std::string file = dir->file(name);
        ASSERT_EQ(read_image_with_gimp({file, manual_segmentation_name(file)}, data, &why), read_status::ok) << why;
        EXPECT_FALSE(data.has_manual);
        for (int level : {0, 80, 160, 240}) EXPECT_EQ(data.h[level], 200) << "level " << level;
        EXPECT_EQ(total_pixels(data.h), 800);
    }
}

}  // namespace
}  // namespace strandel
