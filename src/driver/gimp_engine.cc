#include "driver/gimp_engine.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>

#include "driver/benchmark_list.h"
#include "driver/benchmark_procedure.h"
#include "driver/chain_syntax.h"
#include "driver/registration.h"
#include "driver/report_merge.h"
#include "driver/script_fu_batch.h"

namespace strandel {

namespace fs = std::filesystem;

namespace {

constexpr int exit_done = 0;
constexpr int exit_failed = 1;
constexpr int exit_bad_usage = 2;

const char* const plugin_name = "strandel-benchmark";
constexpr std::size_t max_list_name = 299;  // the list reader's line buffer, less the NUL
const char* const runner_prefix = "strandel-bench: ";

// A folder of our own under $TMPDIR, removed with everything in it.
class temp_folder {
public:
    temp_folder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/strandel-bench-XXXXXX";
        if (mkdtemp(&pattern[0])) m_path = pattern;
    }
    ~temp_folder() {
        std::error_code ignored;
        if (!m_path.empty()) fs::remove_all(m_path, ignored);
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

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

class signal_guard {
public:
    signal_guard() {
        if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
        struct sigaction action {};
        action.sa_handler = note_signal;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < 3; ++i) sigaction(signals[i], &action, &m_old[i]);
        m_active = true;
    }
    ~signal_guard() {
        if (!m_active) return;
        for (int i = 0; i < 3; ++i) sigaction(signals[i], &m_old[i], nullptr);
        close(signal_pipe[0]);
        close(signal_pipe[1]);
        signal_pipe[0] = signal_pipe[1] = -1;
    }
    signal_guard(const signal_guard&) = delete;
    signal_guard& operator=(const signal_guard&) = delete;
    bool active() const { return m_active; }

    // The first signal that arrived, 0 when none.
    int pending() {
        unsigned char byte = 0;
        if (m_caught == 0 && read(signal_pipe[0], &byte, 1) == 1) m_caught = byte;
        return m_caught;
    }

private:
    static constexpr int signals[3] = {SIGINT, SIGTERM, SIGHUP};
    struct sigaction m_old[3];
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
    std::string log;      // everything but the progress lines
};

bool start_gimp(const std::string& console, const std::string& profile, const std::string& temp,
                const std::vector<std::string>& commands, gimp_process* gimp, std::string* error) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        *error = std::string("could not make a pipe: ") + std::strerror(errno);
        return false;
    }
    std::vector<std::string> args{console, "-i", "-d", "-f"};
    for (const std::string& command : commands) {
        args.push_back("-b");
        args.push_back(command);
    }
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("could not start ") + console + ": " + std::strerror(errno);
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
        if (!profile.empty()) setenv("GIMP2_DIRECTORY", profile.c_str(), 1);
        // GIMP's swap and temporary files go where ours go, and with them.
        setenv("TMPDIR", temp.c_str(), 1);
        execvp(argv[0], argv.data());
        const std::string message =
            std::string(runner_prefix) + "could not start " + console + ": " + std::strerror(errno) + "\n";
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

// Splits new output into lines: progress is relayed at once, skip notices
// too, everything else kept for the verdict.
void take_output(gimp_process& gimp, const char* data, std::size_t size, std::ostream& err) {
    static const std::string progress_prefix = "strandel-benchmark";
    gimp.pending.append(data, size);
    std::size_t start = 0;
    for (std::size_t end; (end = gimp.pending.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = gimp.pending.substr(start, end - start);
        switch (classify_console_line(line, progress_prefix)) {
        case console_line_kind::progress:
            err << runner_prefix << line.substr(progress_prefix.size() + 2) << "\n" << std::flush;
            break;
        case console_line_kind::skip_notice:
            err << line << "\n" << std::flush;
            gimp.log += line + "\n";
            break;
        case console_line_kind::other:
            gimp.log += line + "\n";
            break;
        }
    }
    gimp.pending.erase(0, start);
}

// Stops every GIMP: SIGTERM to each group, a moment to end, then SIGKILL to
// whatever is left, and every process reaped.
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

// Waits until every GIMP has ended, relaying progress. Returns the signal
// that interrupted the wait, or 0.
int wait_for_all(std::vector<gimp_process>& gimps, signal_guard& signals, std::ostream& err) {
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
                take_output(*owners[i], buffer, std::size_t(n), err);
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
        if (!g.pending.empty()) g.log += g.pending + "\n";
    }
    return signals.pending();
}

bool executable_file(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path); }

