// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gimp_console.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace strandel {

namespace fs = std::filesystem;

namespace {

// SIGINT, SIGTERM and SIGHUP become bytes on a pipe that the wait loop
// watches, so that the GIMPs can be stopped and reaped before we leave.
int signal_pipe[2] = {-1, -1};

extern "C" void note_signal(int signal_number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal_number);
    if (write(signal_pipe[1], &byte, 1) < 0) {
        // The pipe is full: a signal is already waiting to be seen.
    }
    errno = saved;
}

// Reaps the group's processes that have been handed to us (we are their
// subreaper) and the leader.
void reap_group(gimp_process& gimp, bool wait_for_all) {
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-gimp.pid, &status, wait_for_all ? 0 : WNOHANG);
        if (pid <= 0) break;
        if (pid == gimp.pid) {
            gimp.exited = true;
            gimp.status = status;
        }
    }
}

// Splits new output into whole lines for the handler.
void take_output(gimp_process& gimp, const char* data, std::size_t size, const line_handler& on_line) {
    gimp.pending.append(data, size);
    std::size_t start = 0;
    for (std::size_t end; (end = gimp.pending.find('\n', start)) != std::string::npos; start = end + 1)
        on_line(gimp, gimp.pending.substr(start, end - start));
    gimp.pending.erase(0, start);
}

}  // namespace

temp_folder::temp_folder() {
        const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/strandel-bench-XXXXXX";
        if (mkdtemp(&pattern[0])) m_path = pattern;
}

temp_folder::~temp_folder() {
    std::error_code ignored;
    if (!m_path.empty()) fs::remove_all(m_path, ignored);
}

struct signal_guard::saved_actions {
    static constexpr int signals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction old[3];
};

signal_guard::signal_guard() {
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_old = std::make_unique<saved_actions>();
    struct sigaction action {};
    action.sa_handler = note_signal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) sigaction(saved_actions::signals[i], &action, &m_old->old[i]);
    m_active = true;
}

signal_guard::~signal_guard() {
    if (!m_active) return;
    for (int i = 0; i < 3; ++i) sigaction(saved_actions::signals[i], &m_old->old[i], nullptr);
    close(signal_pipe[0]);
    close(signal_pipe[1]);
    signal_pipe[0] = signal_pipe[1] = -1;
}

int signal_guard::pending() {
    unsigned char byte = 0;
    if (m_caught == 0 && read(signal_pipe[0], &byte, 1) == 1) m_caught = byte;
    return m_caught;
}

