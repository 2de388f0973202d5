// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_options.h"

#include "batch/benchmark_list.h"
#include "batch/benchmark_runner.h"
#include "tools/bench_command.h"
#include "tools/exit_status.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <unistd.h>


namespace strandel {
namespace {

bool parse(std::vector<const char*> args, bench_options* o, std::string* error) {
    args.insert(args.begin(), "strandel-bench");
    return parse_bench_options(static_cast<int>(args.size()), args.data(), o, error);
}

std::string parse_error(std::vector<const char*> args) {
    bench_options o;
    std::string error;
    EXPECT_FALSE(parse(args, &o, &error));
    return error;
}

TEST(BenchOptions, ARunWithEveryOption) {
    bench_options o;
    std::string error;
    ASSERT_TRUE(parse({"--chain", "K-Means(10, 3)", "--seed=42", "--list", "b.list", "--out", "r.txt", "--jobs", "4",
                       "--engine", "gimp", "--shard", "2/5", "--profile", "/tmp/p"},
                      &o, &error))
        << error;
    EXPECT_EQ(o.run.chain, "K-Means(10, 3)");
    EXPECT_TRUE(o.run.seeded);
    EXPECT_EQ(o.run.seed, 42u);
    EXPECT_EQ(o.run.list_file, "b.list");
    EXPECT_EQ(o.run.results_file, "r.txt");
    EXPECT_EQ(o.run.jobs, 4);
    EXPECT_EQ(o.engine, bench_engine::gimp);
    EXPECT_EQ(o.run.shard_index, 2);
    EXPECT_EQ(o.run.shard_count, 5);
    EXPECT_EQ(o.profile, "/tmp/p");
    EXPECT_FALSE(o.merge);
}

TEST(BenchOptions, DefaultsAndImageFiles) {
    bench_options o;
    std::string error;
    ASSERT_TRUE(parse({"a.png", "--out", "r.txt", "b.png", "--", "--odd-name.png"}, &o, &error)) << error;
    EXPECT_EQ(o.run.images, (std::vector<std::string>{"a.png", "b.png", "--odd-name.png"}));
    EXPECT_EQ(o.run.chain, "");
    EXPECT_FALSE(o.run.seeded);
    EXPECT_EQ(o.run.jobs, 1);
    EXPECT_EQ(o.engine, bench_engine::native);
    EXPECT_EQ(o.run.shard_count, 1);

    ASSERT_TRUE(parse({"--merge", "all.txt", "s0.txt", "s1.txt"}, &o, &error)) << error;
    EXPECT_TRUE(o.merge);
    EXPECT_EQ(o.merged, "all.txt");
    EXPECT_EQ(o.shard_reports, (std::vector<std::string>{"s0.txt", "s1.txt"}));

    ASSERT_TRUE(parse({"--help"}, &o, &error));
    EXPECT_TRUE(o.help);
}

TEST(BenchOptions, BadValuesAndCombinationsAreNamed) {
    EXPECT_EQ(parse_error({"--jobs", "2x", "a.png", "--out", "r"}), "--jobs '2x' is not a whole number from 1 to 256");
    for (const char* shard : {"3/3", "1", "-1/2", "1/0"})
        EXPECT_EQ(parse_error({"--shard", shard, "a.png", "--out", "r"}),
                  std::string("--shard '") + shard + "' is not K/N with 0 <= K < N (such as 0/4)");
    EXPECT_EQ(parse_error({"--seed", "-3", "a.png", "--out", "r"}),
              "--seed '-3' is not a whole number from 0 to 4294967295");
    EXPECT_EQ(parse_error({"--engine", "magick", "a.png", "--out", "r"}),
              "--engine 'magick' is not an engine: give native or gimp");
    EXPECT_EQ(parse_error({"-x", "a.png"}), "unknown option '-x'");
    EXPECT_EQ(parse_error({"a.png", "--out"}), "option --out needs a value");
    EXPECT_EQ(parse_error({"--out", "r"}), "no images: give --list FILE or image files");
    EXPECT_EQ(parse_error({"--list", "l", "a.png", "--out", "r"}), "give either --list FILE or image files, not both");
    EXPECT_EQ(parse_error({"a.png"}), "no results file: give --out RESULTS");
    EXPECT_EQ(parse_error({"a.png", "--out", "r", "--profile", "p"}), "--profile is used only by --engine gimp");
    EXPECT_EQ(parse_error({"--merge", "all.txt", "s0", "--jobs", "2"}),
              "--merge takes only the merged report and the shard reports");
}

TEST(BenchOptions, ChainsInOrderSeedsPerImageTableAndGroundTruth) {
    bench_options o;
    std::string error;
    ASSERT_TRUE(parse({"--chain", "AiNet", "--chains", "more.txt", "--chain=K-Means", "--seed-each", "2147483647",
                       "--table", "t.csv", "--ground-truth", "gt/{stem}.png", "--require-ground-truth", "dir", "--out",
                       "r-{n}.txt"},
                      &o, &error))
        << error;
    ASSERT_EQ(o.chains.size(), 3u);
    EXPECT_EQ(o.chains[1].text, "more.txt");
    EXPECT_TRUE(o.chains[1].from_file);
    EXPECT_EQ(o.chains[2].text, "K-Means");
    EXPECT_FALSE(o.chains[2].from_file);
    EXPECT_TRUE(o.run.seeded_each);
    EXPECT_EQ(o.run.seed_each, 2147483647u);
    EXPECT_EQ(o.run.table_file, "t.csv");
    EXPECT_EQ(o.run.ground_truth, "gt/{stem}.png");
    EXPECT_TRUE(o.run.require_ground_truth);
    EXPECT_EQ(o.run.images, std::vector<std::string>{"dir"});  // a flag takes no value

    EXPECT_EQ(parse_error({"--seed", "1", "--seed-each", "1", "a.png", "--out", "r"}),
              "give either --seed or --seed-each, not both");
    EXPECT_EQ(parse_error({"--seed-each", "2147483648", "a.png", "--out", "r"}),
              "--seed-each '2147483648' is not a whole number from 0 to 2147483647");
    EXPECT_NE(parse_error({"--ground-truth", "{stem", "a.png", "--out", "r"}).find("unknown placeholder"),
              std::string::npos);
    EXPECT_EQ(parse_error({"--merge", "m.csv", "a.csv", "--table", "t.csv"}),
              "--merge takes only the merged report and the shard reports");
    EXPECT_EQ(parse_error({"--require-ground-truth=yes", "a.png", "--out", "r"}),
              "--require-ground-truth takes no value");
}

TEST(BenchOptions, ListEntriesAreRelativeToTheListFolder) {
    const std::vector<std::string> names = {"a.png", "sub/b.png", "/abs/c.png", ""};
    EXPECT_EQ(resolve_list_entries("/data/bench/b.list", names),
              (std::vector<std::string>{"/data/bench/a.png", "/data/bench/sub/b.png", "/abs/c.png", ""}));
    EXPECT_EQ(resolve_list_entries("rel/b.list", names),
              (std::vector<std::string>{"rel/a.png", "rel/sub/b.png", "/abs/c.png", ""}));
    EXPECT_EQ(resolve_list_entries("b.list", names), names);
}

TEST(BenchOptions, ShardsSplitPositionsByRemainder) {
    EXPECT_EQ(shard_positions(7, 1, 3), (std::vector<bool>{false, true, false, false, true, false, false}));
    EXPECT_EQ(shard_positions(3, 0, 1), (std::vector<bool>{true, true, true}));
    // Every position belongs to exactly one shard.
    for (std::size_t i = 0; i < 10; ++i) {
        int owners = 0;
        for (int k = 0; k < 4; ++k) owners += shard_positions(10, k, 4)[i];
        EXPECT_EQ(owners, 1) << i;
    }
}

// A temporary folder, removed with everything in it.
struct scratch {
    std::string dir;
    scratch() {
        char name[] = "/tmp/strandel_bench_XXXXXX";
        dir = mkdtemp(name);
    }
    ~scratch() { EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0); }
    std::string path(const std::string& name) const { return dir + "/" + name; }
};

std::string read_text(const std::string& file) {
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
}

// The report without its times, which vary from run to run.
std::string without_times(const std::string& report) {
    std::istringstream in(report);
    std::string line, out;
    while (std::getline(in, line)) {
        const std::size_t a = line.find('\t'), b = a == std::string::npos ? a : line.find('\t', a + 1);
        const std::size_t c = b == std::string::npos ? b : line.find('\t', b + 1);
        if (c != std::string::npos && line.compare(0, 5, "Image") != 0) line.replace(b + 1, c - b - 1, "T");
        out += line + "\n";
    }
    return out;
}

// Images "scene<k>": two to four gray levels with counts made from k, read
// after a delay that varies, so that threads finish out of order; "bad"
// names are unreadable. Every third scene has a manual segmentation.
read_status fake_image(const image_request& request, image_data& data, std::string* why) {
    const std::string& file = request.image;
    const std::size_t at = file.rfind("scene");
    if (at == std::string::npos) {
        *why = "not a scene";
        return read_status::unreadable;
    }
    const int k = std::stoi(file.substr(at + 5));
    std::this_thread::sleep_for(std::chrono::microseconds(300 * (k % 4)));
    clear_histogram(data.h);
    for (int level = 0; level < 2 + k % 3; ++level) data.h[(37 * k + 61 * level) % 256] += 100 + 13 * k + level;
    data.has_manual = k % 3 == 0;
    if (data.has_manual) {
        data.manual.clear();
        for (unsigned g = 0; g < 256; ++g)
            for (int n = 0; n < data.h[g]; ++n) data.manual.add(static_cast<unsigned char>(g), g < 128 ? 0 : 255);
    }
    return read_status::ok;
}

struct bench_run {
    int status;
    std::string report;
    std::string messages;
};

// What a run wrote to standard error.
struct captured_messages {
    std::FILE* file = std::tmpfile();
    ~captured_messages() { std::fclose(file); }
    std::string text() const {
        std::rewind(file);
        std::string all;
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) all.append(buffer, n);
        return all;
    }
};

