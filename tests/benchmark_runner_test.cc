// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/benchmark_runner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace strandel {
namespace {

namespace fs = std::filesystem;

// A folder with a benchmark list naming images by relative and absolute
// names; the fake reader below decides what each image holds.
class BenchmarkRequest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/strandel_request_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        fs::create_directories(dir + "/sub");
        list = dir + "/sub/bench.list";
        write(list, "a.png\n" + dir + "/b.png\nmissing.png\nc.png\n");
        results = dir + "/results.txt";
        request.list_file = list;
        request.results_file = results;
        request.chain = "K-Means(10, 2)";
    }
    void TearDown() override { fs::remove_all(dir); }

    static void write(const std::string& file, const std::string& text) { std::ofstream(file) << text; }
    static std::string read(const std::string& file) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // The image lines of the report (the header is the first four lines).
    std::vector<std::string> image_lines() const {
        std::istringstream in(read(results));
        std::vector<std::string> lines;
        int n = 0;
        for (std::string line; std::getline(in, line); ++n)
            if (n >= 4) lines.push_back(line);
        return lines;
    }

    request_outcome run(std::string* progress = nullptr) {
        std::FILE* out = std::tmpfile();
        runner_output output;
        output.progress = out;
        output.prefix = "prefix";
        output.summary = true;
        const request_outcome outcome = run_benchmark_request(request, reader, output);
        if (progress) {
            std::rewind(out);
            char buffer[4096];
            const std::size_t n = std::fread(buffer, 1, sizeof buffer, out);
            progress->assign(buffer, n);
        }
        std::fclose(out);
        return outcome;
    }

    std::string dir, list, results;
    benchmark_request request;
    std::vector<std::string> asked;
    // Dark and bright halves; "missing" cannot be read.
    image_reader reader = [this](const image_request& request, image_data& data, std::string* why) {
        const std::string& file = request.image;
        asked.push_back(file);
        if (file.find("missing") != std::string::npos) {
            *why = "no such image";
            return read_status::unreadable;
        }
        clear_histogram(data.h);
        data.h[20] = 100;
        data.h[220] = 100;
        data.has_manual = false;
        return read_status::ok;
    };
};

TEST_F(BenchmarkRequest, ReadsEntriesRelativeToTheListAndReportsEveryReadableImage) {
    std::string progress;
    const request_outcome outcome = run(&progress);
    EXPECT_EQ(outcome.status, request_status::success) << outcome.message;
    EXPECT_EQ(outcome.lines, 3);
    EXPECT_EQ(asked, (std::vector<std::string>{dir + "/sub/a.png", dir + "/b.png", dir + "/sub/missing.png",
                                               dir + "/sub/c.png"}));
    const std::vector<std::string> lines = image_lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 2), "0\t");
    EXPECT_EQ(lines[1].substr(0, 2), "1\t");
    EXPECT_EQ(lines[2].substr(0, 2), "3\t");  // the unreadable image keeps its position empty
    EXPECT_NE(read(results).find("Algorithm: K-Means \n"), std::string::npos);

    // One line per image, the unreadable one marked, positions from 1; then
    // the run's count and the closing line.
    std::istringstream in(progress);
    std::vector<std::string> progress_lines;
    for (std::string line; std::getline(in, line);) progress_lines.push_back(line);
    ASSERT_EQ(progress_lines.size(), 6u);
    EXPECT_EQ(progress_lines[4], "prefix: 4 images: 3 read, 1 skipped (1: no such image); ground truth found for 0 of "
                                 "4 images (NAME_seg.EXT beside each image)");
    EXPECT_EQ(progress_lines[5].rfind("prefix: 3 report lines in ", 0), 0u) << progress_lines[5];
    EXPECT_EQ(progress_lines[0].rfind("prefix: 1/4 " + dir + "/sub/a.png ", 0), 0u) << progress_lines[0];
    EXPECT_NE(progress_lines[2].find("/sub/missing.png "), std::string::npos);
    EXPECT_EQ(progress_lines[2].substr(progress_lines[2].size() - 10), " (skipped)");
    EXPECT_EQ(progress_lines[1].find("(skipped)"), std::string::npos);
}

TEST_F(BenchmarkRequest, SharesOfAListTogetherCoverItOnceWithTheWholeListsPositions) {
    std::vector<std::string> all_lines;
    for (int first = 0; first < 3; ++first) {
        request.shard_index = first;
        request.shard_count = 3;
        asked.clear();
        const request_outcome outcome = run();
        ASSERT_EQ(outcome.status, request_status::success) << outcome.message;
        // Only the share's own images are read.
        for (const std::string& file : asked) {
            const std::size_t position = file.find("a.png") != std::string::npos   ? 0
                                         : file.find("b.png") != std::string::npos ? 1
                                         : file.find("missing") != std::string::npos ? 2
                                                                                     : 3;
            EXPECT_EQ(int(position % 3), first) << file;
        }
    }
    // Three runs appended: every image line once, keeping its position.
    std::istringstream in(read(results));
    std::vector<std::string> positions;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') positions.push_back(line.substr(0, line.find('\t')));
    EXPECT_EQ(positions, (std::vector<std::string>{"0", "3", "1"}));
}

