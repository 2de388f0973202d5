// SPDX-License-Identifier: GPL-3.0-or-later
// What a run refuses before it writes anything, and the paths its table
// writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "batch/benchmark_runner.h"
#include "batch/run_plan.h"
#include "batch/run_summary.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

class RunPlan : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/strandel_plan_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        for (const char* image : {"a.png", "b.png", "c.png"}) std::ofstream(dir + "/" + image) << "pixels";
        request.images = {dir + "/a.png", dir + "/b.png", dir + "/c.png"};
        request.results_file = dir + "/r.txt";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::set<std::string> listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) names.insert(entry.path().string());
        return names;
    }
    // Runs the request; whatever it refuses, it reads no image and leaves
    // the folder as it was.
    request_outcome refused(const benchmark_request& r) {
        const std::set<std::string> before = listing();
        int reads = 0;
        const image_reader reader = [&reads](const image_request&, image_data& data, std::string*) {
            ++reads;
            clear_histogram(data.h);
            data.h[10] = data.h[200] = 5;
            return read_status::ok;
        };
        const request_outcome outcome = run_benchmark_request(r, reader, runner_output());
        EXPECT_NE(outcome.status, request_status::success);
        EXPECT_EQ(reads, 0);
        EXPECT_EQ(listing(), before);
        return outcome;
    }

    std::string dir;
    benchmark_request request;
};

// A results file that is the table waited forever for its own lock; two
// chains on one file mixed their lines.
TEST_F(RunPlan, OutputsThatAreOneFileAreRefused) {
    fs::create_directories(dir + "/d1");
    fs::create_directories(dir + "/d2");
    fs::create_symlink("target.txt", dir + "/link.txt");  // dangling until written through
    std::ofstream(dir + "/h1.txt") << "earlier run\n";
    fs::create_hard_link(dir + "/h1.txt", dir + "/h2.txt");
    struct clash {
        std::string results, table;
        std::vector<std::string> chains;
    };
    const std::vector<clash> cases = {
        {"same.txt", "same.txt", {}},
        {"r{n}.csv", "r1.csv", {"K-Means", "AiNet"}},
        {"link.txt", "target.txt", {}},
        {"d1/../x.txt", "./x.txt", {}},
        {"d{n}/../r.txt", "", {"K-Means", "AiNet"}},
        {"h{n}.txt", "", {"K-Means", "AiNet"}},
    };
    for (const clash& c : cases) {
        benchmark_request r = request;
        r.results_file = dir + "/" + c.results;
        r.table_file = c.table.empty() ? "" : dir + "/" + c.table;
        r.chains = c.chains;
        const request_outcome outcome = refused(r);
        EXPECT_EQ(outcome.status, request_status::execution_error) << c.results;
        EXPECT_NE(outcome.message.find("are one file"), std::string::npos) << outcome.message;
        if (c.chains.size() > 1) {
            EXPECT_NE(outcome.message.find("chain 1"), std::string::npos) << outcome.message;
        }
    }
    std::string kept;
    std::getline(std::ifstream(dir + "/h1.txt"), kept);
    EXPECT_EQ(kept, "earlier run");
}

TEST_F(RunPlan, ChainsAreIdentifiedByTheirFullText) {
    const std::vector<std::vector<std::string>> twice = {
        {"K-Means", "AiNet", "K-Means(10, 3)"},  // the defaults spelt out
        {"AiNet", "AiNet(1, 30, 10, 3, 0.3)"},
        {"Fuzzy C-Means ;K-Means", "Fuzzy C-Means; K-Means"},
    };
    for (const auto& chains : twice) {
        benchmark_request r = request;
        r.chains = chains;
        r.results_file = dir + "/r{n}.txt";
        const request_outcome outcome = refused(r);
        EXPECT_EQ(outcome.status, request_status::calling_error);
        EXPECT_NE(outcome.message.find("are the same chain"), std::string::npos) << outcome.message;
    }
    benchmark_request blank = request;
    blank.chains = {"K-Means", " "};
    blank.results_file = dir + "/r{n}.txt";
    EXPECT_NE(refused(blank).message.find("chain 2 is empty"), std::string::npos);
    blank.chains = {"", "AiNet"};
    EXPECT_NE(refused(blank).message.find("chain 1 is empty"), std::string::npos);

    run_plan plan;
    benchmark_request differ = request;
    differ.chains = {"K-Means(10, 3)", "K-Means(10, 4)"};
    differ.results_file = dir + "/r{n}.txt";
    EXPECT_EQ(plan_request(differ, &plan).status, request_status::success);
}

