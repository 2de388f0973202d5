// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gimp_engine.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <sstream>
#include <tuple>

#include "batch/benchmark_list.h"
#include "batch/chain_syntax.h"
#include "batch/engine_environment.h"
#include "batch/ground_truth.h"
#include "batch/line_appender.h"
#include "batch/output_check.h"
#include "batch/registration.h"
#include "batch/report_merge.h"
#include "batch/run_summary.h"
#include "batch/table_writer.h"
#include "framework/message_text.h"
#include "report_page/csv.h"
#include "tools/exit_status.h"
#include "tools/gimp_console.h"
#include "tools/script_fu_batch.h"
#include "tools/table_merge.h"

namespace strandel {

namespace fs = std::filesystem;

namespace {

const char* const plugin_name = "strandel-benchmark";
const char* const runner_prefix = "strandel-bench: ";

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

// Relays progress lines at once (with our own prefix), skip notices too,
// and keeps everything but progress for the verdict.
line_handler console_relay(std::ostream& err) {
    return [&err](gimp_process& gimp, const std::string& line) {
        static const std::string progress_prefix = "strandel-benchmark";
        switch (classify_console_line(line, progress_prefix)) {
        case console_line_kind::progress:
            err << runner_prefix << line.substr(progress_prefix.size() + 2) << "\n" << std::flush;
            break;
        case console_line_kind::skip_notice:
            err << line << "\n" << std::flush;
            gimp.log += line + "\n";
            break;
        case console_line_kind::other:
            // A closing count a GIMP said itself (its closing file could not
            // be written) is the user's to see.
            if (line.compare(0, progress_prefix.size() + 2, progress_prefix + ": ") == 0 &&
                line.find("; ground truth found for ") != std::string::npos)
                err << runner_prefix << line.substr(progress_prefix.size() + 2) << "\n" << std::flush;
            gimp.log += line + "\n";
            break;
        }
    };
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

// Cuts a file that a stopped GIMP was writing back to its last whole line.
void keep_whole_lines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t end = text.rfind('\n');
    std::error_code ignored;
    fs::resize_file(file, end == std::string::npos ? 0 : end + 1, ignored);
}

// Whether a share's results file holds a report run (its header at least).
bool holds_run(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    report_run run;
    std::string ignored;
    return parse_last_run(text, file, &run, &ignored);
}

// The results and table files of the shares joined into the run's own, in
// position order. After a stop, only what the shares finished is joined:
// their files are cut back to whole lines and those without a header left
// out.
bool join_shares(const std::vector<std::vector<std::string>>& share_results, const std::vector<std::string>& results,
                 const std::vector<std::string>& share_tables, const std::string& table, bool stopped,
                 std::string* error) {
    for (std::size_t c = 0; c < results.size(); ++c) {
        std::vector<std::string> shares;
        for (const std::vector<std::string>& files : share_results) {
            if (stopped) keep_whole_lines(files[c]);
            if (!stopped || holds_run(files[c])) shares.push_back(files[c]);
        }
        if (!shares.empty() && !merge_report_files(shares, results[c], error)) return false;
    }
    if (table.empty()) return true;
    std::vector<std::string> tables;
    for (const std::string& file : share_tables) {
        if (stopped) keep_whole_lines(file);
        std::error_code failure;
        if (!stopped || fs::file_size(file, failure) > 0) tables.push_back(file);
    }
    // The shares' paths are already relative to the run's table's folder.
    const std::string folder = fs::path(table).parent_path().string();
    return tables.empty() || merge_table_files(tables, table, error, nullptr, folder.empty() ? "." : folder);
}

// The shares' long tables (--table-annotators) joined into `out` in a
// single run's row order: by position, each image's methods in order, each
// method's annotators in order.
bool join_annotator_tables(const std::vector<std::string>& shares, const std::vector<std::string>& methods,
                           const std::string& out, std::string* error) {
    std::map<std::string, std::size_t> method_order;
    for (std::size_t m = 0; m < methods.size(); ++m) method_order.emplace(methods[m], m);
    std::map<std::tuple<long, std::size_t, long>, std::string> rows;
    for (const std::string& share : shares) {
        std::ifstream in(share, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<csv_record> records;
        std::string csv_error;
        if (!split_csv(text, &records, &csv_error)) {
            *error = "'" + share + "' is not CSV: " + csv_error;
            return false;
        }
        for (std::size_t r = 1; r < records.size(); ++r) {
            const std::vector<std::string>& f = records[r].fields;
            if (f.size() < 4) continue;
            std::string row;
            for (const std::string& field : f) row += (row.empty() ? "" : ",") + csv_field(field);
            const auto method = method_order.find(f[0]);
            rows.emplace(std::make_tuple(std::atol(f[1].c_str()),
                                         method == method_order.end() ? methods.size() : method->second,
                                         std::atol(f[3].c_str())),
                         row + "\r\n");
        }
    }
    std::FILE* f = create_table(out, error);
    if (!f) return false;
    line_appender stream(f);
    stream.append(annotator_table_header());
    for (const auto& row : rows) stream.append(row.second);
    if (!stream.close()) {
        *error = "Could not write '" + out + "': " + stream.error();
        return false;
    }
    return true;
}

// An environment variable set for the GIMPs this run starts (they inherit
// it, and hand it to their plug-ins), and put back afterwards.
class environment_setting {
public:
    environment_setting(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old, m_had = true;
        setenv(name, value.c_str(), 1);
    }
    ~environment_setting() {
        if (m_had)
            setenv(m_name, m_old.c_str(), 1);
        else
            unsetenv(m_name);
    }
    environment_setting(const environment_setting&) = delete;
    environment_setting& operator=(const environment_setting&) = delete;

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

// The closing counts the GIMPs left, added up and said as one run's, as
// the native engine says them.
void say_closing(const std::vector<std::string>& files, std::ostream& err) {
    run_closing whole;
    std::size_t read = 0;
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        run_closing share;
        if (!in || !run_closing::parse(text.str(), &share)) {
            err << runner_prefix << "(a GIMP left no closing count in '" << file
                << "': the counts below miss its share)\n";
            continue;
        }
        whole.add(share);
        ++read;
    }
    if (read == 0) return;
    for (const std::string& line : whole.lines()) err << runner_prefix << line << "\n";
}

// "table 'FILE' exists already" when `file` is named and there.
bool table_in_the_way(const std::string& file, std::ostream& err) {
    if (file.empty() || !fs::exists(fs::symlink_status(file))) return false;
    err << runner_prefix << "table '" << file << "' exists already: give a new file (no table is overwritten)\n";
    return true;
}

// One run of a benchmark in headless GIMPs: checked as the native engine
// checks it, its image list written for the plug-in, one GIMP started per
// share of the list, then waited for, and the shares' files joined into
// the run's own. Each step returns an exit status, or `going_on`.
class gimp_run {
public:
    gimp_run(const benchmark_request& options, const std::string& profile_folder, std::ostream& err)
        : m_options(options), m_profile_folder(profile_folder), m_err(err) {}

    int run() {
        int status = check();
        if (status == going_on) status = prepare();
        if (status == going_on) status = find_gimp_and_plugin();
        if (status == going_on) status = quote_arguments();
        if (status == going_on) status = check_results_writable();
        if (status != going_on) return status;
        signal_guard signals;
        if (!signals.active()) return failed("could not watch for signals: " + std::string(std::strerror(errno)));
        int interrupted = 0;
        status = start_gimps(signals, &interrupted);
        if (status != going_on) return status;
        if (interrupted == 0) interrupted = wait_for_all(m_gimps, signals, console_relay(m_err));
        if (interrupted != 0) return stopped(interrupted);
        return finish();
    }

private:
    static constexpr int going_on = -1;

    int failed(const std::string& message, int status = exit_failure) {
        m_err << runner_prefix << message << "\n";
        return status;
    }

    // What can be checked here is checked before any GIMP starts, by the
    // plan the native runner makes too: the same refusals, the same files.
    int check() {
        const request_outcome planned = plan_request(m_options, &m_plan);
        if (planned.status != request_status::success)
            return failed(planned.message,
                          planned.status == request_status::calling_error ? exit_usage : exit_failure);
        m_several = m_plan.method_names.size() > 1;
        if (m_options.seeded && m_options.seed > unsigned(INT_MAX))
            return failed("--seed " + std::to_string(m_options.seed) + ": the gimp engine takes seeds from 0 to " +
                              std::to_string(INT_MAX),
                          exit_usage);
        if (table_in_the_way(m_options.table_file, m_err) || table_in_the_way(m_options.annotator_table, m_err))
            return exit_failure;
        // The plug-in's newer procedure does what the first ones cannot.
        m_seeded_procedure = m_several || m_options.seeded_each || !m_options.table_file.empty() ||
                             !m_options.ground_truth.empty() || !m_options.scores.empty() || m_options.boundary ||
                             !m_options.annotator_table.empty() || m_options.gray != gray_rule::blue ||
                             m_options.levels != level_rule::scale;
        return going_on;
    }

    // The environment the GIMPs hand their plug-ins (what the procedure's
    // arguments cannot carry), the temporary folder, the list of images
    // named on the command line, and the number of GIMPs.
    int prepare() {
        for (const auto& [name, value] : engine_environment(m_options))
            m_settings.push_back(std::make_unique<environment_setting>(name.c_str(), value));
        m_temp = std::make_unique<temp_folder>();
        if (m_temp->path().empty()) return failed("could not make a temporary folder: " + std::string(std::strerror(errno)));
        m_list_file = m_options.list_file;
        if (m_list_file.empty()) {
            const int status = write_image_list();
            if (status != going_on) return status;
        }
        // The shares' tables are written in the temporary folder: their
        // paths are made relative to the folder of the table they are
        // joined into.
        if (!m_options.table_file.empty())
            m_settings.push_back(std::make_unique<environment_setting>(
                table_folder_variable, absolute_folder(fs::path(m_options.table_file).parent_path().string())));
        m_shard_count = m_options.shard_count < 1 ? 1 : m_options.shard_count;
        std::size_t shard_size = 0;
        for (std::size_t p = 0; p < m_plan.images.size(); ++p)
            if (int(p % std::size_t(m_shard_count)) == m_options.shard_index) ++shard_size;
        const std::size_t wanted = std::size_t(m_options.jobs < 1 ? 1 : m_options.jobs);
        m_jobs = int(std::max<std::size_t>(1, std::min(wanted, shard_size)));
        m_direct = m_jobs == 1;  // the plug-in appends to the results files itself
        return going_on;
    }

    // Image files named on the command line go to the plug-in as a list of
    // the names as given, with the folder they are relative to (the one the
    // run started in) handed over beside it: the plug-in then reads the same
    // files, finds the same ground truth and writes the same table paths as
    // the native engine.
    int write_image_list() {
        for (const std::string& image : m_options.images) {
            std::string why;
            if (!list_name_fits(image, &why))
                return failed("image '" + message_quote(image) + "': its name " + why, exit_usage);
        }
        m_list_file = m_temp->path() + "/images.list";
        std::string error;
        if (!write_benchmark_list(m_list_file, m_options.images, &error)) return failed(error);
        m_settings.push_back(std::make_unique<environment_setting>(list_base_variable, absolute_folder("")));
        return going_on;
    }

    int find_gimp_and_plugin() {
        std::string error;
        if (!find_gimp_console(STRANDEL_PLUGIN_GIMP_MAJOR, &m_console, &error)) return failed(error);
        if (!m_profile_folder.empty()) return going_on;
        std::string tried;
        m_plugin = find_plugin(&tried);
        if (m_plugin.empty())
            return failed("the strandel-benchmark plug-in was not found: looked for " + tried +
                          "; build it, or give --profile with the plug-in installed");
        return going_on;
    }

    // The procedure's arguments as Script-Fu strings: the chains, the list,
    // the results file, the table and the ground truth.
    int quote_arguments() {
        std::string chain_text;
        for (const std::string& c : m_plan.chain_texts) chain_text += (chain_text.empty() ? "" : "\n") + c;
        // The older procedures take their results file's name as it is.
        const std::string results_name = m_several ? m_options.results_file : m_plan.results_files[0];
        const std::vector<std::string> values{chain_text, m_list_file, results_name, m_options.table_file,
                                              m_options.ground_truth};
        m_literal.resize(values.size());
        std::string error;
        for (std::size_t i = 0; i < values.size(); ++i)
            if (!script_fu_string(values[i], &m_literal[i], &error)) return failed(error, exit_usage);
        m_seed = m_options.seeded_each ? std::to_string(m_options.seed_each)
                 : m_options.seeded    ? std::to_string(m_options.seed)
                                       : "-1";
        return going_on;
    }

    // Fails before any GIMP starts when a joined report cannot be written.
    int check_results_writable() {
        if (m_direct) return going_on;
        for (const std::string& file : m_plan.results_files) {
            std::FILE* out = std::fopen(file.c_str(), "a");
            if (!out) return failed("Could not open '" + file + "': " + std::strerror(errno));
            std::fclose(out);
        }
        return going_on;
    }

    // One GIMP per share, until a signal comes (`interrupted`: its number).
    int start_gimps(signal_guard& signals, int* interrupted) {
        m_gimps.resize(std::size_t(m_jobs));
        m_share_results.resize(std::size_t(m_jobs));
        m_share_tables.resize(std::size_t(m_jobs));
        m_share_annotator_tables.resize(std::size_t(m_jobs));
        for (int j = 0; j < m_jobs && *interrupted == 0; ++j) {
            std::string profile = m_profile_folder, error;
            if (profile.empty()) profile = m_temp->path() + "/profile-" + std::to_string(j);
            const bool started =
                (!m_profile_folder.empty() || make_profile(profile, m_plugin, &error)) &&
                start_gimp(m_console, profile, m_temp->path(), {share_command(j)}, &m_gimps[std::size_t(j)], &error);
            if (!started) {
                stop_all(m_gimps);
                return failed(error);
            }
            *interrupted = signals.pending();
        }
        return going_on;
    }

    // The batch command of share j, with its files in the temporary folder
    // when several GIMPs share the run (their environment set for it).
    std::string share_command(int j) {
        const std::size_t share = std::size_t(j);
        std::string results_literal = m_literal[2], table_literal = m_literal[3], ignored;
        const std::string folder = m_temp->path() + "/";
        if (!m_direct) {
            const std::string results = folder + "results-" + std::to_string(j);
            const std::string pattern = m_several ? results + "-{n}" : results;
            for (std::size_t c = 0; c < m_plan.results_files.size(); ++c)
                m_share_results[share].push_back(m_several ? chain_results_file(pattern, c + 1) : pattern);
            script_fu_string(pattern, &results_literal, &ignored);
            if (!m_options.table_file.empty()) {
                m_share_tables[share] = folder + "table-" + std::to_string(j) + ".csv";
                script_fu_string(m_share_tables[share], &table_literal, &ignored);
            }
            if (!m_options.annotator_table.empty()) {
                m_share_annotator_tables[share] = folder + "annotators-" + std::to_string(j) + ".csv";
                m_annotator_setting.reset();  // puts the run's own value back before the next share's
                m_annotator_setting =
                    std::make_unique<environment_setting>(annotator_table_variable, m_share_annotator_tables[share]);
            }
        }
        m_closing_files.push_back(folder + "closing-" + std::to_string(j));
        m_closing_setting.reset();
        m_closing_setting = std::make_unique<environment_setting>(closing_file_variable, m_closing_files.back());
        const std::string first = std::to_string(m_options.shard_index + m_shard_count * j);
        const std::string stride = std::to_string(m_shard_count * m_jobs);
        using argument = std::pair<const char*, std::string>;
        const argument mode{"run-mode", "RUN-NONINTERACTIVE"};
        if (m_seeded_procedure)
            return script_fu_call(m_console.major, "plug-in-strandel-benchmark-seeded",
                                  {mode, {"chains", m_literal[0]}, {"list-file", m_literal[1]},
                                   {"results-file", results_literal}, {"seed-each", m_seed}, {"first", first},
                                   {"stride", stride}, {"table-file", table_literal},
                                   {"ground-truth", m_literal[4]}});
        if (m_direct && m_shard_count == 1)
            return script_fu_call(m_console.major, "plug-in-strandel-benchmark",
                                  {mode, {"chain", m_literal[0]}, {"list-file", m_literal[1]},
                                   {"results-file", m_literal[2]}, {"seed", m_seed}});
        return script_fu_call(m_console.major, "plug-in-strandel-benchmark-share",
                              {mode, {"chain", m_literal[0]}, {"list-file", m_literal[1]},
                               {"results-file", results_literal}, {"seed", m_seed}, {"first", first},
                               {"stride", stride}});
    }

    // The lines of the images the shares finished are kept, as one GIMP
    // keeps them when it is stopped.
    int stopped(int signal_number) {
        stop_all(m_gimps);
        std::string error;
        if (!m_direct && !join_shares(m_share_results, m_plan.results_files, m_share_tables, m_options.table_file,
                                      true, &error))
            m_err << runner_prefix << error << "\n";
        m_err << runner_prefix << "stopped by signal " << signal_number << " (" << strsignal(signal_number)
              << "); GIMP ended\n";
        return 128 + signal_number;
    }

    // Every GIMP's verdict, the run's closing count, and the shares' runs
    // joined in position order: the report one GIMP would have written.
    int finish() {
        for (const gimp_process& g : m_gimps)
            if (!said_success(g)) return exit_failure;
        say_closing(m_closing_files, m_err);
        if (m_direct) return exit_ok;
        std::string error;
        if (!join_shares(m_share_results, m_plan.results_files, m_share_tables, m_options.table_file, false,
                         &error) ||
            (!m_options.annotator_table.empty() &&
             !join_annotator_tables(m_share_annotator_tables, m_plan.method_names, m_options.annotator_table,
                                    &error)))
            return failed(error);
        return exit_ok;
    }

    // Whether GIMP ran the benchmark; when not, says what it said, or how it
    // ended and its last words.
    bool said_success(const gimp_process& g) {
        const console_verdict verdict = read_console_verdict(g.log);
        if (verdict.succeeded) return true;
        if (!verdict.message.empty()) {
            m_err << runner_prefix << "GIMP: " << explain(verdict.message) << "\n";
            return false;
        }
        std::string how = "ended without running the benchmark";
        if (WIFEXITED(g.status) && WEXITSTATUS(g.status) != 0)
            how += " (exit status " + std::to_string(WEXITSTATUS(g.status)) + ")";
        else if (WIFSIGNALED(g.status))
            how += std::string(" (") + strsignal(WTERMSIG(g.status)) + ")";
        m_err << runner_prefix << m_console.program << " " << how << "; its last words:\n" << tail_of(g.log, 15);
        return false;
    }

    const benchmark_request& m_options;
    const std::string m_profile_folder;
    std::ostream& m_err;
    run_plan m_plan;
    bool m_several = false, m_seeded_procedure = false, m_direct = true;
    int m_jobs = 1, m_shard_count = 1;
    // Declared before the GIMPs and the temporary folder, so that they are
    // put back last.
    std::vector<std::unique_ptr<environment_setting>> m_settings;
    std::unique_ptr<environment_setting> m_annotator_setting, m_closing_setting;
    std::unique_ptr<temp_folder> m_temp;
    std::string m_list_file, m_plugin, m_seed;
    gimp_console m_console;
    std::vector<std::string> m_literal;
    std::vector<gimp_process> m_gimps;
    std::vector<std::vector<std::string>> m_share_results;
    std::vector<std::string> m_share_tables, m_share_annotator_tables, m_closing_files;
};

}  // namespace

int run_benchmark_in_gimp(const benchmark_request& options, const std::string& profile_folder, std::ostream& err) {
    return gimp_run(options, profile_folder, err).run();
}

std::string gimp_engine_version() {
    gimp_console console;
    std::string text;
    if (!find_gimp_console(STRANDEL_PLUGIN_GIMP_MAJOR, &console, &text)) return "";
    std::string quoted;
    for (char c : console.program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    text.clear();
    if (std::FILE* out = popen(("'" + quoted + "' --version 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, out)) text += buffer;
        pclose(out);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace strandel
