// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/report.h"
#include "batch/run_batch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

#include "passes/ainet_pass.h"

namespace strandel {
namespace {

const param_info no_params[1] = {param_info(0, 0, "unused", "unused")};

// A pass that sets fixed centres and optionally raises a stop flag. Its
// clones count their calls together with it.
class fixed_pass : public pass {
public:
    fixed_pass(const char* label, std::vector<double> centres, std::atomic<bool>* raise = nullptr)
        : pass(label, no_params, 0), m_centres(std::move(centres)), m_raise(raise) {}
    void operator()(const histogram&, std::vector<double>& centres, progress_indicator* progress) const override {
        ++*m_calls;
        (*progress)(0.5);
        centres = m_centres;
        if (m_raise) m_raise->store(true);
    }
    pass* clone() const override { return new fixed_pass(*this); }
    int calls() const { return *m_calls; }

private:
    std::vector<double> m_centres;
    std::atomic<bool>* m_raise;
    std::shared_ptr<int> m_calls = std::make_shared<int>(0);
};

// A chain of clones of `passes`.
chain chain_of(std::initializer_list<const pass*> passes) {
    chain made;
    for (const pass* p : passes) made.append_clone(*p);
    return made;
}

// Measures whose values are easy to predict.
class class_count_measure : public fitness_function {
public:
    class_count_measure() : fitness_function("Classes") {}
    double operator()(const histogram&, const std::vector<double>& c, const class_map&) const override {
        return static_cast<double>(c.size()) + 0.125;
    }
};
class infinite_measure : public fitness_function {
public:
    infinite_measure() : fitness_function("Inf") {}
    double operator()(const histogram&, const std::vector<double>&, const class_map&) const override {
        return std::numeric_limits<double>::infinity();
    }
};

const class_count_measure count_measure;
const infinite_measure inf_measure;
const measure_list two_measures{&count_measure, &inf_measure};

std::string read_file(const std::string& name) {
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

class temp_file {
public:
    temp_file() {
        char name[] = "/tmp/strandel_report_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        m_name = name;
    }
    ~temp_file() { std::remove(m_name.c_str()); }
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
};

TEST(ReportFormat, HeaderNamesPassesAndMeasuresInOrder) {
    fixed_pass a("K-Means", {}), b("Fuzzy C-Means", {});
    EXPECT_EQ(report_header(chain_of({&a, &b}), two_measures),
              "\n\nAlgorithm: K-Means Fuzzy C-Means \n"
              "Image\tNumber of classes\tExecuction Time\tClasses\tInf\tJaccard Distance (Supervised) \n");
    EXPECT_EQ(report_header(chain(), {}),
              "\n\nAlgorithm: \nImage\tNumber of classes\tExecuction Time\tJaccard Distance (Supervised) \n");
}

TEST(ReportFormat, LineRoundsToTwoDecimalsAndAddsJaccardOnlyWhenGiven) {
    const double jaccard = 0.6666;
    EXPECT_EQ(report_line(3, 2, 0.125001, {1.0, 17.505}, &jaccard), "3\t2\t0.13\t1.00\t17.50\t0.67\n");
    EXPECT_EQ(report_line(0, 0, 0.0, {}, nullptr), "0\t0\t0.00\n");
    EXPECT_EQ(report_line(1, 1, 2.0, {std::numeric_limits<double>::infinity()}, nullptr), "1\t1\t2.00\tinf\n");
}

TEST(EvaluateImage, RunsChainInOrderAndReportsLastPassClasses) {
    histogram h;
    clear_histogram(h);
    h[10] = 5;
    h[200] = 5;
    fixed_pass first("First", {1, 2, 3}), second("Second", {0, 255});
    batch_progress progress;
    std::atomic<bool> stop{false};
    std::string line;
    ASSERT_TRUE(evaluate_image(4, h, nullptr, chain_of({&first, &second}), two_measures, progress, stop, &line));
    EXPECT_EQ(first.calls(), 1);
    EXPECT_EQ(second.calls(), 1);
    // Two classes from the second pass; the time is tiny; no Jaccard column.
    EXPECT_EQ(line, "4\t2\t0.00\t2.12\tinf\n");
    EXPECT_STREQ(progress.label.load(), "Second");
    EXPECT_EQ(progress.algo.load(), 1.0);
}

TEST(EvaluateImage, JaccardMeanComesFromThePairCounts) {
    histogram h;
    clear_histogram(h);
    h[10] = 2;
    h[200] = 2;
    gray_label_counts manual;
    // Gray 10 is all label 1; gray 200 half label 2, half label 1.
    manual.add(10, 1);
    manual.add(10, 1);
    manual.add(200, 2);
    manual.add(200, 1);
    fixed_pass p("P", {0, 255});
    batch_progress progress;
    std::atomic<bool> stop{false};
    std::string line;
    ASSERT_TRUE(evaluate_image(0, h, &manual, chain_of({&p}), {}, progress, stop, &line));
    // Label 1: class 0 gives 2/3; label 2: class 1 gives 1/2. Mean 7/12.
    EXPECT_EQ(line, "0\t2\t0.00\t0.58\n");
}

// A reader over made-up images: a name maps to a status and a gray level.
struct fake_reader {
    std::map<std::string, read_status> status;
    std::map<std::string, bool> manual;
    std::vector<std::string>* visited;

    read_status operator()(const image_request& request, image_data& data, std::string* why) const {
        const std::string& file = request.image;
        visited->push_back(file);
        auto it = status.find(file);
        const read_status s = it == status.end() ? read_status::ok : it->second;
        if (s == read_status::unreadable) *why = "no such image";
        clear_histogram(data.h);
        data.h[50] = 3;
        data.has_manual = manual.count(file) != 0;
        data.manual.clear();
        for (int i = 0; i < 3; ++i) data.manual.add(50, 7);
        return s;
    }
};

TEST(RunBatch, KeepsPositionsOfSkippedImagesAndAppendsRuns) {
    temp_file results;
    std::vector<std::string> visited;
    fake_reader reader{{{"b", read_status::unreadable}, {"c", read_status::no_layer}}, {{"d", true}}, &visited};
    fixed_pass p("K-Means", {50});
    const measure_list measures{&count_measure};
    for (int run = 0; run < 2; ++run) {
        batch_progress progress;
        std::atomic<bool> stop{false};
        std::FILE* f = std::fopen(results.name().c_str(), "a");
        ASSERT_NE(f, nullptr);
        const batch_outcome outcome = run_batch(requests_beside({"a", "b", "c", "d"}), chain_of({&p}), f, measures, progress, stop,
                                                    reader, nullptr);
        EXPECT_TRUE(outcome.written);
        EXPECT_FALSE(outcome.stopped);
        EXPECT_EQ(outcome.lines, 2);
        EXPECT_EQ(progress.overall.load(), 0.75);
    }
    const std::string one_run =
        "\n\nAlgorithm: K-Means \n"
        "Image\tNumber of classes\tExecuction Time\tClasses\tJaccard Distance (Supervised) \n"
        "0\t1\t0.00\t1.12\n"
        "3\t1\t0.00\t1.12\t1.00\n";
    EXPECT_EQ(read_file(results.name()), one_run + one_run);
    EXPECT_EQ(visited.size(), 8u);
}

TEST(RunBatch, StopFlagEndsTheRunAndTheFileIsStillClosedComplete) {
    temp_file results;
    std::vector<std::string> visited;
    fake_reader reader{{}, {}, &visited};
    std::atomic<bool> stop{false};
    fixed_pass raiser("Raiser", {50}, &stop), after("After", {50});
    batch_progress progress;
    const batch_outcome outcome = run_batch(requests_beside({"a", "b", "c"}), chain_of({&raiser, &after}),
                                            std::fopen(results.name().c_str(), "a"), {}, progress, stop, reader, nullptr);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.lines, 0);
    EXPECT_EQ(after.calls(), 0);
    EXPECT_EQ(visited, std::vector<std::string>{"a"});
    EXPECT_EQ(split_lines(read_file(results.name())).back(),
              "Image\tNumber of classes\tExecuction Time\tJaccard Distance (Supervised) ");
}

TEST(RunBatch, FailedWriteEndsTheRunAndIsReported) {
    std::vector<std::string> visited;
    fake_reader reader{{}, {}, &visited};
    std::atomic<bool> stop{false};
    batch_progress progress;
    fixed_pass p("P", {50});
    const batch_outcome outcome =
        run_batch(requests_beside({"a", "b"}), chain_of({&p}), std::fopen("/dev/full", "a"), {}, progress, stop, reader,
                  nullptr);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, std::strerror(ENOSPC));
    EXPECT_TRUE(visited.empty());
}

// Images that throw: "huge" carries the negative count that a gray level of
// more than 2^31 pixels wraps to (AiNet refuses it), "bad" throws itself.
read_status throwing_reader(const image_request& request, image_data& data, std::string*) {
    if (request.image == "bad") throw std::runtime_error("the decoder gave up");
    clear_histogram(data.h);
    data.h[50] = 3;
    if (request.image == "huge") data.h[60] = INT_MIN;
    data.has_manual = false;
    return read_status::ok;
}

TEST(RunBatch, AnImageThatThrowsIsSkippedWithItsReasonAndTheRestGoOn) {
    temp_file results;
    batch_progress progress;
    std::atomic<bool> stop{false};
    const ainet_pass ainet;
    ::testing::internal::CaptureStderr();
    const batch_outcome outcome =
        run_batch(requests_beside({"a", "huge", "bad", "d"}), chain_of({&ainet}), std::fopen(results.name().c_str(), "a"),
                  {}, progress, stop, throwing_reader, nullptr);
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.lines, 2);
    const std::vector<std::string> lines = split_lines(read_file(results.name()));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4].substr(0, 2), "0\t");
    EXPECT_EQ(lines[5].substr(0, 2), "3\t");
    EXPECT_NE(warnings.find("strandel: skipping 'huge': the chain failed: AiNet: the histogram count of gray level 60 "
                            "is -2147483648"),
              std::string::npos) << warnings;
    EXPECT_NE(warnings.find("strandel: skipping 'bad': the decoder gave up\n"), std::string::npos) << warnings;
}