TEST_F(RunPlan, ATableHoldsEachImageOnce) {
    fs::create_symlink(dir + "/b.png", dir + "/also-b.png");
    benchmark_request r = request;
    r.table_file = dir + "/t.csv";
    r.images = {dir + "/a.png", dir + "/b.png", dir + "/c.png", dir + "/./c.png"};
    request_outcome outcome = refused(r);
    EXPECT_EQ(outcome.status, request_status::calling_error);
    EXPECT_NE(outcome.message.find("named twice, at positions 2 ('" + dir + "/c.png') and 3"), std::string::npos)
        << outcome.message;
    r.images = {dir + "/b.png", dir + "/a.png", dir + "/also-b.png"};
    EXPECT_NE(refused(r).message.find("positions 0"), std::string::npos);

    // From a list: a file's fault. Blank lines name no image.
    std::ofstream(dir + "/bench.list") << "a.png\n\nb.png\n\n" << dir << "/a.png\n";
    r.images.clear();
    r.list_file = dir + "/bench.list";
    outcome = refused(r);
    EXPECT_EQ(outcome.status, request_status::execution_error);
    EXPECT_NE(outcome.message.find("positions 0"), std::string::npos) << outcome.message;
    std::ofstream(dir + "/bench.list") << "a.png\n\nb.png\n\n";
    run_plan plan;
    EXPECT_EQ(plan_request(r, &plan).status, request_status::success);
    // Without a table nothing needs telling rows apart.
    r.table_file.clear();
    r.list_file.clear();
    r.images = {dir + "/a.png", dir + "/a.png"};
    EXPECT_EQ(plan_request(r, &plan).status, request_status::success);
}

TEST_F(RunPlan, GroundTruthIsCountedAndCanBeRequired) {
    std::ofstream(dir + "/a_seg.png") << "labels";
    run_plan plan;
    ASSERT_EQ(plan_request(request, &plan).status, request_status::success);
    EXPECT_EQ(plan.ground_truth_found, 1u);
    EXPECT_EQ(plan.ground_truth_rule, "NAME_seg.EXT beside each image");

    benchmark_request r = request;
    r.ground_truth = "Truth/{stem}.png";
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.ground_truth_found, 0u);
    EXPECT_EQ(plan.ground_truth_rule, "pattern 'Truth/{stem}.png', resolved against '" + fs::current_path().string() + "'");

    r.require_ground_truth = true;
    for (int k = 0; k < 6; ++k) r.images.push_back(dir + "/more" + std::to_string(k) + ".png");
    const request_outcome outcome = refused(r);
    EXPECT_EQ(outcome.status, request_status::execution_error);
    EXPECT_EQ(outcome.message.rfind("--require-ground-truth: no ground truth for 9 of 9 images (pattern", 0), 0u)
        << outcome.message;
    EXPECT_NE(outcome.message.find("'" + dir + "/a.png' (looked for 'Truth/a.png')"), std::string::npos);
    EXPECT_NE(outcome.message.find(" and 4 more"), std::string::npos) << outcome.message;

    // A shard needs only its own images' ground truth.
    r.images = {dir + "/a.png", dir + "/b.png"};
    r.ground_truth.clear();
    r.shard_count = 2;
    EXPECT_EQ(plan_request(r, &plan).status, request_status::success);
}

TEST_F(RunPlan, ASingleChainNumbersItsResultsFileUnlessTheCallerKeepsTheName) {
    run_plan plan;
    benchmark_request r = request;
    r.results_file = dir + "/r{n}.txt";
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.results_files, std::vector<std::string>{dir + "/r1.txt"});
    r.number_results = false;
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.results_files, std::vector<std::string>{dir + "/r{n}.txt"});
}

// Relative paths are written relative to the table's folder, so that the
// table reads the same from wherever it is read; absolute ones stay.
TEST_F(RunPlan, TablePathsAreRelativeToTheTablesFolder) {
    EXPECT_EQ(path_for_table("/data/x/a.png", false, "/data/out"), "../x/a.png");
    EXPECT_EQ(path_for_table("/data/x/a.png", true, "/data/out"), "/data/x/a.png");
    EXPECT_EQ(path_for_table("", false, "/data/out"), "");
    // Lexically: ".." undoes the step before it, whatever links there are.
    EXPECT_EQ(path_for_table("/data/link/../x/./a.png", false, "/data"), "x/a.png");
    EXPECT_EQ(path_for_table("a.png", false, fs::current_path().string() + "/out"), "../a.png");

    fs::create_directories(dir + "/set/images");
    fs::create_directories(dir + "/results");
    std::ofstream(dir + "/set/bench.list") << "images/a.png\n/abs/b.png\n";
    benchmark_request r = request;
    r.images.clear();
    r.list_file = dir + "/set/bench.list";  // absolute: its relative entries were still given relative
    r.ground_truth = "truth/{stem}.png";
    r.table_file = dir + "/results/t.csv";
    run_plan plan;
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    ASSERT_EQ(plan.in_table.size(), 2u);
    EXPECT_EQ(plan.in_table[0].image, "../set/images/a.png");
    EXPECT_EQ(plan.in_table[0].manual, "../set/truth/a.png");
    EXPECT_EQ(plan.in_table[1].image, "/abs/b.png");
    EXPECT_EQ(plan.in_table[1].manual, "../set/truth/b.png");
    r.ground_truth = "/gt/{stem}.png";
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.in_table[0].manual, "/gt/a.png");
    // A table joined from shares written elsewhere: the final table's folder.
    r.table_file = "/tmp/elsewhere/share.csv";
    r.table_folder = dir;
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.in_table[0].image, "set/images/a.png");
    // The list's entries taken from another folder (the GIMP engine's list
    // of command-line images).
    r.list_base = dir + "/set/images";
    std::ofstream(dir + "/set/bench.list") << "a.png\n";
    ASSERT_EQ(plan_request(r, &plan).status, request_status::success);
    EXPECT_EQ(plan.images[0].image, dir + "/set/images/a.png");
    EXPECT_EQ(plan.in_table[0].image, "set/images/a.png");
}

