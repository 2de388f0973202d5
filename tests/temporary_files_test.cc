// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/temporary_files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace strandel {
namespace {

std::string make_folder() {
    char pattern[] = "/tmp/strandel-temporary-test-XXXXXX";
    return mkdtemp(pattern);
}

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

void age(const std::string& path, int seconds) {
    struct utimbuf times;
    times.actime = times.modtime = time(nullptr) - seconds;
    ASSERT_EQ(utime(path.c_str(), &times), 0);
}

TEST(TemporaryFiles, RenamedFileStaysAndAnAbandonedOneIsRemoved) {
    const std::string folder = make_folder();
    std::string kept_name, dropped_name;
    {
        temporary_file kept(folder + "/.t-");
        ASSERT_TRUE(kept.ok()) << kept.error();
        ASSERT_EQ(write(kept.fd(), "abc", 3), 3);
        kept_name = kept.path();
        EXPECT_TRUE(kept.rename_to(folder + "/final"));
        temporary_file dropped(folder + "/.t-");
        dropped_name = dropped.path();
        EXPECT_TRUE(exists(dropped_name));
    }
    EXPECT_FALSE(exists(kept_name));
    EXPECT_FALSE(exists(dropped_name));
    std::ifstream in(folder + "/final");
    std::string content;
    in >> content;
    EXPECT_EQ(content, "abc");
    std::system(("rm -rf '" + folder + "'").c_str());
}

// A child that makes a temporary file and is then ended by a signal leaves
// nothing behind, and ends by that very signal.
TEST(TemporaryFiles, ACatchableSignalRemovesOpenTemporaries) {
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string folder = make_folder();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            install_tool_signal_handling();
            temporary_file a(folder + "/.t-"), b(folder + "/.u-");
            raise(signal_number);
            _exit(0);  // not reached
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
        EXPECT_EQ(std::system(("test -z \"$(ls -A '" + folder + "')\"").c_str()), 0) << "left in " << folder;
        std::system(("rm -rf '" + folder + "'").c_str());
    }
}

// A signal that comes while a temporary file is being created (it is
// handled as the creating system call returns) still finds it: a child that
// does nothing but create and remove temporary files, on two threads, is
// ended at random moments and leaves nothing behind.
TEST(TemporaryFiles, ASignalDuringCreationLeavesNothing) {
    const std::string folder = make_folder();
    for (int trial = 0; trial < 60; ++trial) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            install_tool_signal_handling();
            auto churn = [&folder] {
                for (;;) temporary_file churned(folder + "/.c-");
            };
            std::thread other(churn);
            churn();
        }
        usleep(static_cast<useconds_t>(2000 + (trial * 7919) % 8000));
        kill(child, SIGTERM);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        ASSERT_EQ(std::system(("test -z \"$(ls -A '" + folder + "')\"").c_str()), 0)
            << "trial " << trial << " left a file in " << folder;
    }
    std::system(("rm -rf '" + folder + "'").c_str());
}

// Threads making temporary files at once (the report's thumbnails) neither
// change the process's umask nor get files writable by others.
TEST(TemporaryFiles, ThreadsLeaveTheUmaskAlone) {
    const std::string folder = make_folder();
    const mode_t mask = umask(0);
    umask(mask);
    std::atomic<bool> wrong_mode{false};
    auto churn = [&folder, &wrong_mode, mask] {
        for (int i = 0; i < 4000; ++i) {
            temporary_file made(folder + "/.m-");
            struct stat info;
            if (made.ok() && fstat(made.fd(), &info) == 0 && (info.st_mode & 0777) != (0666 & ~mask))
                wrong_mode = true;
        }
    };
    std::thread other(churn);
    churn();
    other.join();
    const mode_t after = umask(0);
    umask(after);
    EXPECT_EQ(after, mask);
    EXPECT_FALSE(wrong_mode);
    std::system(("rm -rf '" + folder + "'").c_str());
}

// A file size limit is a write error the tool sees, not a kill.
TEST(TemporaryFiles, FileSizeLimitIsAFailedWrite) {
    const std::string folder = make_folder();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        install_tool_signal_handling();
        const int fd = open((folder + "/big").c_str(), O_WRONLY | O_CREAT, 0644);
        struct rlimit limit;
        limit.rlim_cur = limit.rlim_max = 10;
        setrlimit(RLIMIT_FSIZE, &limit);
        char bytes[100] = {};
        const ssize_t wrote = write(fd, bytes, sizeof bytes);
        const ssize_t again = write(fd, bytes, sizeof bytes);
        _exit(wrote == 10 && again < 0 && errno == EFBIG ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    std::system(("rm -rf '" + folder + "'").c_str());
}

// Only old files of the pattern that nobody holds locked are leftovers.
TEST(TemporaryFiles, StaleLeftoversAreRemovedAndLiveOnesKept) {
    const std::string folder = make_folder();
    auto touch = [&](const std::string& name) {
        std::ofstream(folder + "/" + name) << "x";
        return folder + "/" + name;
    };
    const std::string stale = touch(".t-abcdef"), young = touch(".t-ghijkl"), other = touch(".t-toolongname"),
                      foreign = touch("x.t-abcdef");
    age(stale, 3600);
    age(other, 3600);
    age(foreign, 3600);
    temporary_file live(folder + "/.t-");
    ASSERT_TRUE(live.ok());
    age(live.path(), 3600);
    EXPECT_EQ(remove_stale_temporaries(folder, ".t-", 60), 1);
    EXPECT_FALSE(exists(stale));
    EXPECT_TRUE(exists(young));
    EXPECT_TRUE(exists(other));
    EXPECT_TRUE(exists(foreign));
    EXPECT_TRUE(exists(live.path()));
    std::system(("rm -rf '" + folder + "'").c_str());
}

}  // namespace
}  // namespace strandel