TEST(RunChains, AThrowingChainSkipsOnlyItsOwnLineAndASharedFileIsLockedOnce) {
    temp_file first, shared;
    const ainet_pass ainet;
    fixed_pass p("P", {50});
    const chain a = chain_of({&ainet}), b = chain_of({&p}), c = chain_of({&p});
    // Chains 2 and 3 append to one file: locking it twice would wait forever.
    const std::vector<batch_chain> chains{{&a, std::fopen(first.name().c_str(), "a")},
                                          {&b, std::fopen(shared.name().c_str(), "a")},
                                          {&c, std::fopen(shared.name().c_str(), "a")}};
    batch_progress progress;
    std::atomic<bool> stop{false};
    ::testing::internal::CaptureStderr();
    const batch_outcome outcome =
        run_chains(requests_beside({"huge", "a"}), chains, {}, progress, stop, throwing_reader, batch_hooks{});
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.lines, 5);
    EXPECT_NE(warnings.find("strandel: skipping 'huge' for chain 1: the chain failed: AiNet: the histogram count"),
              std::string::npos)
        << warnings;
    const std::vector<std::string> lines = split_lines(read_file(first.name()));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[4].substr(0, 2), "1\t");
    const std::string header = report_header(b, {});
    EXPECT_EQ(read_file(shared.name()), header + header + "0\t1\t0.00\n0\t1\t0.00\n1\t1\t0.00\n1\t1\t0.00\n");
}

