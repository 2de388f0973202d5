// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/benchmark_editor.h"
#include "ui_test_support.h"

namespace strandel {
namespace testing_ui {
namespace {

using rows = std::vector<std::string>;

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string chooser_file(GtkWidget* chooser) {
    gchar* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser));
    std::string result = name ? name : "";
    g_free(name);
    return result;
}

std::vector<std::string> chooser_files(GtkWidget* chooser) {
    std::vector<std::string> files;
    GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(chooser));
    for (GSList* item = names; item; item = item->next) {
        files.push_back(static_cast<char*>(item->data));
        g_free(item->data);
    }
    g_slist_free(names);
    return files;
}

// The name typed in a save chooser.
std::string chooser_name_entry(GtkWidget* chooser) {
    GtkWidget* entry = find_widget(chooser, [](GtkWidget* w) {
        return GTK_IS_ENTRY(w) && gtk_widget_get_mapped(w);
    });
    return entry ? gtk_entry_get_text(GTK_ENTRY(entry)) : "<no entry>";
}

class BenchmarkEditor : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/benchmark_editor_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(window), 500, 400);
        editor = create_benchmark_editor(window, &benchmark_filename);
        gtk_container_add(GTK_CONTAINER(window), editor.frame);
        gtk_widget_show(editor.frame);
        gtk_widget_show(window);
    }
    void TearDown() override {
        gtk_widget_destroy(window);
        std::system(("rm -rf '" + dir + "'").c_str());
    }

    std::string file(const std::string& name, const std::string& bytes = "") {
        const std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    void set_rows(const rows& names) {
        gtk_list_store_clear(editor.list_store);
        for (const std::string& name : names) {
            GtkTreeIter row;
            gtk_list_store_append(editor.list_store, &row);
            gtk_list_store_set(editor.list_store, &row, 0, GTK_STOCK_FILE, 1, name.c_str(), -1);
        }
    }
    rows icons() {
        rows found;
        GtkTreeModel* model = GTK_TREE_MODEL(editor.list_store);
        GtkTreeIter row;
        for (gboolean ok = gtk_tree_model_get_iter_first(model, &row); ok;
             ok = gtk_tree_model_iter_next(model, &row)) {
            gchar* icon = nullptr;
            gtk_tree_model_get(model, &row, 0, &icon, -1);
            found.push_back(icon ? icon : "");
            g_free(icon);
        }
        return found;
    }
    void click(GtkWidget* button) {
        script.act("click", [button] { gtk_button_clicked(GTK_BUTTON(button)); });
    }
    // Waits for the chooser titled `title`, lets `prepare` fill it in,
    // waits until `ready` holds, and answers it with `response`. A save
    // chooser checks the chosen file in the background before it really
    // answers, so the script waits for it to close unless told not to.
    void answer_chooser(const char* title, std::function<void(GtkWidget*)> prepare,
                        std::function<bool(GtkWidget*)> ready, gint response,
                        bool wait_until_closed = true) {
        auto chooser = std::make_shared<GtkWidget*>(nullptr);
        script.wait_for(std::string("chooser ") + title, [=] {
            *chooser = visible_dialog(GTK_TYPE_FILE_CHOOSER_DIALOG, title);
            if (!*chooser) return false;
            EXPECT_EQ(GTK_WIDGET(gtk_window_get_transient_for(GTK_WINDOW(*chooser))), window);
            prepare(*chooser);
            return true;
        });
        script.wait_for(std::string("chooser ready: ") + title, [=] { return ready(*chooser); });
        script.act(std::string("answer ") + title,
                   [=] { gtk_dialog_response(GTK_DIALOG(*chooser), response); });
        if (wait_until_closed)
            script.wait_for(std::string("closing ") + title,
                            [=] { return visible_dialog(GTK_TYPE_FILE_CHOOSER_DIALOG) == nullptr; });
    }
    void run() {
        run_script(script);
        EXPECT_TRUE(script.completed());
    }

    std::string dir;
    std::string benchmark_filename;
    GtkWidget* window = nullptr;
    benchmark_editor editor;
    ui_script script;
};

TEST_F(BenchmarkEditor, TextsAndButtonOrder) {
    EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(editor.frame)), "Benchmark");
    EXPECT_STREQ(gtk_tree_view_column_get_title(
                     gtk_tree_view_get_column(GTK_TREE_VIEW(editor.tree_view), 1)), "Files");
    EXPECT_STREQ(GIMP_FILE_ENTRY(editor.result_file_entry)->title, "Save results to");
    EXPECT_EQ(results_file_name(editor.result_file_entry), "");
    // From left to right: add, remove, save, open.
    GtkWidget* order[] = {editor.add_button, editor.remove_button, editor.save_button,
                          editor.open_button};
    for (int i = 0; i < 3; ++i) {
        GtkAllocation left, right;
        gtk_widget_get_allocation(order[i], &left);
        gtk_widget_get_allocation(order[i + 1], &right);
        EXPECT_LT(left.x, right.x) << i;
    }
}

