// SPDX-License-Identifier: GPL-3.0-or-later
// Driving real GTK widgets from tests: a script of steps run from main-loop
// ticks (so modal dialogs can be answered from inside their own loops), and
// lookups in the widget tree.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>
#include <vector>

namespace strandel {
namespace testing_ui {

// Steps run one per tick, each from its own one-shot timeout, so an action
// that opens a modal dialog blocks only itself: the following steps run
// inside the dialog's loop.
class ui_script {
public:
    // Runs once. May block in a nested loop.
    ui_script& act(std::string what, std::function<void()> fn);
    // Retried every tick until it returns true; after a few seconds the
    // script fails, closes every open dialog and ends.
    ui_script& wait_for(std::string what, std::function<bool()> fn);
    // Called once after the last step or after a failure.
    ui_script& at_end(std::function<void()> fn);

    ui_script() = default;
    ui_script(const ui_script&) = delete;
    ui_script& operator=(const ui_script&) = delete;
    ~ui_script();

    void start();
    // Every step ran (the end hook may still be due).
    bool completed() const { return !m_abandoned && m_next == m_steps.size(); }

private:
    struct step {
        std::string what;
        std::function<void()> act;
        std::function<bool()> wait;
    };
    static gboolean tick(gpointer self);
    void schedule();
    void finish();

    std::vector<step> m_steps;
    std::function<void()> m_at_end;
    std::size_t m_next = 0;
    int m_retries = 0;
    bool m_abandoned = false;
    bool m_ended = false;
    guint m_source = 0;
};

// Runs the script inside a main loop of its own until it ends.
void run_script(ui_script& script);

// Visible top-level dialogs of a type (e.g. GTK_TYPE_MESSAGE_DIALOG), the
// most recently shown last.
std::vector<GtkWidget*> visible_dialogs(GType type);
GtkWidget* visible_dialog(GType type, const char* title = nullptr);

// The text of a message dialog.
std::string message_text(GtkWidget* message_dialog);

// Waits for an error message, checks its text (and, when `parent` is given,
// that the message sits over `*parent`), and answers it.
ui_script& expect_message(ui_script& script, const std::string& text,
                          GtkWidget* const* parent = nullptr);

std::vector<GtkWidget*> children_of(GtkWidget* container);
// Depth-first search below (and including) `root`.
GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match);
GtkWidget* find_stock_button(GtkWidget* root, const char* stock_id);

// Saves what `widget`'s window shows as a PNG.
bool save_window_picture(GtkWidget* widget, const std::string& png_file);

}  // namespace testing_ui
}  // namespace strandel