std::string find_plugin(std::string* tried) {
    if (const char* given = std::getenv("STRANDEL_BENCHMARK_PLUGIN")) {
        *tried = std::string(given) + " (from STRANDEL_BENCHMARK_PLUGIN)";
        return executable_file(given) ? given : "";
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        *tried = "nothing: the running executable's folder is unknown";
        return "";
    }
    const fs::path folder = self.parent_path();
    const std::string candidates[] = {(folder / plugin_name).string(),
                                      (folder / ".." / "plug-ins" / plugin_name / plugin_name).string()};
    *tried = candidates[0] + " and " + candidates[1];
    for (const std::string& c : candidates)
        if (executable_file(c)) return c;
    return "";
}

// A profile holding nothing but the plug-in.
bool make_profile(const std::string& folder, const std::string& plugin, std::string* error) {
    std::error_code failure;
    const fs::path target = fs::path(folder) / "plug-ins" / plugin_name / plugin_name;
    fs::create_directories(target.parent_path(), failure);
    if (!failure) fs::create_directories(fs::path(folder) / "gradients", failure);
    if (!failure) fs::copy_file(plugin, target, failure);
    if (failure) {
        *error = "could not set up a GIMP profile in '" + folder + "': " + failure.message();
        return false;
    }
    return true;
}

std::string explain(const std::string& message) {
    if (message.find("unbound variable: plug-in-strandel-benchmark") != std::string::npos)
        return message + " (GIMP does not know the strandel-benchmark plug-in: install it into the profile with "
                         "cmake --install)";
    return message;
}

// The last lines of a console log, for failures GIMP did not explain.
std::string tail_of(const std::string& log, std::size_t lines) {
    std::size_t at = log.size();
    for (std::size_t n = 0; at > 0 && n <= lines;) {
        --at;
        if (log[at] == '\n') ++n;
    }
    return log.substr(at == 0 ? 0 : at + 1);
}

}  // namespace