TEST_F(BenchmarkEditor, AddAppendsChosenFilesAndRemoveTakesTheSelection) {
    const std::string b = file("b.png");
    ASSERT_EQ(mkdir((dir + "/pick").c_str(), 0700), 0);
    const std::string a = file("pick/a.png"), c = file("pick/c.png");
    rows picked;
    set_rows({"/first.png"});
    click(editor.add_button);
    answer_chooser("Add Files",
                   [&](GtkWidget* chooser) {
                       EXPECT_TRUE(gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(chooser)));
                       EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)),
                                 GTK_FILE_CHOOSER_ACTION_OPEN);
                       gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser),
                                                           (dir + "/pick").c_str());
                   },
                   [&](GtkWidget* chooser) {
                       // Both files of the folder, as with a shift-click.
                       gtk_file_chooser_select_all(GTK_FILE_CHOOSER(chooser));
                       picked = chooser_files(chooser);
                       return picked.size() == 2;
                   },
                   GTK_RESPONSE_ACCEPT);
    click(editor.add_button);
    answer_chooser("Add Files",
                   [&](GtkWidget* chooser) {
                       gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(chooser), a.c_str());
                   },
                   [&](GtkWidget* chooser) { return chooser_files(chooser) == rows{a}; },
                   GTK_RESPONSE_ACCEPT);
    click(editor.add_button);
    answer_chooser("Add Files",
                   [&](GtkWidget* chooser) {
                       gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(chooser), b.c_str());
                   },
                   [&](GtkWidget* chooser) { return chooser_files(chooser) == rows{b}; },
                   GTK_RESPONSE_CANCEL);
    script.act("check the rows and select the first and third", [&] {
        ASSERT_EQ(picked.size(), 2u);
        rows both = picked;
        std::sort(both.begin(), both.end());
        EXPECT_EQ(both, (rows{a, c}));
        // Appended in the chooser's order, whatever its sorting.
        EXPECT_EQ(benchmark_rows(editor.list_store), (rows{"/first.png", picked[0], picked[1], a}));
        EXPECT_EQ(icons(), rows(4, GTK_STOCK_FILE));
        GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(editor.tree_view));
        for (const char* path : {"0", "2"}) {
            GtkTreePath* p = gtk_tree_path_new_from_string(path);
            gtk_tree_selection_select_path(selection, p);
            gtk_tree_path_free(p);
        }
    });
    click(editor.remove_button);
    script.act("check and remove with nothing selected", [&] {
        EXPECT_EQ(benchmark_rows(editor.list_store), (rows{picked[0], a}));
        gtk_tree_selection_unselect_all(
            gtk_tree_view_get_selection(GTK_TREE_VIEW(editor.tree_view)));
        gtk_button_clicked(GTK_BUTTON(editor.remove_button));
        EXPECT_EQ(benchmark_rows(editor.list_store), (rows{picked[0], a}));
    });
    ::testing::internal::CaptureStdout();
    run();
    std::fflush(stdout);
    const std::string printed = ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(picked.size(), 2u);
    EXPECT_EQ(printed,
              "Got " + picked[0] + "\nGot " + picked[1] + "\nGot " + a +
                  "\nRemove files\nRemove files\n");
}

TEST_F(BenchmarkEditor, SaveWritesTheRowsAndIsProposedTheSameFileNextTime) {
    const std::string target = dir + "/mine.list";
    set_rows({"/x/one.png", "", "/y/two.png"});
    click(editor.save_button);
    answer_chooser("Save Benchmark",
                   [&](GtkWidget* chooser) {
                       EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)),
                                 GTK_FILE_CHOOSER_ACTION_SAVE);
                       EXPECT_TRUE(gtk_file_chooser_get_do_overwrite_confirmation(
                           GTK_FILE_CHOOSER(chooser)));
                       EXPECT_EQ(chooser_name_entry(chooser), "untitled_benchmark.list");
                       gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), dir.c_str());
                       gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(chooser), "mine.list");
                   },
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == target; },
                   GTK_RESPONSE_ACCEPT);
    script.act("check the file", [&] {
        EXPECT_EQ(contents(target), "/x/one.png\n\n/y/two.png\n");
        EXPECT_EQ(benchmark_filename, target);
        set_rows({});
    });
    // The second save preselects the file, which now exists: confirm it.
    click(editor.save_button);
    answer_chooser("Save Benchmark", [](GtkWidget*) {},
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == target; },
                   GTK_RESPONSE_ACCEPT, false);
    script.wait_for("the overwrite question", [] {
        GtkWidget* question = visible_dialog(GTK_TYPE_MESSAGE_DIALOG);
        if (!question) return false;
        EXPECT_NE(message_text(question).find("mine.list"), std::string::npos);
        gtk_dialog_response(GTK_DIALOG(question), GTK_RESPONSE_ACCEPT);
        return true;
    });
    script.wait_for("the chooser to close", [] {
        return visible_dialog(GTK_TYPE_FILE_CHOOSER_DIALOG) == nullptr;
    });
    script.act("check the emptied file", [&] { EXPECT_EQ(contents(target), ""); });
    run();
}

