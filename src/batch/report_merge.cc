// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/report_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "batch/line_appender.h"
#include "framework/file_identity.h"
#include "framework/number_text.h"
#include "framework/text_lines.h"

namespace strandel {

namespace {

const char algorithm_start[] = "Algorithm: ";
const char titles_start[] = "Image\t";

// The last run of a report, read line by line: every run start drops the
// run before it, so only the last run is ever held. A run starts at an
// "Algorithm: " line after an empty line that itself follows a line end
// (the two empty lines every run is written with).
class last_run_reader {
public:
    explicit last_run_reader(text_lines& lines) : m_lines(lines) {}

    bool read(report_run* run, std::string* error) {
        std::string line;
        bool after_empty = false;
        while (m_lines.next(&line)) {
            const long number = m_lines.line_number();
            if (after_empty && number >= 3 && line.compare(0, sizeof algorithm_start - 1, algorithm_start) == 0)
                start_run(line);
            else if (m_state == state::titles)
                take_titles(line);
            else if (m_state == state::lines)
                take_line(line, number);
            after_empty = line.empty() && m_lines.line_ended();
        }
        if (m_lines.failed()) {
            *error = "'" + m_lines.name() + "'" +
                     (m_lines.error_line() ? " line " + std::to_string(m_lines.error_line()) : std::string()) +
                     ": " + m_lines.error();
            return false;
        }
        if (m_state == state::none) {
            *error = "'" + m_lines.name() + "' holds no report: no \"Algorithm:\" header";
            return false;
        }
        if (m_state == state::titles)
            m_error = "'" + m_lines.name() + "' has a truncated report header (no column titles after the algorithm line)";
        if (!m_error.empty()) {
            *error = m_error;
            return false;
        }
        *run = std::move(m_run);
        return true;
    }

private:
    enum class state { none, titles, lines };

    void start_run(const std::string& line) {
        m_run.header = "\n\n" + line;
        m_run.lines.clear();
        m_run.mark = shard_mark();
        m_error.clear();
        // The algorithm line needs its line end, and the titles after it.
        m_state = state::titles;
        if (!m_lines.line_ended()) return;
        m_run.header += '\n';
    }
    void take_titles(const std::string& line) {
        m_state = state::lines;
        if (!m_lines.line_ended() || line.compare(0, sizeof titles_start - 1, titles_start) != 0) {
            m_error = "'" + m_lines.name() + "' has a truncated report header (no column titles after the algorithm line)";
            return;
        }
        m_run.header += line + '\n';
    }
    void take_line(const std::string& line, long number) {
        if (!m_error.empty()) return;  // the run is refused unless another one follows
        shard_mark mark;
        if (m_run.mark.complete || (m_lines.line_ended() && parse_shard_end_line(line, &mark))) {
            if (m_run.mark.complete)
                m_error = "'" + m_lines.name() + "' line " + std::to_string(number) +
                          " follows the run's end-of-run mark";
            m_run.mark = mark;
            return;
        }
        if (!m_lines.line_ended()) {
            m_error = "'" + m_lines.name() + "' line " + std::to_string(number) +
                      " is cut short (no line end): was its run interrupted?";
            return;
        }
        const std::size_t tab = line.find('\t');
        long long position = 0;
        if (tab == std::string::npos || !parse_integer(line.substr(0, tab), 0, 2147483647LL, &position)) {
            m_error = "'" + m_lines.name() + "' line " + std::to_string(number) +
                      " is not a report line (it should start with the image position and a tab)";
            return;
        }
        m_run.lines.emplace_back(static_cast<int>(position), line + '\n');
    }

    text_lines& m_lines;
    report_run m_run;
    state m_state = state::none;
    std::string m_error;
};

}  // namespace

bool parse_last_run(const std::string& text, const std::string& source, report_run* run, std::string* error) {
    text_lines lines;
    lines.open_text(text, source);
    return last_run_reader(lines).read(run, error);
}

bool read_last_run(const std::string& file, report_run* run, std::string* error) {
    text_lines lines;
    if (!lines.open(file)) {
        *error = "Could not open '" + file + "': " + lines.error();
        return false;
    }
    return last_run_reader(lines).read(run, error);
}

bool merge_runs(const std::vector<report_run>& runs, const std::vector<std::string>& sources,
                std::string* merged, std::string* error) {
    if (runs.empty()) {
        *error = "no shard report to merge";
        return false;
    }
    auto name = [&](std::size_t i) { return i < sources.size() ? sources[i] : "report " + std::to_string(i + 1); };
    std::map<int, std::pair<const std::string*, std::size_t>> by_position;  // line, run it came from
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (runs[r].header != runs[0].header) {
            *error = "'" + name(r) + "' was written by another chain or other measures than '" + name(0) +
                     "': its header differs";
            return false;
        }
        for (const auto& line : runs[r].lines) {
            const auto inserted = by_position.emplace(line.first, std::make_pair(&line.second, r));
            if (!inserted.second) {
                *error = "position " + std::to_string(line.first) + " appears in both '" +
                         name(inserted.first->second.second) + "' and '" + name(r) +
                         "': are two shards overlapping, or one report given twice?";
                return false;
            }
        }
    }
    *merged = runs[0].header;
    for (const auto& entry : by_position) *merged += *entry.second.first;
    return true;
}

bool merge_report_files(const std::vector<std::string>& shard_reports, const std::string& out,
                        std::string* error, bool complete_only) {
    const file_identity merged_file(out);
    for (const std::string& shard : shard_reports)
        if (merged_file.same_as(shard)) {
            *error = "the merged report '" + out + "' is the shard report '" + shard +
                     "': give the merged report another name";
            return false;
        }
    std::vector<report_run> runs(shard_reports.size());
    for (std::size_t i = 0; i < shard_reports.size(); ++i)
        if (!read_last_run(shard_reports[i], &runs[i], error)) return false;
    if (complete_only) {
        std::vector<shard_mark> marks;
        for (const report_run& run : runs) marks.push_back(run.mark);
        if (!check_complete_shards(marks, shard_reports, error)) return false;
    }
    std::string merged;
    if (!merge_runs(runs, shard_reports, &merged, error)) return false;

    // Locked like a run's results file, and appended as a run appends: line
    // by line, each line in one write, so that a merge killed or refused
    // part way leaves whole lines only.
    line_appender file;
    if (!file.open_append(out)) {
        *error = "Could not open '" + out + "': " + file.error();
        return false;
    }
    bool written = true;
    for (std::size_t at = 0, end; written && at < merged.size(); at = end) {
        // The header's lines go as one piece, then each image line.
        end = at == 0 ? runs[0].header.size() : merged.find('\n', at) + 1;
        written = file.append(merged.substr(at, end - at));
    }
    if (!written || !file.close()) {
        *error = "Could not write '" + out + "': " + file.error();
        return false;
    }
    return true;
}

}  // namespace strandel
