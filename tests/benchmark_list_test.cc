// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "batch/benchmark_list.h"

namespace strandel {
namespace {

using names = std::vector<std::string>;

class BenchmarkList : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/benchmark_list_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    std::string file_with(const std::string& bytes, const char* name = "list.txt") {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        return all.str();
    }
    names read(const std::string& bytes) {
        names result{"left over"};
        std::string error;
        EXPECT_TRUE(read_benchmark_list(file_with(bytes), result, &error)) << error;
        return result;
    }

    std::string dir;
};

TEST_F(BenchmarkList, LineEndsAreDroppedAlikeForLfAndCrLf) {
    EXPECT_EQ(read("/a/one.png\n/b/two.png\n"), (names{"/a/one.png", "/b/two.png"}));
    EXPECT_EQ(read("/a/one.png\r\n/b/two.png\r\n"), (names{"/a/one.png", "/b/two.png"}));
    // A CR inside a name stays.
    EXPECT_EQ(read("a\rb.png\n"), (names{"a\rb.png"}));
}

TEST_F(BenchmarkList, LastLineWithoutLineFeedAndBlankLines) {
    EXPECT_EQ(read("one.png\ntwo.png"), (names{"one.png", "two.png"}));
    EXPECT_EQ(read("one.png\n\ntwo.png\n"), (names{"one.png", "", "two.png"}));
    EXPECT_EQ(read("\n"), (names{""}));
    EXPECT_EQ(read("\r\n"), (names{""}));
}

TEST_F(BenchmarkList, EmptyFileGivesAnEmptyList) { EXPECT_TRUE(read("").empty()); }

TEST_F(BenchmarkList, LinesTooLongOrHoldingNulAreRefusedWithFileAndLine) {
    const std::string longest(max_list_name, 'x');
    // The longest name reads whole, with LF or CR LF; a CR elsewhere stays.
    EXPECT_EQ(read(longest + "\n" + longest + "\r\nlast\r"), (names{longest, longest, "last\r"}));
    EXPECT_EQ(read("a\rb"), (names{"a\rb"}));
    const struct {
        std::string bytes, problem;
    } refused[] = {
        {"one.png\n" + longest + "y\nnext.png\n", ":2: the line is longer than 298 bytes"},
        {"one.png\n" + longest + "yz", ":2: the line is longer than 298 bytes"},
        {std::string("ok.png\n\0abc\n", 12), ":2: the line holds a NUL byte"},
    };
    for (const auto& c : refused) {
        names list{"kept.png"};
        std::string error;
        const std::string path = file_with(c.bytes);
        EXPECT_FALSE(read_benchmark_list(path, list, &error));
        EXPECT_EQ(error.rfind(path + c.problem, 0), 0u) << error;
        EXPECT_EQ(list, names{"kept.png"});
    }
    // An endless file of NUL bytes ends at its first byte.
    names list;
    std::string error;
    EXPECT_FALSE(read_benchmark_list("/dev/zero", list, &error));
    EXPECT_EQ(error.rfind("/dev/zero:1: the line holds a NUL byte", 0), 0u) << error;
}

TEST_F(BenchmarkList, NamesThatWouldNotReadBackAreNotWritten) {
    const std::string path = file_with("old contents\n");
    for (const std::string& bad : {std::string(max_list_name + 1, 'x'), std::string("a\nb"), std::string("a\r")}) {
        std::string error;
        EXPECT_FALSE(write_benchmark_list(path, {"fine.png", bad}, &error));
        EXPECT_EQ(error.rfind("Could not write '" + path + "': entry 2 \"", 0), 0u) << error;
    }
    EXPECT_EQ(contents(path), "old contents\n");
    const std::string longest(max_list_name, 'x');
    ASSERT_TRUE(write_benchmark_list(path, {longest, "a\rb"}, nullptr));
    EXPECT_EQ(read(contents(path)), (names{longest, "a\rb"}));
}

TEST_F(BenchmarkList, WrittenListReadsBackInOrder) {
    const names list{"/x/first.png", "", "/y/second image.tif", "third.jpg"};
    const std::string path = dir + "/saved.list";
    std::string error;
    ASSERT_TRUE(write_benchmark_list(path, list, &error)) << error;
    EXPECT_EQ(contents(path), "/x/first.png\n\n/y/second image.tif\nthird.jpg\n");
    names back;
    ASSERT_TRUE(read_benchmark_list(path, back, &error)) << error;
    EXPECT_EQ(back, list);
}

TEST_F(BenchmarkList, WritingAnEmptyListTruncates) {
    const std::string path = file_with("old contents\n");
    ASSERT_TRUE(write_benchmark_list(path, {}, nullptr));
    EXPECT_EQ(contents(path), "");
}

TEST_F(BenchmarkList, MissingFileIsReportedAndLeavesTheListAlone) {
    names list{"kept.png"};
    std::string error;
    const std::string path = dir + "/missing.list";
    EXPECT_FALSE(read_benchmark_list(path, list, &error));
    EXPECT_EQ(error, "Could not open '" + path + "': No such file or directory");
    EXPECT_EQ(list, names{"kept.png"});
}

TEST_F(BenchmarkList, DirectoryIsAReadErrorNotAnEmptyList) {
    names list{"kept.png"};
    std::string error;
    EXPECT_FALSE(read_benchmark_list(dir, list, &error));
    EXPECT_EQ(error, "Could not read '" + dir + "': Is a directory");
    EXPECT_EQ(list, names{"kept.png"});
}

TEST_F(BenchmarkList, UncreatableFileIsReported) {
    std::string error;
    const std::string path = dir + "/no/such/dir.list";
    EXPECT_FALSE(write_benchmark_list(path, {"a.png"}, &error));
    EXPECT_EQ(error, "Could not open '" + path + "': No such file or directory");
}

TEST_F(BenchmarkList, FullDeviceIsAWriteError) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not writable here";
    std::string error;
    EXPECT_FALSE(write_benchmark_list("/dev/full", {"a.png", "b.png"}, &error));
    EXPECT_EQ(error, "Could not write '/dev/full': No space left on device");
}

}  // namespace
}  // namespace strandel
