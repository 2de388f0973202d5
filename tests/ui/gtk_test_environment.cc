// Entry point of the widget tests: GTK needs a display and gtk_init before
// any widget exists.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "test_passes.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "ui_tests: cannot open the display '%s' (run under scripts/with-xvfb.sh)\n",
                     g_getenv("DISPLAY") ? g_getenv("DISPLAY") : "");
        return 1;
    }
    strandel::testing_ui::register_test_passes();
    return RUN_ALL_TESTS();
}