bench_run run(const scratch& s, bench_options o, const std::string& out_name) {
    o.run.results_file = s.path(out_name);
    captured_messages err;
    const int status = run_bench(o.run, fake_image, err.file);
    return {status, read_text(o.run.results_file), err.text()};
}

bench_options scenes(int n, const char* chain) {
    bench_options o;
    o.run.chain = chain;
    for (int k = 0; k < n; ++k) o.run.images.push_back(k == 4 ? "bad" : "scene" + std::to_string(k));
    return o;
}

TEST(BenchRun, SwarmReportIsTheSameForEveryNumberOfJobs) {
    scratch s;
    bench_options o = scenes(13, "Particle Swarm Optimization; K-Means");
    o.run.seeded = true;
    o.run.seed = 7;
    const bench_run one = run(s, o, "one");
    ASSERT_EQ(one.status, exit_ok) << one.messages;
    o.run.jobs = 3;
    const bench_run three = run(s, o, "three");
    ASSERT_EQ(three.status, exit_ok) << three.messages;
    EXPECT_EQ(without_times(one.report), without_times(three.report));
    // Position 4 is unreadable: no line, a warning on standard error, and
    // one progress line per image that was read.
    EXPECT_EQ(one.report.find("\n4\t"), std::string::npos);
    EXPECT_NE(one.report.find("\n5\t"), std::string::npos);
    EXPECT_NE(one.messages.find("strandel-bench: 13/13 scene12 "), std::string::npos) << one.messages;
    // The seconds are whatever the machine took.
    const std::size_t skipped = one.messages.find("strandel-bench: 5/13 bad ");
    ASSERT_NE(skipped, std::string::npos) << one.messages;
    EXPECT_EQ(one.messages.substr(one.messages.find('\n', skipped) - 12, 12), " s (skipped)") << one.messages;

    // Another seed draws other numbers: the seed does reach the passes.
    o.run.seed = 8;
    EXPECT_NE(without_times(run(s, o, "other").report), without_times(one.report));
}

