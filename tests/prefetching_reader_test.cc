// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/prefetching_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace strandel {
namespace {

std::vector<image_request> numbered_files(int n) {
    std::vector<image_request> files;
    for (int i = 0; i < n; ++i) files.push_back({"image" + std::to_string(i), ""});
    return files;
}

int number_of(const image_request& file) { return std::stoi(file.image.substr(5)); }

// Reads "image<i>" as a histogram holding i pixels at level i % 256, after a
// delay that varies so that workers finish out of order; "image<i>" with i
// a multiple of 7 is unreadable. Records what ran when.
struct fake_engine {
    std::mutex mutex;
    std::multiset<int> read;
    std::atomic<int> running{0}, most_running{0};
    std::atomic<int> handed_out{0};  // images the batch has taken so far
    std::atomic<int> furthest_ahead{0};

    read_status operator()(const image_request& file, image_data& data, std::string* why) {
        const int i = number_of(file);
        const int now = ++running;
        for (int seen = most_running; now > seen && !most_running.compare_exchange_weak(seen, now);) {
        }
        for (int ahead = furthest_ahead, a = i - handed_out; a > ahead && !furthest_ahead.compare_exchange_weak(ahead, a);) {
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            read.insert(i);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200 * ((i * 37) % 5)));
        --running;
        if (i % 7 == 0) {
            *why = "no such image " + file.image;
            return read_status::unreadable;
        }
        clear_histogram(data.h);
        data.h[i % 256] = i;
        data.has_manual = i % 2 == 1;
        if (data.has_manual) {
            data.manual.clear();
            data.manual.add(static_cast<unsigned char>(i), 3);
        }
        return read_status::ok;
    }
};

void expect_answer(int i, read_status status, const image_data& data, const std::string& why) {
    SCOPED_TRACE(i);
    if (i % 7 == 0) {
        EXPECT_EQ(status, read_status::unreadable);
        EXPECT_EQ(why, "no such image image" + std::to_string(i));
        return;
    }
    ASSERT_EQ(status, read_status::ok);
    EXPECT_EQ(data.h[i % 256], i);
    EXPECT_EQ(total_pixels(data.h), i);
    EXPECT_EQ(data.has_manual, i % 2 == 1);
    if (data.has_manual) {
        EXPECT_EQ(data.manual.at(static_cast<unsigned char>(i), 3), 1u);
    }
}

TEST(PrefetchingReader, AnswersInListOrderWithBoundedReadAhead) {
    for (int jobs : {1, 2, 3}) {
        SCOPED_TRACE(jobs);
        const std::vector<image_request> files = numbered_files(40);
        fake_engine engine;
        {
            prefetching_reader reader(files, std::vector<bool>(files.size(), true), jobs, std::ref(engine));
            image_data data;
            for (int i = 0; i < 40; ++i) {
                std::string why;
                const read_status status = reader(files[i], data, &why);
                expect_answer(i, status, data, why);
                engine.handed_out = i + 1;
            }
        }
        EXPECT_EQ(engine.read.size(), 40u);
        EXPECT_EQ(std::set<int>(engine.read.begin(), engine.read.end()).size(), 40u);  // each read once
        EXPECT_LE(engine.most_running, jobs);
        // A worker starts ticket k only once ticket k - 2 * jobs is taken (the
        // count of images handed out may lag by one).
        EXPECT_LE(engine.furthest_ahead, jobs == 1 ? 0 : 2 * jobs);
    }
}

TEST(PrefetchingReader, ReadsOnlyTheWantedPositions) {
    const std::vector<image_request> files = numbered_files(12);
    std::vector<bool> wanted(12, false);
    for (int i : {1, 4, 5, 11}) wanted[i] = true;
    fake_engine engine;
    prefetching_reader reader(files, wanted, 2, std::ref(engine));
    image_data data;
    for (int i = 0; i < 12; ++i) {
        std::string why;
        const read_status status = reader(files[i], data, &why);
        if (wanted[i])
            expect_answer(i, status, data, why);
        else
            EXPECT_EQ(status, read_status::no_layer) << i;
    }
    EXPECT_EQ(engine.read, (std::multiset<int>{1, 4, 5, 11}));
}

TEST(PrefetchingReader, AFailingReadSkipsOneImageAndLeavingEarlyDoesNotHang) {
    const std::vector<image_request> files = numbered_files(30);
    auto throwing = [](const image_request& file, image_data& data, std::string* why) {
        if (number_of(file) == 2) throw std::runtime_error("out of memory for image2");
        clear_histogram(data.h);
        why->clear();
        return read_status::ok;
    };
    prefetching_reader reader(files, std::vector<bool>(files.size(), true), 3, throwing);
    image_data data;
    std::string why;
    EXPECT_EQ(reader(files[0], data, &why), read_status::ok);
    EXPECT_EQ(reader(files[1], data, &why), read_status::ok);
    EXPECT_EQ(reader(files[2], data, &why), read_status::unreadable);
    EXPECT_EQ(why, "out of memory for image2");
    EXPECT_EQ(reader(files[3], data, &why), read_status::ok);
    // The batch stops here (a failed write); the destructor must not wait
    // for the other 26 images.
}

}  // namespace
}  // namespace strandel