TEST_F(BenchmarkRequest, FailuresNameTheArgumentOrFileAndWriteNothing) {
    struct failing {
        const char* what;
        std::function<void(benchmark_request&)> change;
        request_status status;
        std::string message_part;
    };
    const std::vector<failing> cases = {
        {"chain", [](benchmark_request& r) { r.chain = "K-Means(1000)"; }, request_status::calling_error,
         "chain 'K-Means(1000)': "},
        {"stride", [](benchmark_request& r) { r.shard_count = 0; }, request_status::calling_error, "stride"},
        {"first", [](benchmark_request& r) { r.shard_index = r.shard_count; }, request_status::calling_error, "first"},
        {"no list", [](benchmark_request& r) { r.list_file.clear(); }, request_status::calling_error,
         "list-file"},
        {"list", [this](benchmark_request& r) { r.list_file = dir + "/none.list"; },
         request_status::execution_error, "Could not open '" + dir + "/none.list': No such file or directory"},
        {"results", [this](benchmark_request& r) { r.results_file = dir + "/no/such/folder/r.txt"; },
         request_status::execution_error, "Could not open '" + dir + "/no/such/folder/r.txt': "},
        {"full disk", [](benchmark_request& r) { r.results_file = "/dev/full"; }, request_status::execution_error,
         "Could not write '/dev/full': No space left on device"},
    };
    for (const failing& c : cases) {
        const benchmark_request saved = request;
        c.change(request);
        const request_outcome outcome = run();
        EXPECT_EQ(outcome.status, c.status) << c.what;
        EXPECT_NE(outcome.message.find(c.message_part), std::string::npos) << c.what << ": " << outcome.message;
        EXPECT_FALSE(fs::exists(results)) << c.what;
        request = saved;
    }
}

TEST_F(BenchmarkRequest, AGivenSeedMakesRunsRepeatableAndNoneLeavesTheGeneratorAlone) {
    // The swarm draws: seeded runs started from different generator states
    // draw the same numbers, so they leave the generator in the same state.
    request.chain = "Particle Swarm Optimization";
    request.seeded = true;
    request.seed = 7;
    std::srand(1);
    ASSERT_EQ(run().status, request_status::success);
    const int after_first = std::rand();
    std::srand(12345);
    ASSERT_EQ(run().status, request_status::success);
    EXPECT_EQ(std::rand(), after_first);

    // K-Means draws nothing: unseeded, the generator is where it was.
    request.chain = "K-Means";
    request.seeded = false;
    std::srand(99);
    const int expected = std::rand();
    std::srand(99);
    ASSERT_EQ(run().status, request_status::success);
    EXPECT_EQ(std::rand(), expected);
}

// A results file or table that is one of the run's inputs, under any
// name, is refused before anything is written.
TEST_F(BenchmarkRequest, OutputsThatAreInputsAreRefused) {
    write(dir + "/sub/a.png", "pixels");
    write(dir + "/sub/c_seg.png", "labels");
    ASSERT_EQ(link((dir + "/sub/c_seg.png").c_str(), (dir + "/manual-link.txt").c_str()), 0);
    const std::string list_text = read(list);
    struct clash {
        std::string results, table, input;
    };
    const std::vector<clash> cases = {
        {dir + "/sub/../sub/bench.list", "", "list file"},
        {dir + "/sub/./a.png", "", "image"},
        {dir + "/manual-link.txt", "", "manual segmentation"},
        {results, dir + "/sub/a.png", "image"},
    };
    for (const clash& c : cases) {
        request.results_file = c.results;
        request.table_file = c.table;
        const request_outcome outcome = run();
        EXPECT_EQ(outcome.status, request_status::execution_error) << c.results;
        EXPECT_NE(outcome.message.find("is the " + c.input), std::string::npos) << outcome.message;
        EXPECT_TRUE(asked.empty()) << "no image is read";
    }
    EXPECT_EQ(read(list), list_text);
    EXPECT_EQ(read(dir + "/sub/a.png"), "pixels");
    EXPECT_EQ(read(dir + "/sub/c_seg.png"), "labels");
    EXPECT_FALSE(fs::exists(results));
}

}  // namespace
}  // namespace strandel
