// SPDX-License-Identifier: GPL-3.0-or-later
// Several chains on one reading of a benchmark, seeded per image; the
// results table; ground-truth patterns; folders of images.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/benchmark_runner.h"
#include "batch/ground_truth.h"
#include "batch/image_folder.h"
#include "batch/report_merge.h"
#include "batch/table_writer.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

std::string read(const std::string& file) {
    std::stringstream s;
    s << std::ifstream(file, std::ios::binary).rdbuf();
    return s.str();
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        parts.push_back(text.substr(start, end - start));
    parts.push_back(text.substr(start));
    return parts;
}

// A report with its time column masked.
std::string untimed(const std::string& report) {
    std::string out;
    for (std::string line : split(report, "\n")) {
        std::vector<std::string> f = split(line, "\t");
        if (f.size() > 3 && !line.empty() && line[0] >= '0' && line[0] <= '9') {
            f[2] = "-";
            line.clear();
            for (const std::string& field : f) line += (line.empty() ? "" : "\t") + field;
        }
        out += line + "\n";
    }
    return out;
}

class CompareChains : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/strandel_compare_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        for (int k = 0; k < 9; ++k) request.images.push_back("scene" + std::to_string(k));
    }
    void TearDown() override { fs::remove_all(dir); }

    request_outcome run(benchmark_request r, const std::string& out) {
        r.results_file = dir + "/" + out;
        runner_output output;
        return run_benchmark_request(r, reader, output);
    }

    std::string dir;
    benchmark_request request;
    int reads = 0;
    // Three to five gray levels; every third scene has a manual segmentation.
    image_reader reader = [this](const image_request& image, image_data& data, std::string*) {
        ++reads;
        const int k = std::stoi(image.image.substr(5));
        clear_histogram(data.h);
        for (int level = 0; level < 3 + k % 3; ++level) data.h[(29 * k + 53 * level) % 256] += 50 + 7 * k + level;
        data.has_manual = k % 3 == 0;
        data.manual.clear();
        for (unsigned g = 0; g < 256; ++g)
            for (int n = 0; n < data.h[g]; ++n) data.manual.add(static_cast<unsigned char>(g), g < 128 ? 0 : 255);
        return read_status::ok;
    };
};

TEST_F(CompareChains, EachChainReportsAsAloneWhateverTheSplitOrTheOtherChains) {
    const std::string swarm = "Particle Swarm Optimization; K-Means", kmeans = "K-Means(10, 3)",
                      ainet = "AiNet; Fuzzy C-Means";
    request.seeded_each = true;
    request.seed_each = 5;
    benchmark_request three = request;
    three.chains = {swarm, kmeans, ainet};
    ASSERT_EQ(run(three, "three-{n}").status, request_status::success);
    EXPECT_EQ(reads, 9);  // every image read once for the three chains
    const std::string first = read(dir + "/three-1"), expected = untimed(first);
    EXPECT_EQ(std::count(first.begin(), first.end(), '\n'), 4 + 9);

    benchmark_request alone = request;
    alone.chain = swarm;
    ASSERT_EQ(run(alone, "alone").status, request_status::success);
    EXPECT_EQ(untimed(read(dir + "/alone")), expected);

    benchmark_request reversed = request;
    reversed.chains = {ainet, kmeans, swarm};
    reversed.jobs = 3;
    ASSERT_EQ(run(reversed, "reversed-{n}").status, request_status::success);
    EXPECT_EQ(untimed(read(dir + "/reversed-3")), expected);
    EXPECT_EQ(untimed(read(dir + "/reversed-2")), untimed(read(dir + "/three-2")));

    std::vector<std::string> shards;
    for (int k = 0; k < 3; ++k) {
        benchmark_request shard = three;
        shard.shard_index = k;
        shard.shard_count = 3;
        shards.push_back(dir + "/shard" + std::to_string(k) + "-1");
        ASSERT_EQ(run(shard, "shard" + std::to_string(k) + "-{n}").status, request_status::success);
    }
    std::string error;
    ASSERT_TRUE(merge_report_files(shards, dir + "/merged", &error)) << error;
    EXPECT_EQ(untimed(read(dir + "/merged")), expected);

    // The seed does reach the swarm.
    alone.seed_each = 6;
    ASSERT_EQ(run(alone, "other").status, request_status::success);
    EXPECT_NE(untimed(read(dir + "/other")), expected);
}

