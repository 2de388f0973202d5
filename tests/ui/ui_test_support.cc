// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui_test_support.h"

#include <gtest/gtest.h>

namespace strandel {
namespace testing_ui {
namespace {

constexpr guint tick_ms = 20;
constexpr int max_retries = 400;  // 8 s of waiting for one condition

void collect(GtkWidget* widget, gpointer data) {
    static_cast<std::vector<GtkWidget*>*>(data)->push_back(widget);
}

}  // namespace

ui_script& ui_script::act(std::string what, std::function<void()> fn) {
    m_steps.push_back({std::move(what), std::move(fn), nullptr});
    return *this;
}

ui_script& ui_script::wait_for(std::string what, std::function<bool()> fn) {
    m_steps.push_back({std::move(what), nullptr, std::move(fn)});
    return *this;
}

ui_script& ui_script::at_end(std::function<void()> fn) {
    m_at_end = std::move(fn);
    return *this;
}

ui_script::~ui_script() {
    if (m_source) g_source_remove(m_source);
}

void ui_script::start() { schedule(); }

void ui_script::schedule() { m_source = g_timeout_add(tick_ms, &ui_script::tick, this); }

void ui_script::finish() {
    if (m_ended) return;
    m_ended = true;
    if (m_at_end) m_at_end();
}

gboolean ui_script::tick(gpointer self) {
    auto* script = static_cast<ui_script*>(self);
    script->m_source = 0;
    if (script->m_ended) return FALSE;
    if (script->m_abandoned) {
        // Answer every open dialog until none is left, innermost first.
        std::vector<GtkWidget*> open = visible_dialogs(GTK_TYPE_DIALOG);
        if (open.empty()) {
            script->finish();
            return FALSE;
        }
        script->schedule();
        gtk_dialog_response(GTK_DIALOG(open.back()), GTK_RESPONSE_DELETE_EVENT);
        return FALSE;
    }
    if (script->m_next == script->m_steps.size()) {
        script->finish();
        return FALSE;
    }
    step& current = script->m_steps[script->m_next];
    if (current.act) {
        ++script->m_next;
        script->m_retries = 0;
        script->schedule();
        current.act();
        return FALSE;
    }
    if (current.wait()) {
        ++script->m_next;
        script->m_retries = 0;
    } else if (++script->m_retries > max_retries) {
        ADD_FAILURE() << "gave up waiting for: " << current.what;
        script->m_abandoned = true;
    }
    script->schedule();
    return FALSE;
}

void run_script(ui_script& script) {
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    script.at_end([loop] { g_main_loop_quit(loop); });
    script.start();
    g_main_loop_run(loop);
    g_main_loop_unref(loop);
}

std::vector<GtkWidget*> visible_dialogs(GType type) {
    std::vector<GtkWidget*> found;
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
        auto* window = static_cast<GtkWidget*>(item->data);
        if (G_TYPE_CHECK_INSTANCE_TYPE(window, type) && gtk_widget_get_visible(window))
            found.push_back(window);
    }
    g_list_free(windows);
    // The toplevel list holds the newest window first.
    return std::vector<GtkWidget*>(found.rbegin(), found.rend());
}

GtkWidget* visible_dialog(GType type, const char* title) {
    for (GtkWidget* dialog : visible_dialogs(type))
        if (!title || g_strcmp0(gtk_window_get_title(GTK_WINDOW(dialog)), title) == 0)
            return dialog;
    return nullptr;
}

std::string message_text(GtkWidget* message_dialog) {
    gchar* text = nullptr;
    g_object_get(message_dialog, "text", &text, nullptr);
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

ui_script& expect_message(ui_script& script, const std::string& text,
                          GtkWidget* const* parent) {
    return script.wait_for("message \"" + text + "\"", [text, parent] {
        GtkWidget* message = visible_dialog(GTK_TYPE_MESSAGE_DIALOG);
        if (!message) return false;
        EXPECT_EQ(message_text(message), text);
        GtkMessageType type = GTK_MESSAGE_OTHER;
        g_object_get(message, "message-type", &type, nullptr);
        EXPECT_EQ(type, GTK_MESSAGE_ERROR);
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(message)));
        if (parent) {
            EXPECT_EQ(GTK_WIDGET(gtk_window_get_transient_for(GTK_WINDOW(message))), *parent);
        }
        gtk_dialog_response(GTK_DIALOG(message), GTK_RESPONSE_OK);
        return true;
    });
}

std::vector<GtkWidget*> children_of(GtkWidget* container) {
    std::vector<GtkWidget*> children;
    gtk_container_foreach(GTK_CONTAINER(container), collect, &children);
    return children;
}

GtkWidget* find_widget(GtkWidget* root, const std::function<bool(GtkWidget*)>& match) {
    if (match(root)) return root;
    if (!GTK_IS_CONTAINER(root)) return nullptr;
    std::vector<GtkWidget*> children;
    // forall also reaches internal children such as a frame's label widget.
    gtk_container_forall(GTK_CONTAINER(root), collect, &children);
    for (GtkWidget* child : children)
        if (GtkWidget* found = find_widget(child, match)) return found;
    return nullptr;
}

GtkWidget* find_stock_button(GtkWidget* root, const char* stock_id) {
    return find_widget(root, [stock_id](GtkWidget* w) {
        return GTK_IS_BUTTON(w) && gtk_button_get_use_stock(GTK_BUTTON(w)) &&
               g_strcmp0(gtk_button_get_label(GTK_BUTTON(w)), stock_id) == 0;
    });
}

bool save_window_picture(GtkWidget* widget, const std::string& png_file) {
    GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(widget));
    if (!window) return false;
    gint width = 0, height = 0;
    gdk_drawable_get_size(window, &width, &height);
    GdkPixbuf* picture = gdk_pixbuf_get_from_drawable(nullptr, window, nullptr, 0, 0, 0, 0,
                                                      width, height);
    if (!picture) return false;
    const bool saved = gdk_pixbuf_save(picture, png_file.c_str(), "png", nullptr, nullptr);
    g_object_unref(picture);
    return saved;
}

}  // namespace testing_ui
}  // namespace strandel
