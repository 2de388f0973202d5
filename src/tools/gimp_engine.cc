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

}  // namespace

int run_benchmark_in_gimp(const benchmark_request& options, const std::string& profile_folder, std::ostream& err) {
    // What can be checked here is checked before any GIMP starts, by the
    // plan the native runner makes too: the same refusals, the same files.
    run_plan plan;
    const request_outcome planned = plan_request(options, &plan);
    if (planned.status != request_status::success) {
        err << runner_prefix << planned.message << "\n";
        return planned.status == request_status::calling_error ? exit_usage : exit_failure;
    }
    const std::vector<std::string>& chains = plan.chain_texts;
    const bool several = plan.method_names.size() > 1;
    if (options.seeded && options.seed > unsigned(INT_MAX)) {
        err << runner_prefix << "--seed " << options.seed << ": the gimp engine takes seeds from 0 to " << INT_MAX
            << "\n";
        return exit_usage;
    }
    if (!options.table_file.empty() && fs::exists(fs::symlink_status(options.table_file))) {
        err << runner_prefix << "table '" << options.table_file
            << "' exists already: give a new file (no table is overwritten)\n";
        return exit_failure;
    }
    // The plug-in's newer procedure does what the first ones cannot.
    const bool seeded_procedure = several || options.seeded_each || !options.table_file.empty() ||
                                  !options.ground_truth.empty() || !options.scores.empty() || options.boundary ||
                                  !options.annotator_table.empty() || options.gray != gray_rule::blue ||
                                  options.levels != level_rule::scale;
    if (!options.annotator_table.empty() && fs::exists(fs::symlink_status(options.annotator_table))) {
        err << runner_prefix << "table '" << options.annotator_table
            << "' exists already: give a new file (no table is overwritten)\n";
        return exit_failure;
    }
    // What the procedure's arguments cannot carry goes through the
    // environment the GIMPs hand their plug-ins.
    const std::vector<std::pair<std::string, std::string>> environment = engine_environment(options);
    std::vector<std::unique_ptr<environment_setting>> settings;
    for (const auto& [name, value] : environment)
        settings.push_back(std::make_unique<environment_setting>(name.c_str(), value));
    const int jobs_wanted = options.jobs < 1 ? 1 : options.jobs;
    const int shard_count = options.shard_count < 1 ? 1 : options.shard_count;

    temp_folder temp;
    if (temp.path().empty()) {
        err << runner_prefix << "could not make a temporary folder: " << std::strerror(errno) << "\n";
        return exit_failure;
    }

    std::string list_file = options.list_file;
    const std::string ground_truth = options.ground_truth;
    std::string error;
    // Image files named on the command line go to the plug-in as a list of
    // the names as given, with the folder they are relative to (the one the
    // run started in) handed over beside it: the plug-in then reads the same
    // files, finds the same ground truth and writes the same table paths as
    // the native engine.
    std::unique_ptr<environment_setting> list_base;
    if (list_file.empty()) {
        for (const std::string& image : options.images) {
            std::string why;
            if (!list_name_fits(image, &why)) {
                err << runner_prefix << "image '" << message_quote(image) << "': its name " << why << "\n";
                return exit_usage;
            }
        }
        list_file = temp.path() + "/images.list";
        if (!write_benchmark_list(list_file, options.images, &error)) {
            err << runner_prefix << error << "\n";
            return exit_failure;
        }
        list_base = std::make_unique<environment_setting>(list_base_variable, absolute_folder(""));
    }
    // The shares' tables are written in the temporary folder: their paths
    // are made relative to the folder of the table they are joined into.
    std::unique_ptr<environment_setting> table_folder;
    if (!options.table_file.empty())
        table_folder = std::make_unique<environment_setting>(
            table_folder_variable, absolute_folder(fs::path(options.table_file).parent_path().string()));
    const std::size_t count = plan.images.size();
    std::size_t shard_size = 0;
    for (std::size_t p = 0; p < count; ++p)
        if (int(p % std::size_t(shard_count)) == options.shard_index) ++shard_size;
    const int jobs = int(std::max<std::size_t>(1, std::min<std::size_t>(std::size_t(jobs_wanted), shard_size)));

    gimp_console console;
    if (!find_gimp_console(STRANDEL_PLUGIN_GIMP_MAJOR, &console, &error)) {
        err << runner_prefix << error << "\n";
        return exit_failure;
    }
    std::string plugin;
    if (profile_folder.empty()) {
        std::string tried;
        plugin = find_plugin(&tried);
        if (plugin.empty()) {
            err << runner_prefix << "the strandel-benchmark plug-in was not found: looked for " << tried
                << "; build it, or give --profile with the plug-in installed\n";
            return exit_failure;
        }
    }

    // One share per GIMP: positions p with p % stride == first, the shard's
    // own positions dealt out in turn.
    std::string chain_text;
    for (const std::string& c : chains) chain_text += (chain_text.empty() ? "" : "\n") + c;
    std::vector<std::string> literal(5);
    // The older procedures take their results file's name as it is.
    const std::string results_name = several ? options.results_file : plan.results_files[0];
    std::vector<std::string> values{chain_text, list_file, results_name, options.table_file, ground_truth};
    for (std::size_t i = 0; i < values.size(); ++i)
        if (!script_fu_string(values[i], &literal[i], &error)) {
            err << runner_prefix << error << "\n";
            return exit_usage;
        }
    const std::string seed = options.seeded_each ? std::to_string(options.seed_each)
                             : options.seeded    ? std::to_string(options.seed)
                                                 : "-1";
    const bool direct = jobs == 1;  // the plug-in appends to the results files itself
    const std::vector<std::string>& results = plan.results_files;
    if (!direct) {
        // Fail before any GIMP starts when a joined report cannot be written.
        for (const std::string& file : results) {
            std::FILE* out = std::fopen(file.c_str(), "a");
            if (!out) {
                err << runner_prefix << "Could not open '" << file << "': " << std::strerror(errno) << "\n";
                return exit_failure;
            }
            std::fclose(out);
        }
    }

    signal_guard signals;
    if (!signals.active()) {
        err << runner_prefix << "could not watch for signals: " << std::strerror(errno) << "\n";
        return exit_failure;
    }
    std::vector<gimp_process> gimps(static_cast<std::size_t>(jobs));
    std::vector<std::vector<std::string>> share_results(static_cast<std::size_t>(jobs));
    std::vector<std::string> share_tables(static_cast<std::size_t>(jobs));
    std::vector<std::string> share_annotator_tables(static_cast<std::size_t>(jobs));
    std::unique_ptr<environment_setting> annotator_setting, closing_setting;
    std::vector<std::string> closing_files;
    int interrupted = 0;
    for (int j = 0; j < jobs && interrupted == 0; ++j) {
        std::string profile = profile_folder;
        if (profile.empty()) {
            profile = temp.path() + "/profile-" + std::to_string(j);
            if (!make_profile(profile, plugin, &error)) {
                err << runner_prefix << error << "\n";
                stop_all(gimps);
                return exit_failure;
            }
        }
        std::string results_literal = literal[2], table_literal = literal[3];
        if (!direct) {
            const std::string share = temp.path() + "/results-" + std::to_string(j);
            const std::string pattern = several ? share + "-{n}" : share;
            for (std::size_t c = 0; c < results.size(); ++c)
                share_results[std::size_t(j)].push_back(several ? chain_results_file(pattern, c + 1) : pattern);
            script_fu_string(pattern, &results_literal, &error);
            if (!options.table_file.empty()) {
                share_tables[std::size_t(j)] = temp.path() + "/table-" + std::to_string(j) + ".csv";
                script_fu_string(share_tables[std::size_t(j)], &table_literal, &error);
            }
            if (!options.annotator_table.empty()) {
                share_annotator_tables[std::size_t(j)] = temp.path() + "/annotators-" + std::to_string(j) + ".csv";
                annotator_setting.reset();  // puts the run's own value back before the next share's
                annotator_setting = std::make_unique<environment_setting>(annotator_table_variable,
                                                                          share_annotator_tables[std::size_t(j)]);
            }
        }
        closing_files.push_back(temp.path() + "/closing-" + std::to_string(j));
        closing_setting.reset();
        closing_setting = std::make_unique<environment_setting>(closing_file_variable, closing_files.back());
        const std::string first = std::to_string(options.shard_index + shard_count * j);
        const std::string stride = std::to_string(shard_count * jobs);
        using argument = std::pair<const char*, std::string>;
        const argument mode{"run-mode", "RUN-NONINTERACTIVE"};
        std::string command;
        if (seeded_procedure) {
            command = script_fu_call(console.major, "plug-in-strandel-benchmark-seeded",
                                     {mode, {"chains", literal[0]}, {"list-file", literal[1]},
                                      {"results-file", results_literal}, {"seed-each", seed}, {"first", first},
                                      {"stride", stride}, {"table-file", table_literal},
                                      {"ground-truth", literal[4]}});
        } else if (direct && shard_count == 1) {
            command = script_fu_call(console.major, "plug-in-strandel-benchmark",
                                     {mode, {"chain", literal[0]}, {"list-file", literal[1]},
                                      {"results-file", literal[2]}, {"seed", seed}});
        } else {
            command = script_fu_call(console.major, "plug-in-strandel-benchmark-share",
                                     {mode, {"chain", literal[0]}, {"list-file", literal[1]},
                                      {"results-file", results_literal}, {"seed", seed}, {"first", first},
                                      {"stride", stride}});
        }
        if (!start_gimp(console, profile, temp.path(), {command}, &gimps[std::size_t(j)], &error)) {
            err << runner_prefix << error << "\n";
            stop_all(gimps);
            return exit_failure;
        }
        interrupted = signals.pending();
    }
    if (interrupted == 0) interrupted = wait_for_all(gimps, signals, console_relay(err));
    if (interrupted != 0) {
        stop_all(gimps);
        // The lines of the images the shares finished are kept, as one GIMP
        // keeps them when it is stopped.
        if (!direct && !join_shares(share_results, results, share_tables, options.table_file, true, &error))
            err << runner_prefix << error << "\n";
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
            err << runner_prefix << console.program << " " << how << "; its last words:\n" << tail_of(g.log, 15);
        }
        return exit_failure;
    }
    say_closing(closing_files, err);
    if (direct) return exit_ok;

    // The shares' runs, joined in position order: the report one GIMP
    // would have written.
    if (!join_shares(share_results, results, share_tables, options.table_file, false, &error) ||
        (!options.annotator_table.empty() &&
         !join_annotator_tables(share_annotator_tables, plan.method_names, options.annotator_table, &error))) {
        err << runner_prefix << error << "\n";
        return exit_failure;
    }
    return exit_ok;
}

}  // namespace strandel