TEST_F(CompareChains, TableRowsHoldTheReportValuesAtFullPrecision) {
    request.chains = {"K-Means", "Fuzzy C-Means"};
    request.table_file = dir + "/table.csv";
    ASSERT_EQ(run(request, "r-{n}").status, request_status::success);
    std::vector<std::string> rows = split(read(request.table_file), "\r\n");
    ASSERT_EQ(rows.back(), "");  // every row ends with CR LF
    rows.pop_back();
    ASSERT_EQ(rows.size(), 1 + 2 * 9u);
    EXPECT_EQ(rows[0] + "\r\n", table_header());
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const std::vector<std::string> f = split(rows[r], ",");
        ASSERT_EQ(f.size(), 27u) << rows[r];  // through gray, levels and status
        const std::size_t chain = (r - 1) % 2, position = (r - 1) / 2;
        EXPECT_EQ(f[0], request.chains[chain]);
        EXPECT_EQ(f[1], std::to_string(position));
        // Named relative to the current folder, written relative to the
        // table's.
        const fs::path image = fs::current_path() / ("scene" + std::to_string(position));
        EXPECT_EQ(f[2], image.lexically_relative(dir).string());
        EXPECT_EQ(f[3], position % 3 == 0 ? f[2] + "_seg." : "");
        EXPECT_EQ(f[26], "ok");
        EXPECT_EQ(split(f[5], " ").size(), std::stoul(f[4]));
        // The report's line of that chain and image shows the same values
        // to two decimals.
        const std::vector<std::string> lines = split(read(dir + "/r-" + std::to_string(chain + 1)), "\n");
        std::vector<std::string> line = split(lines[4 + position], "\t");
        line.erase(line.begin() + 2);  // the time
        std::vector<std::string> shown{f[1], f[4]};
        for (std::size_t c = 7; c < 12 && !f[c].empty(); ++c) {
            const double value = std::strtod(f[c].c_str(), nullptr);
            EXPECT_EQ(shortest_decimal(value), f[c]);  // reads back as written
            char two[64];
            std::snprintf(two, sizeof two, "%.2f", value);
            shown.push_back(two);
        }
        EXPECT_EQ(shown, line) << rows[r];
    }
}

// Nothing vanishes from a table: an image that was not read, or that a
// chain failed on, keeps one row per chain saying why.
TEST_F(CompareChains, SkippedImagesKeepARowPerChainWithTheirReason) {
    const image_reader rated = reader;
    reader = [rated](const image_request& image, image_data& data, std::string* why) {
        if (image.image == "scene4") {
            *why = "not a readable PNG (Read Error)";
            return read_status::unreadable;
        }
        const read_status status = rated(image, data, why);
        if (image.image == "scene6") data.h[7] = INT_MIN;  // AiNet refuses such a count
        return status;
    };
    request.chains = {"K-Means", "AiNet"};
    request.table_file = dir + "/table.csv";
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(run(request, "r-{n}").status, request_status::success);
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    std::vector<std::string> rows = split(read(request.table_file), "\r\n");
    rows.pop_back();
    ASSERT_EQ(rows.size(), 1 + 2 * 9u);
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> by_key;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const std::vector<std::string> f = split(rows[r], ",");
        ASSERT_EQ(f.size(), 27u) << rows[r];  // through gray, levels and status
        by_key[{f[0], f[1]}] = f;
    }
    for (const char* chain : {"K-Means", "AiNet"}) {
        const std::vector<std::string>& f = by_key[{chain, "4"}];
        EXPECT_EQ(f[26], "skipped: not a readable PNG (Read Error)");
        EXPECT_EQ(f[3], "");  // nothing was read, no manual segmentation used
        for (std::size_t c = 4; c < 12; ++c) EXPECT_EQ(f[c], "") << c;
    }
    const std::vector<std::string>& failed = by_key[{"AiNet", "6"}];
    EXPECT_EQ(failed[26].rfind("skipped: the chain failed: AiNet: ", 0), 0u) << failed[26];
    EXPECT_NE(failed[3], "");  // scene6 has a manual segmentation, read and usable
    EXPECT_EQ(failed[4] + failed[7] + failed[11], "");
    // The warning gives the same reason as the row.
    EXPECT_NE(warnings.find("skipping 'scene6' for chain 2: " + failed[26].substr(9)), std::string::npos) << warnings;
    const std::pair<std::string, std::string> rated_key{"K-Means", "6"};
    EXPECT_EQ(by_key[rated_key][26], "ok");
    // The report keeps its lines as before: no line for a skipped image.
    EXPECT_EQ(std::count(rows.begin(), rows.end(), std::string()), 0);
    EXPECT_EQ(split(read(dir + "/r-2"), "\n").size(), 4 + 7 + 1u);
}