TEST(BenchRun, ListEntriesAreReadRelativeToTheListAndRunsAppend) {
    scratch s;
    ASSERT_EQ(system(("mkdir '" + s.path("sub") + "'").c_str()), 0);
    std::ofstream(s.path("sub/b.list")) << "scene1\nimg/scene2\n/abs/scene3\n";
    std::vector<std::string> asked;
    std::mutex mutex;
    const image_reader recording = [&](const image_request& request, image_data& data, std::string* why) {
        std::lock_guard<std::mutex> lock(mutex);
        asked.push_back(request.image);
        return fake_image(request, data, why);
    };
    bench_options o;
    o.run.chain = "K-Means";
    o.run.list_file = s.path("sub/b.list");
    o.run.results_file = s.path("r.txt");
    captured_messages err;
    ASSERT_EQ(run_bench(o.run, recording, err.file), exit_ok) << err.text();
    ASSERT_EQ(run_bench(o.run, recording, err.file), exit_ok) << err.text();
    EXPECT_EQ(asked[0], s.path("sub/scene1"));
    EXPECT_EQ(asked[1], s.path("sub/img/scene2"));
    EXPECT_EQ(asked[2], "/abs/scene3");
    const std::string report = read_text(o.run.results_file);
    const std::size_t second = report.find("\n\nAlgorithm: K-Means \n", 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(report.substr(0, second), report.substr(second));  // two identical runs, one after the other
}

TEST(BenchRun, AFailedWriteEndsTheRunWithTheSystemError) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    captured_messages err;
    bench_options o = scenes(2, "K-Means");
    o.run.results_file = "/dev/full";
    EXPECT_EQ(run_bench(o.run, fake_image, err.file), exit_failure);
    const std::string messages = err.text();
    EXPECT_NE(messages.find("strandel-bench: Could not write '/dev/full': No space left on device"), std::string::npos)
        << messages;
}

}  // namespace
}  // namespace strandel