TEST(RunTally, CountsImagesByReasonAndGroundTruthUsed) {
    run_tally tally;
    tally.read(true);
    tally.read(false);
    tally.read(false);
    tally.skipped("No such file or directory");
    tally.skipped("No such file or directory");
    tally.skipped("not a PNG");
    tally.chain_failed("the chain failed: AiNet: too large");
    EXPECT_EQ(tally.line(6, 2, "RULE"),
              "6 images: 3 read, 3 skipped (2: No such file or directory; 1: not a PNG); 1 chain run failed (1: the "
              "chain failed: AiNet: too large); ground truth found for 2 of 6 images, used for 1 (RULE)");
    EXPECT_EQ(run_tally().line(1, 0, "R"), "1 image: 0 read, 0 skipped; ground truth found for 0 of 1 image (R)");
}

// The GIMP engine's GIMPs leave their closing counts in files and
// strandel-bench says one closing for the run: the shares' counts added up
// say what one run over all the images says, whatever the reasons hold.
TEST(RunClosing, SharesAddUpToTheWholeRunsLinesThroughTheirFiles) {
    const std::string odd_reason = "'a\tb\\c.png': not a PNG\nfile";
    run_closing first, second;
    first.tally.read(true);
    first.tally.skipped(odd_reason);
    first.images = 2;
    first.ground_truth_found = 1;
    second.tally.read(false);
    second.tally.skipped(odd_reason);
    second.tally.skipped("No such file or directory");
    second.tally.chain_failed("the chain failed");
    second.tally.scored_unread("no label image found");
    second.images = 3;
    second.ground_truth_found = 2;
    second.colour_images = 1;
    for (run_closing* share : {&first, &second}) {
        share->ground_truth_rule = "NAME_seg.EXT";
        share->labels = true;
        share->label_folder = "labels\there";
        share->labels_written = 1;
    }
    second.labels_failed = 1;

    run_closing whole;
    for (const run_closing* share : {&first, &second}) {
        run_closing read_back;
        ASSERT_TRUE(run_closing::parse(share->text(), &read_back));
        whole.add(read_back);
    }
    // The file (STRANDEL_CLOSING_FILE) holds one record a line, its fields
    // apart by tabs: the reasons' and the folder's own are escaped.
    std::istringstream file(second.text());
    for (std::string line; std::getline(file, line);) {
        const std::string key = line.substr(0, line.find('\t'));
        const bool with_reason = key == "skipped" || key == "failed" || key == "unread";
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), with_reason ? 2 : 1) << line;
    }
    EXPECT_EQ(whole.lines(),
              (std::vector<std::string>{
                  "5 images: 2 read, 3 skipped (2: " + odd_reason +
                      "; 1: No such file or directory); 1 chain run failed (1: the chain failed); 1 scored segmentation not read (1: no label "
                      "image found); ground truth found for 3 of 5 images, used for 1 "
                      "(NAME_seg.EXT)",
                  "1 colour image(s) counted by their blue byte (GIMP's batch rule; --gray luma counts their luma)",
                  "2 label images written to 'labels\there', 1 could not be written"}));

    // Without label images or colour images only the count is said.
    EXPECT_EQ(run_closing().lines().size(), 1u);
    // A file cut short or not written by a run is no closing.
    run_closing untouched;
    EXPECT_FALSE(run_closing::parse("", &untouched));
    EXPECT_FALSE(run_closing::parse("read\t3\n", &untouched));
    EXPECT_FALSE(run_closing::parse("images\tthree\n", &untouched));
    EXPECT_FALSE(run_closing::parse("images\t99999999999999999999999\n", &untouched));
    EXPECT_FALSE(run_closing::parse("images\t3\nskipped\t1\n", &untouched));
}

}  // namespace
}  // namespace strandel
