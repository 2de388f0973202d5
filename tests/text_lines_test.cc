// SPDX-License-Identifier: GPL-3.0-or-later
// Bounded reading of text files, file identity, text shown on terminals,
// and temporary files put in place without replacing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/file_identity.h"
#include "framework/message_text.h"
#include "framework/temporary_files.h"
#include "framework/text_lines.h"

namespace strandel {
namespace {

namespace fs = std::filesystem;

struct folder {
    folder() {
        char pattern[] = "/tmp/strandel-text-lines-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~folder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

std::vector<std::string> all_lines(text_lines& lines, bool* last_ended) {
    std::vector<std::string> read;
    for (std::string line; lines.next(&line);) read.push_back(line);
    *last_ended = lines.line_ended();
    return read;
}

TEST(TextLines, LinesKeepTheirCrAndTheLastOneMayLackItsLineEnd) {
    text_lines lines;
    lines.open_text("a\r\n\nlast", "t");
    bool ended = true;
    EXPECT_EQ(all_lines(lines, &ended), (std::vector<std::string>{"a\r", "", "last"}));
    EXPECT_FALSE(ended);
    EXPECT_EQ(lines.line_number(), 3);
    EXPECT_FALSE(lines.failed());
    // Lines longer than a read chunk come whole.
    const std::string longer(200000, 'x');
    text_lines chunked;
    chunked.open_text(longer + "\n" + longer + "\n", "t");
    EXPECT_EQ(all_lines(chunked, &ended), (std::vector<std::string>{longer, longer}));
    EXPECT_TRUE(ended);
}

TEST(TextLines, ALineOverTheLimitStopsTheReadingAtItsNumber) {
    text_lines lines;
    lines.open_text("short\n" + std::string(longest_text_line + 1, 'z') + "\n", "big.txt");
    bool ended;
    EXPECT_EQ(all_lines(lines, &ended).size(), 1u);
    EXPECT_TRUE(lines.failed());
    EXPECT_EQ(lines.message(), "big.txt:2: line longer than 1048576 bytes");
    text_lines exact;
    exact.open_text(std::string(longest_text_line, 'z') + "\n", "t");
    EXPECT_EQ(all_lines(exact, &ended).size(), 1u);
    EXPECT_FALSE(exact.failed());
}

TEST(TextLines, OnlyRegularFilesAreOpenedAndAFifoDoesNotBlock) {
    folder dir;
    text_lines missing, directory, device, fifo, regular;
    EXPECT_FALSE(missing.open(dir / "none"));
    EXPECT_EQ(missing.message(), dir / "none" + ": cannot open: No such file or directory");
    EXPECT_FALSE(directory.open(dir.path));
    EXPECT_EQ(directory.error(), "it is a directory, not a regular file");
    EXPECT_FALSE(device.open("/dev/zero"));
    EXPECT_EQ(device.error(), "it is a device, not a regular file");
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(fifo.open(dir / "fifo"));  // returns at once: nobody writes it
    EXPECT_EQ(fifo.error(), "it is a FIFO (named pipe), not a regular file");
    std::ofstream(dir / "f") << "one\ntwo\n";
    ASSERT_TRUE(regular.open(dir / "f"));
    bool ended;
    EXPECT_EQ(all_lines(regular, &ended), (std::vector<std::string>{"one", "two"}));
}

TEST(FileIdentity, LinksAndOtherSpellingsAreOneFile) {
    folder dir;
    std::ofstream(dir / "a") << "x";
    fs::create_directory(dir / "sub");
    fs::create_symlink(dir / "a", dir / "link");
    const file_identity a(dir / "a");
    EXPECT_TRUE(a.exists());
    EXPECT_TRUE(a.same_as(dir / "link"));
    EXPECT_TRUE(a.same_as(dir / "sub/../a"));
    EXPECT_FALSE(a.same_as(dir / "sub"));
    // Names of files not made yet are compared as resolved paths.
    const file_identity later(dir / "sub/../new.txt");
    EXPECT_FALSE(later.exists());
    EXPECT_TRUE(later.same_as(dir / "./new.txt"));
    EXPECT_FALSE(later.same_as(dir / "a"));
    EXPECT_EQ(resolved_path(dir / "sub/./../a"), fs::canonical(dir / "a").string());
}

TEST(TerminalText, ControlsAndBrokenUtf8AreShownAsBytes) {
    EXPECT_EQ(terminal_text("K-Means(10, 3); \xC3\xA9t\xC3\xA9"), "K-Means(10, 3); \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(terminal_text("a\x1b[31mb\x07\t"), "a\\x1B[31mb\\x07\\x09");
    // CSI as a C1 control (U+009B) and as a lone byte, DEL, an overlong
    // and a cut sequence.
    EXPECT_EQ(terminal_text("\xC2\x9B" "2J\x9B\x7F\xC0\xAF\xE2\x82"), "\\xC2\\x9B2J\\x9B\\x7F\\xC0\\xAF\\xE2\\x82");
    EXPECT_EQ(terminal_text(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(terminal_text("\xF0\x9F\x98\x80 \xC2\xA0"), "\xF0\x9F\x98\x80 \xC2\xA0");  // emoji, no-break space
}

TEST(TemporaryFile, RenameToNewNeverReplaces) {
    folder dir;
    std::ofstream(dir / "taken") << "keep";
    std::string path;
    {
        temporary_file refused(dir / "taken.tmp-");
        ASSERT_TRUE(refused.ok());
        ASSERT_EQ(write(refused.fd(), "new", 3), 3);
        path = refused.path();
        EXPECT_FALSE(refused.rename_to_new(dir / "taken"));
        EXPECT_EQ(refused.error(), dir / "taken" + ": exists already");
    }
    EXPECT_FALSE(fs::exists(path));  // removed with its object
    std::ifstream kept(dir / "taken");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    {
        temporary_file made(dir / "fresh.tmp-");
        ASSERT_EQ(write(made.fd(), "new", 3), 3);
        EXPECT_TRUE(made.rename_to_new(dir / "fresh"));
    }
    std::ifstream fresh(dir / "fresh");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(fresh), {}), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace strandel