TEST_F(CompareChains, RefusesBeforeWritingAnything) {
    request.chains = {"K-Means", "K-Means(1)"};
    request_outcome outcome = run(request, "r-{n}");
    EXPECT_EQ(outcome.status, request_status::calling_error);
    EXPECT_EQ(outcome.message.rfind("chain 2 'K-Means(1)': ", 0), 0u) << outcome.message;

    request.chains = {"K-Means", "AiNet"};
    outcome = run(request, "r");
    EXPECT_EQ(outcome.status, request_status::calling_error);
    EXPECT_NE(outcome.message.find("must hold {n}"), std::string::npos) << outcome.message;

    // An existing table is left as it is, and no report is started.
    request.table_file = dir + "/kept.csv";
    std::ofstream(request.table_file) << "precious";
    outcome = run(request, "r-{n}");
    EXPECT_EQ(outcome.status, request_status::execution_error);
    EXPECT_NE(outcome.message.find("'" + request.table_file + "' exists already"), std::string::npos);
    EXPECT_EQ(read(request.table_file), "precious");
    EXPECT_EQ(fs::directory_iterator(dir)->path().filename(), "kept.csv");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(GroundTruth, PlaceholdersOnAwkwardNames) {
    EXPECT_EQ(ground_truth_path("gt/{stem}_gt{ext}", "img/a b.png", "data"), "data/gt/a b_gt.png");
    EXPECT_EQ(ground_truth_path("gt/{stem}_gt{ext}", "noext", ""), "gt/noext_gt");
    EXPECT_EQ(ground_truth_path("{dir}/../gt/{stem}.png", "x/a.b.c.tif", "data"), "x/../gt/a.b.c.png");
    EXPECT_EQ(ground_truth_path("{dir}/{name}.gt", "a.b.png", "data"), "./a.b.png.gt");
    EXPECT_EQ(ground_truth_path("/truth/{stem}{ext}", "/d/s p.a.c.e.jpg", "data"), "/truth/s p.a.c.e.jpg");
    std::string error;
    EXPECT_FALSE(check_ground_truth_pattern("gt/{base}.png", &error));
    EXPECT_NE(error.find("{base}"), std::string::npos) << error;
    EXPECT_FALSE(check_ground_truth_pattern("", &error));
    EXPECT_TRUE(check_ground_truth_pattern("gt/{stem}-{name}{ext}{dir}", &error));
}

TEST(ImageFolder, AFolderStandsForItsImagesWithoutManualSegmentations) {
    char name[] = "/tmp/strandel_folder_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const std::string dir = name;
    for (const char* file : {"b.PNG", "a.png", "a_seg.png", "notes.txt", ".hidden.png", "c.tif", "c_seg.tif"})
        std::ofstream(dir + "/" + file) << "x";
    fs::create_directory(dir + "/sub.png");
    std::vector<std::string> images;
    std::string error;
    ASSERT_TRUE(expand_image_folders({"first.jpg", dir + "/", "c_seg.tif"}, &images, &error)) << error;
    EXPECT_EQ(images, (std::vector<std::string>{"first.jpg", dir + "/a.png", dir + "/a_seg.png", dir + "/b.PNG",
                                                dir + "/c.tif", dir + "/c_seg.tif", "c_seg.tif"}));
    // c_seg.tif named on the command line belongs to no given image: kept.
    std::vector<image_request> requests = requests_beside(images);
    EXPECT_EQ(drop_manual_segmentations(&requests), 2u);
    std::vector<std::string> kept;
    for (const image_request& r : requests) kept.push_back(r.image);
    EXPECT_EQ(kept, (std::vector<std::string>{"first.jpg", dir + "/a.png", dir + "/b.PNG", dir + "/c.tif",
                                              "c_seg.tif"}));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace strandel