int run_benchmark_in_gimp(const gimp_engine_options& options, std::ostream& err) {
    // What can be checked here is checked before any GIMP starts.
    register_passes();
    register_fitness_functions();
    {
        std::vector<pass*> chain;
        std::string error;
        const bool parsed = parse_chain(options.chain, chain, &error);
        for (pass* p : chain) delete p;
        if (!parsed) {
            err << runner_prefix << "--chain: " << error << "\n";
            return exit_bad_usage;
        }
    }
    if (options.seeded && options.seed > unsigned(INT_MAX)) {
        err << runner_prefix << "--seed " << options.seed << ": the gimp engine takes seeds from 0 to " << INT_MAX
            << "\n";
        return exit_bad_usage;
    }
    const int jobs_wanted = options.jobs < 1 ? 1 : options.jobs;
    const int shard_count = options.shard_count < 1 ? 1 : options.shard_count;

    temp_folder temp;
    if (temp.path().empty()) {
        err << runner_prefix << "could not make a temporary folder: " << std::strerror(errno) << "\n";
        return exit_failed;
    }

    std::string list_file = options.list_file;
    std::size_t count = 0;
    std::string error;
    if (!list_file.empty()) {
        std::vector<std::string> images;
        if (!read_list_relative(list_file, &images, &error)) {
            err << runner_prefix << error << "\n";
            return exit_failed;
        }
        count = images.size();
    } else {
        // Image files named on the command line: a list of absolute names,
        // since the plug-in takes relative ones relative to the list.
        std::vector<std::string> absolute;
        for (const std::string& image : options.images) {
            std::error_code failure;
            const std::string name = image.empty() ? image : fs::absolute(image, failure).string();
            // A list line holds at most 299 bytes and no line feed.
            if (failure || name.size() > max_list_name || name.find('\n') != std::string::npos) {
                err << runner_prefix << "image '" << image << "': "
                    << (failure ? failure.message()
                                : "its absolute name does not fit a benchmark list line (at most " +
                                      std::to_string(max_list_name) + " bytes, no line feed)")
                    << "\n";
                return exit_bad_usage;
            }
            absolute.push_back(name);
        }
        list_file = temp.path() + "/images.list";
        if (!write_benchmark_list(list_file, absolute, &error)) {
            err << runner_prefix << error << "\n";
            return exit_failed;
        }
        count = absolute.size();
    }
    std::size_t shard_size = 0;
    for (std::size_t p = 0; p < count; ++p)
        if (int(p % std::size_t(shard_count)) == options.shard_index) ++shard_size;
    const int jobs = int(std::max<std::size_t>(1, std::min<std::size_t>(std::size_t(jobs_wanted), shard_size)));

    std::string console = "gimp-console-2.10";
    if (const char* given = std::getenv("STRANDEL_GIMP_CONSOLE"))
        if (*given) console = given;
    std::string plugin;
    if (options.profile.empty()) {
        std::string tried;
        plugin = find_plugin(&tried);
        if (plugin.empty()) {
            err << runner_prefix << "the strandel-benchmark plug-in was not found: looked for " << tried
                << "; build it, or give --profile with the plug-in installed\n";
            return exit_failed;
        }
    }

    // One share per GIMP: positions p with p % stride == first, the shard's
    // own positions dealt out in turn.
    std::vector<std::string> literal(3);
    std::vector<std::string> values{options.chain, list_file, options.out};
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!script_fu_string(values[i], &literal[i], &error)) {
            err << runner_prefix << error << "\n";
            return exit_bad_usage;
        }
    const std::string seed = options.seeded ? std::to_string(options.seed) : "-1";
    const bool direct = jobs == 1;  // the plug-in appends to the results file itself
    if (!direct) {
        // Fail before any GIMP starts when the merged report cannot be written.
        std::FILE* out = std::fopen(options.out.c_str(), "a");
        if (!out) {
            err << runner_prefix << "Could not open '" << options.out << "': " << std::strerror(errno) << "\n";
            return exit_failed;
        }
        std::fclose(out);
    }

    signal_guard signals;
    if (!signals.active()) {
        err << runner_prefix << "could not watch for signals: " << std::strerror(errno) << "\n";
        return exit_failed;
    }
    // Orphaned plug-ins come to us, so that they can be reaped too.
    prctl(PR_SET_CHILD_SUBREAPER, 1);

    std::vector<gimp_process> gimps(static_cast<std::size_t>(jobs));
    std::vector<std::string> share_results(static_cast<std::size_t>(jobs));
    int interrupted = 0;
    for (int j = 0; j < jobs && interrupted == 0; ++j) {
        std::string profile = options.profile;
        if (profile.empty()) {
            profile = temp.path() + "/profile-" + std::to_string(j);
            if (!make_profile(profile, plugin, &error)) {
                err << runner_prefix << error << "\n";
                stop_all(gimps);
                return exit_failed;
            }
        }
        std::string command;
        if (direct && shard_count == 1) {
            command = "(plug-in-strandel-benchmark RUN-NONINTERACTIVE " + literal[0] + " " + literal[1] + " " +
                      literal[2] + " " + seed + ")";
        } else {
            std::string results = literal[2];
            if (!direct) {
                share_results[std::size_t(j)] = temp.path() + "/results-" + std::to_string(j);
                script_fu_string(share_results[std::size_t(j)], &results, &error);
            }
            command = "(plug-in-strandel-benchmark-share RUN-NONINTERACTIVE " + literal[0] + " " + literal[1] + " " +
                      results + " " + seed + " " + std::to_string(options.shard_index + shard_count * j) + " " +
                      std::to_string(shard_count * jobs) + ")";
        }
        if (!start_gimp(console, profile, temp.path(), {command, "(gimp-quit 0)"}, &gimps[std::size_t(j)], &error)) {
            err << runner_prefix << error << "\n";
            stop_all(gimps);
            return exit_failed;
        }
        interrupted = signals.pending();
    }
    if (interrupted == 0) interrupted = wait_for_all(gimps, signals, err);
    if (interrupted != 0) {
        stop_all(gimps);
        err << runner_prefix << "stopped by signal " << interrupted << " (" << strsignal(interrupted)
            << "); GIMP ended\n";
        return 128 + interrupted;
    }

    for (const gimp_process& g : gimps) {
        const console_verdict verdict = read_console_verdict(g.log);
        if (verdict.succeeded) continue;
        if (!verdict.message.empty()) {
            err << runner_prefix << "GIMP: " << explain(verdict.message) << "\n";
        } else {
            std::string how = "ended without running the benchmark";
            if (WIFEXITED(g.status) && WEXITSTATUS(g.status) != 0)
                how += " (exit status " + std::to_string(WEXITSTATUS(g.status)) + ")";
            else if (WIFSIGNALED(g.status))
                how += std::string(" (") + strsignal(WTERMSIG(g.status)) + ")";
            err << runner_prefix << console << " " << how << "; its last words:\n" << tail_of(g.log, 15);
        }
        return exit_failed;
    }
    if (direct) return exit_done;

    // The shares' runs, joined in position order: the report one GIMP
    // would have written.
    if (!merge_report_files(share_results, options.out, &error)) {
        err << runner_prefix << error << "\n";
        return exit_failed;
    }
    return exit_done;
}

}  // namespace strandel