TEST(RunBatch, AFullDiskLeavesOnlyWholeLines) {
    temp_file results;
    std::ofstream(results.name()) << "earlier run\n";
    fixed_pass p("P", {50});
    const std::string header = report_header(chain_of({&p}), {});
    const std::string line0 = "0\t1\t0.00\n", line1 = "1\t1\t0.00\n";
    // Room for the header, two lines and part of a third.
    rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit low = before;
    low.rlim_cur = 12 + header.size() + line0.size() + line1.size() + 4;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    std::vector<std::string> visited;
    batch_progress progress;
    std::atomic<bool> stop{false};
    const batch_outcome outcome = run_batch(requests_beside({"a", "b", "c", "d"}), chain_of({&p}),
                                            std::fopen(results.name().c_str(), "a"), {}, progress, stop,
                                            fake_reader{{}, {}, &visited}, nullptr);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(outcome.written);
    EXPECT_EQ(outcome.error, std::strerror(EFBIG));
    EXPECT_EQ(outcome.lines, 2);
    EXPECT_EQ(visited.size(), 3u);  // the run ends at the failed line
    EXPECT_EQ(read_file(results.name()), "earlier run\n" + header + line0 + line1);
}

TEST(RunBatch, ASecondRunWaitsForTheLockAndSaysSo) {
    temp_file results;
    const int other_run = open(results.name().c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(other_run, 0);
    ASSERT_EQ(flock(other_run, LOCK_EX), 0);
    fixed_pass p("P", {50});
    std::vector<std::string> visited;
    batch_progress progress;
    std::atomic<bool> stop{false};
    batch_outcome outcome;
    ::testing::internal::CaptureStderr();
    std::thread run([&] {
        outcome = run_batch(requests_beside({"a"}), chain_of({&p}), std::fopen(results.name().c_str(), "a"), {},
                            progress, stop, fake_reader{{}, {}, &visited}, nullptr);
    });
    // Whatever the waiting run might write would land before this line.
    usleep(300 * 1000);
    const std::string other_line = "written by the run holding the lock\n";
    EXPECT_EQ(write(other_run, other_line.data(), other_line.size()), static_cast<ssize_t>(other_line.size()));
    close(other_run);
    run.join();
    const std::string notice = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(read_file(results.name()), other_line + report_header(chain_of({&p}), {}) + "0\t1\t0.00\n");
    EXPECT_NE(notice.find("strandel: waiting for another run to finish appending to '"), std::string::npos) << notice;
}

}  // namespace
}  // namespace strandel