namespace {

bool on_path(const std::string& program, std::string* found) {
    if (program.find('/') != std::string::npos) {
        *found = program;
        return access(program.c_str(), X_OK) == 0;
    }
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string candidate = folders.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            *found = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The major version a console says it is ("... version 3.0.4"); 0 when
// it says none.
int console_major(const std::string& program) {
    std::string command = "'";
    for (char c : program) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += "' --version 2>/dev/null </dev/null";
    std::FILE* out = popen(command.c_str(), "r");
    if (!out) return 0;
    std::string text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, n);
    pclose(out);
    const std::size_t at = text.find("version ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 8);
}

}  // namespace

bool find_gimp_console(int preferred_major, gimp_console* console, std::string* error) {
    if (const char* given = std::getenv("STRANDEL_GIMP_CONSOLE"))
        if (*given) {
            console->program = given;
            const int major = console_major(given);
            console->major = major >= 3 ? 3 : 2;
            return true;
        }
    const char* const names[2] = {"gimp-console-2.10", "gimp-console-3.0"};
    const int first = preferred_major == 3 ? 1 : 0;
    for (int i : {first, 1 - first}) {
        if (on_path(names[i], &console->program)) {
            console->major = i == 1 ? 3 : 2;
            return true;
        }
    }
    *error = std::string("no headless GIMP found: neither ") + names[first] + " nor " + names[1 - first] +
             " is on PATH (set STRANDEL_GIMP_CONSOLE to name one)";
    return false;
}

bool start_gimp(const gimp_console& console, const std::string& profile, const std::string& temp,
                const std::vector<std::string>& commands, gimp_process* gimp, std::string* error) {
    // Orphaned plug-ins come to us, so that they can be reaped too.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        *error = std::string("could not make a pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args{console.program, "-i", "-d", "-f"};
    // GIMP 3 refuses -b without an interpreter.
    if (console.major >= 3) args.push_back("--batch-interpreter=plug-in-script-fu-eval");
    for (const std::string& command : commands) {
        args.push_back("-b");
        args.push_back(command);
    }
    // GIMP 3 hangs in (gimp-quit 0) after a failing command; --quit stops
    // at the first failure and quits.
    if (console.major >= 3) {
        args.push_back("--quit");
    } else {
        args.push_back("-b");
        args.push_back("(gimp-quit 0)");
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("could not start ") + console.program + ": " + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    if (pid == 0) {
        setpgid(0, 0);
        // Should the runner be killed outright, GIMP goes with it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        const int null_in = open("/dev/null", O_RDONLY);
        if (null_in >= 0) dup2(null_in, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        if (!profile.empty()) {
            setenv("GIMP2_DIRECTORY", profile.c_str(), 1);
            setenv("GIMP3_DIRECTORY", profile.c_str(), 1);
        }
        // GIMP's swap and temporary files go where ours go, and with them.
        setenv("TMPDIR", temp.c_str(), 1);
        // babl would replay its whole conversion cache (hundreds of MB) in
        // GIMP and in every loader plug-in it starts.
        setenv("BABL_INHIBIT_CACHE", "1", 0);
        execvp(argv[0], argv.data());
        const std::string message =
            std::string("strandel: could not start ") + console.program + ": " + std::strerror(errno) + "\n";
        if (write(2, message.data(), message.size()) < 0) {
        }
        _exit(127);
    }
    setpgid(pid, pid);  // also here, so that it holds before we signal the group
    close(out[1]);
    gimp->pid = pid;
    gimp->output = out[0];
    return true;
}

void stop_all(std::vector<gimp_process>& gimps) {
    for (gimp_process& g : gimps)
        if (g.pid > 0) kill(-g.pid, SIGTERM);
    for (int tick = 0; tick < 30; ++tick) {
        bool all_exited = true;
        for (gimp_process& g : gimps) {
            if (g.pid <= 0) continue;
            reap_group(g, false);
            all_exited = all_exited && g.exited;
        }
        if (all_exited) break;
        usleep(100 * 1000);
    }
    for (gimp_process& g : gimps) {
        if (g.output >= 0) close(g.output);
        g.output = -1;
        if (g.pid <= 0) continue;
        kill(-g.pid, SIGKILL);
        reap_group(g, true);
    }
}

int wait_for_all(std::vector<gimp_process>& gimps, signal_guard& signals, const line_handler& on_line) {
    char buffer[4096];
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<gimp_process*> owners;
        for (gimp_process& g : gimps)
            if (g.output >= 0) {
                fds.push_back({g.output, POLLIN, 0});
                owners.push_back(&g);
            }
        if (fds.empty()) break;
        fds.push_back({signal_pipe[0], POLLIN, 0});
        poll(fds.data(), fds.size(), 200);
        if (signals.pending() != 0) return signals.pending();
        for (std::size_t i = 0; i < owners.size(); ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                take_output(*owners[i], buffer, std::size_t(n), on_line);
            } else if (n == 0 || errno != EINTR) {
                close(owners[i]->output);
                owners[i]->output = -1;
            }
        }
        // GIMP's plug-ins hold the pipe too: once GIMP itself has ended,
        // nothing of its group may stay behind.
        for (gimp_process& g : gimps) {
            if (g.exited) continue;
            reap_group(g, false);
            if (g.exited) kill(-g.pid, SIGKILL);
        }
    }
    for (gimp_process& g : gimps) {
        kill(-g.pid, SIGKILL);
        reap_group(g, true);
        if (!g.pending.empty()) on_line(g, g.pending);
        g.pending.clear();
    }
    return signals.pending();
}

}  // namespace strandel
