// SPDX-License-Identifier: GPL-3.0-or-later
// Entry point of the widget tests: GTK needs a display and gtk_init before
// any widget exists.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "test_passes.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // File choosers keep their sorting, recent files and bookmarks in the
    // user's home; give them an empty one so no earlier session matters.
    char pattern[] = "/tmp/ui_tests_homeXXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("ui_tests: cannot create a home directory");
        return 1;
    }
    const std::string home = pattern;
    g_setenv("HOME", home.c_str(), TRUE);
    for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        const std::string dir = home + "/" + variable;
        g_mkdir_with_parents(dir.c_str(), 0700);
        g_setenv(variable, dir.c_str(), TRUE);
    }
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "ui_tests: cannot open the display '%s' (run under scripts/with-xvfb.sh)\n",
                     g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "");
        return 1;
    }
    strandel::testing_ui::register_test_passes();
    const int failed = RUN_ALL_TESTS();
    std::system(("rm -rf '" + home + "'").c_str());
    return failed;
}