TEST_F(BenchmarkEditor, FailedSaveIsReportedAndForgotten) {
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not writable here";
    const std::string earlier = file("earlier.list", "/old.png\n");
    benchmark_filename = earlier;
    set_rows({"/x/one.png"});
    click(editor.save_button);
    answer_chooser("Save Benchmark",
                   [](GtkWidget* chooser) {
                       gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(chooser), "/dev/full");
                   },
                   [](GtkWidget* chooser) { return chooser_file(chooser) == "/dev/full"; },
                   GTK_RESPONSE_ACCEPT, false);
    script.wait_for("the overwrite question", [] {
        GtkWidget* question = visible_dialog(GTK_TYPE_MESSAGE_DIALOG);
        if (!question) return false;
        gtk_dialog_response(GTK_DIALOG(question), GTK_RESPONSE_ACCEPT);
        return true;
    });
    expect_message(script, "Could not write '/dev/full': No space left on device", &window);
    script.wait_for("the chooser to close", [] {
        return visible_dialog(GTK_TYPE_FILE_CHOOSER_DIALOG) == nullptr;
    });
    click(editor.save_button);
    answer_chooser("Save Benchmark", [](GtkWidget*) {},
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == earlier; },
                   GTK_RESPONSE_CANCEL);
    script.act("check", [&] {
        EXPECT_EQ(benchmark_filename, earlier);
        EXPECT_EQ(benchmark_rows(editor.list_store), rows{"/x/one.png"});
    });
    run();
}

TEST_F(BenchmarkEditor, OpenReplacesTheRowsAndAnUnreadableFileChangesNothing) {
    const std::string crlf = file("crlf.list", "/a/1.png\r\n/b/2.png\r\n\r\n/c/3.png");
    // A link to nowhere is listed by the chooser but cannot be opened.
    const std::string unreadable = dir + "/broken.list";
    ASSERT_EQ(symlink((dir + "/nowhere").c_str(), unreadable.c_str()), 0);
    set_rows({"/old.png"});
    click(editor.open_button);
    answer_chooser("Open Benchmark",
                   [&](GtkWidget* chooser) {
                       EXPECT_FALSE(gtk_file_chooser_get_select_multiple(GTK_FILE_CHOOSER(chooser)));
                       EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(chooser)),
                                 GTK_FILE_CHOOSER_ACTION_OPEN);
                       gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), dir.c_str());
                       gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(chooser), crlf.c_str());
                   },
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == crlf; },
                   GTK_RESPONSE_ACCEPT);
    script.act("check the rows", [&] {
        EXPECT_EQ(benchmark_rows(editor.list_store), (rows{"/a/1.png", "/b/2.png", "", "/c/3.png"}));
        EXPECT_EQ(icons(), rows(4, GTK_STOCK_FILE));
        EXPECT_EQ(benchmark_filename, crlf);
    });
    click(editor.open_button);
    answer_chooser("Open Benchmark",
                   [&](GtkWidget* chooser) {
                       gtk_file_chooser_select_filename(GTK_FILE_CHOOSER(chooser),
                                                        unreadable.c_str());
                   },
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == unreadable; },
                   GTK_RESPONSE_ACCEPT, false);
    expect_message(script, "Could not open '" + unreadable + "': No such file or directory",
                   &window);
    script.wait_for("the chooser to close", [] {
        return visible_dialog(GTK_TYPE_FILE_CHOOSER_DIALOG) == nullptr;
    });
    script.act("check nothing changed", [&] {
        EXPECT_EQ(benchmark_rows(editor.list_store).size(), 4u);
        EXPECT_EQ(benchmark_filename, crlf);
    });
    // A save now preselects the opened file.
    click(editor.save_button);
    answer_chooser("Save Benchmark", [](GtkWidget*) {},
                   [&](GtkWidget* chooser) { return chooser_file(chooser) == crlf; },
                   GTK_RESPONSE_CANCEL);
    run();
    EXPECT_EQ(contents(crlf), "/a/1.png\r\n/b/2.png\r\n\r\n/c/3.png") << "cancel writes nothing";
}

}  // namespace
}  // namespace testing_ui
}  // namespace strandel
