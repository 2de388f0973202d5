// SPDX-License-Identifier: GPL-3.0-or-later
// Shard tables joined into the table of a single run, and the shard tables
// that must be refused rather than joined.
#include "tools/table_merge.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../test_support.h"
#include "batch/table_writer.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

class TableMerge : public ::testing::Test {
protected:
    std::string table(const std::string& name, const std::string& rows) {
        std::ofstream(dir + "/" + name, std::ios::binary) << table_header() << rows;
        return dir + "/" + name;
    }
    std::string merged() const {
        std::stringstream text;
        text << std::ifstream(dir + "/out.csv", std::ios::binary).rdbuf();
        return text.str();
    }
    // The error of a merge that must fail, having written nothing.
    std::string refusal(const std::vector<std::string>& tables) {
        std::string error;
        EXPECT_FALSE(merge_table_files(tables, dir + "/out.csv", &error));
        EXPECT_FALSE(fs::exists(dir + "/out.csv")) << error;
        return error;
    }
    const testing::temporary_folder folder;
    const std::string& dir = folder.path();
};

// Rows as a run writes them; an awkward chain text and image name among them.
std::string row(const std::string& chain, std::size_t position, const std::string& image) {
    image_rating rating;
    rating.centres = {5, 200};
    rating.values = {1, 2, 3, 4};
    rating.has_jaccard = position % 2;
    rating.jaccard = 0.5;
    return table_row(chain, position, {image, image + "_seg.png"}, rating);
}

const std::string k0 = row("K", 0, "a.png"), k1 = row("K", 1, "b,\n.png"), k2 = row("K", 2, "c.png"),
                  f0 = row("F, \"x\"", 0, "a.png");

// A row one field short, and one a field too long.
std::string shorter(const std::string& text) { return text.substr(0, text.rfind(',')) + "\r\n"; }
std::string longer(const std::string& text) { return text.substr(0, text.size() - 2) + ",\r\n"; }

TEST_F(TableMerge, RowsInASingleRunsOrderUnderOneHeader) {
    const std::string one = table("one.csv", k2 + f0), two = table("two.csv", k1 + k0);
    std::string error;
    ASSERT_TRUE(merge_table_files({one, two}, dir + "/out.csv", &error)) << error;
    // By position, and K (first seen) before F at position 0, as one run
    // of both chains writes them.
    EXPECT_EQ(merged(), table_header() + k0 + f0 + k1 + k2);
    EXPECT_TRUE(is_results_table(dir + "/out.csv"));
    // No table is ever overwritten.
    EXPECT_FALSE(merge_table_files({one}, dir + "/out.csv", &error));
    EXPECT_EQ(merged(), table_header() + k0 + f0 + k1 + k2);
}

TEST_F(TableMerge, RefusesRowsThatAreNotRowsOfTheTable) {
    const std::string good = table("good.csv", k0);
    const std::string header = table_header();
    const std::size_t width = std::size_t(std::count(header.begin(), header.end(), ',')) + 1;
    EXPECT_EQ(refusal({good, table("short.csv", k2 + shorter(row("K", 3, "d.png")))}),
              dir + "/short.csv:3: " + std::to_string(width - 1) + " fields, expected " + std::to_string(width));
    EXPECT_EQ(refusal({table("long.csv", longer(row("K", 3, "d.png")))}),
              dir + "/long.csv:2: " + std::to_string(width + 1) + " fields, expected " + std::to_string(width));
    EXPECT_EQ(refusal({table("position.csv", "K,-1" + row("K", 1, "d.png").substr(3))}),
              dir + "/position.csv:2: position \"-1\" is not a whole number from 0");
    EXPECT_EQ(refusal({good, table("again.csv", k2 + k0)}),
              dir + "/again.csv:3: chain 'K' at position 0 appears already at " + dir +
                  "/good.csv:2: are two shards overlapping, or one table given twice?");
    // A table of an earlier version, without the measures of the literature.
    std::ofstream(dir + "/old.csv", std::ios::binary)
        << "chain,position,image,manual_segmentation,classes,centres,seconds,turi,dunn,amrane,liu_yang,jaccard,status\r\n"
        << "K,3,d.png,,2,5 200,0.1,1,2,3,4,,ok\r\n";
    EXPECT_EQ(refusal({good, dir + "/old.csv"}),
              "'" + dir + "/old.csv' has other columns than '" + good + "': was it written by another version?");
    std::ofstream(dir + "/report.txt") << "\n\nAlgorithm: K-Means \nImage\tNumber of classes\n";
    EXPECT_EQ(refusal({good, dir + "/report.txt"}).rfind(dir + "/report.txt:3: unexpected header, expected chain,", 0),
              0u);
}

}  // namespace
}  // namespace strandel
