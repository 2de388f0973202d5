// SPDX-License-Identifier: GPL-3.0-or-later
// Supervising headless GIMPs (gimp-console): each started as the leader of
// its own process group with its output on a pipe, watched until it ends,
// and stopped, whole group included, on SIGINT, SIGTERM or SIGHUP or when
// the supervisor dies.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace strandel {

// A folder of our own under $TMPDIR, removed with everything in it; the
// path is empty when it could not be made.
class temp_folder {
public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// While it lives, SIGINT, SIGTERM and SIGHUP become bytes on a pipe that
// the wait loop watches, so that the GIMPs can be stopped and reaped before
// the process leaves. One at a time.
class signal_guard {
public:
    signal_guard();
    ~signal_guard();
    signal_guard(const signal_guard&) = delete;
    signal_guard& operator=(const signal_guard&) = delete;
    bool active() const { return m_active; }

    // The first signal that arrived, 0 when none.
    int pending();

private:
    struct saved_actions;
    std::unique_ptr<saved_actions> m_old;
    bool m_active = false;
    int m_caught = 0;
};

// One gimp-console, leader of its own process group (GIMP and the plug-ins
// it starts), its standard output and error on one pipe.
struct gimp_process {
    pid_t pid = -1;
    int output = -1;
    bool exited = false;
    int status = 0;
    std::string pending;  // an unfinished line
    std::string log;      // what the line handler chose to keep
};

// A headless GIMP's console program and the GIMP it belongs to (2 for
// GIMP 2.10, 3 for GIMP 3.0), whose batch options differ.
struct gimp_console {
    std::string program;
    int major = 2;
};

// The console to run: $STRANDEL_GIMP_CONSOLE (its version asked with
// --version), else gimp-console-<preferred> from PATH, else the other
// one (2.10 or 3.0). False, saying what was looked for, when there is none.
bool find_gimp_console(int preferred_major, gimp_console* console, std::string* error);

// Starts the console (-i -d -f, GIMP 3 with Script-Fu as its batch
// interpreter) with one -b per Script-Fu command, then quits: GIMP 2.10
// through a last (gimp-quit 0), GIMP 3.0 by --quit, which also stops at a
// failing command. GIMP2_DIRECTORY and GIMP3_DIRECTORY are set to
// `profile` (when given), TMPDIR to `temp`. Makes this process the
// subreaper of what GIMP leaves behind.
bool start_gimp(const gimp_console& console, const std::string& profile, const std::string& temp,
                const std::vector<std::string>& commands, gimp_process* gimp, std::string* error);

// Called with every whole line a GIMP writes.
using line_handler = std::function<void(gimp_process& gimp, const std::string& line)>;

// Waits until every GIMP has ended, handing their output lines to `on_line`
// as they come. Returns the signal that interrupted the wait, or 0. Nothing
// of an ended GIMP's process group stays behind.
int wait_for_all(std::vector<gimp_process>& gimps, signal_guard& signals, const line_handler& on_line);

// Stops every GIMP: SIGTERM to each group, a moment to end, then SIGKILL to
// whatever is left, and every process reaped.
void stop_all(std::vector<gimp_process>& gimps);

}  // namespace strandel
