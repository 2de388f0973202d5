// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "driver/batch_worker_gimp.h"
#include "gimp_fixtures.h"

namespace strandel {
namespace {

using namespace testing_gimp;

const param_info no_params[1] = {param_info(0, 0, "unused", "unused")};

// A pass that takes its time, so that a cancel lands in the middle of it.
class slow_pass : public pass {
public:
    explicit slow_pass(int milliseconds) : pass("Slow", no_params, 0), m_ms(milliseconds) {}
    void operator()(const histogram&, std::vector<double>& centres, progress_indicator* progress) const override {
        calls.fetch_add(1);
        (*progress)(0.5);
        std::this_thread::sleep_for(std::chrono::milliseconds(m_ms));
        centres = {128.0};
    }
    pass* clone() const override { return new slow_pass(m_ms); }
    static std::atomic<int> calls;

private:
    int m_ms;
};

std::atomic<int> slow_pass::calls{0};

// Needs a display: run under Xvfb (the test runner does when it can).
class ProgressRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        has_display = gtk_init_check(nullptr, nullptr);
        if (!has_display) return;
        dir = new temp_dir();
        test_image img(40, 30, GIMP_GRAY_IMAGE, [](int x, int, int) { return x < 20 ? 30 : 220; });
        ASSERT_TRUE(save_image(img, dir->file("img.png")));
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override {
        if (!has_display) GTEST_SKIP() << "no display";
        slow_pass::calls = 0;
    }
    // Lets every pending idle and timeout run; a late answer to a destroyed
    // dialog would show here.
    static void drain_main_loop() {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (std::chrono::steady_clock::now() < until) {
            while (gtk_events_pending()) gtk_main_iteration();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    static bool has_display;
    static temp_dir* dir;
};

bool ProgressRun::has_display = false;
temp_dir* ProgressRun::dir = nullptr;

TEST_F(ProgressRun, WorkerAnswersTheDialogWhenTheBenchmarkIsDone) {
    chain passes;
    passes.append(std::make_unique<slow_pass>(10));
    const std::string results = dir->file("done.txt");
    batch_outcome outcome;
    const std::vector<std::string> benchmark{dir->file("img.png"), dir->file("img.png")};
    const gint response =
        run_batch_with_progress(passes, benchmark, std::fopen(results.c_str(), "a"), &outcome);
    EXPECT_EQ(response, 1);
    EXPECT_TRUE(outcome.written);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.lines, 2);
    EXPECT_EQ(lines_of(read_text(results)).size(), 6u);
    drain_main_loop();
}

// Presses cancel as soon as the first pass is running.
gboolean press_cancel_during_first_pass(gpointer dialog) {
    if (slow_pass::calls.load() == 0) return TRUE;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return FALSE;
}

TEST_F(ProgressRun, CancelStopsTheWorkerAtTheNextPassAndWaitsForIt) {
    chain passes;
    passes.append(std::make_unique<slow_pass>(400));
    passes.append(std::make_unique<slow_pass>(400));
    const std::string results = dir->file("cancelled.txt");
    batch_outcome outcome;
    const std::vector<std::string> benchmark(3, dir->file("img.png"));
    const gint response = run_batch_with_progress(passes, benchmark, std::fopen(results.c_str(), "a"), &outcome,
                                                  [](GtkDialog* d) { g_timeout_add(20, press_cancel_during_first_pass, d); });
    EXPECT_EQ(response, GTK_RESPONSE_CANCEL);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_TRUE(outcome.written);
    EXPECT_EQ(outcome.lines, 0);
    // The first pass of the first image was running; the second never ran,
    // and nothing runs once the call has returned.
    EXPECT_EQ(slow_pass::calls.load(), 1);
    drain_main_loop();
    EXPECT_EQ(slow_pass::calls.load(), 1);
    EXPECT_EQ(lines_of(read_text(results)).size(), 4u);  // the header, complete
}

}  // namespace
}  // namespace strandel
