// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/report_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "framework/number_text.h"

namespace strandel {

namespace {

const char run_start[] = "\n\nAlgorithm: ";
const char titles_start[] = "Image\t";

std::string system_error(int err) { return err ? std::strerror(err) : "unknown error"; }

bool read_file(const std::string& file, std::string* text, std::string* error) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        *error = "Could not open '" + file + "': " + system_error(errno);
        return false;
    }
    text->clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    const bool failed = std::ferror(f);
    const int err = errno;
    std::fclose(f);
    if (failed) {
        *error = "Could not read '" + file + "': " + system_error(err);
        return false;
    }
    return true;
}

}  // namespace

bool parse_last_run(const std::string& text, const std::string& source, report_run* run, std::string* error) {
    const std::size_t start = text.rfind(run_start);
    if (start == std::string::npos) {
        *error = "'" + source + "' holds no report: no \"Algorithm:\" header";
        return false;
    }
    const std::size_t algorithm_end = text.find('\n', start + 2);
    const std::size_t titles_end =
        algorithm_end == std::string::npos ? std::string::npos : text.find('\n', algorithm_end + 1);
    if (titles_end == std::string::npos ||
        text.compare(algorithm_end + 1, std::strlen(titles_start), titles_start) != 0) {
        *error = "'" + source + "' has a truncated report header (no column titles after the algorithm line)";
        return false;
    }
    run->header = text.substr(start, titles_end + 1 - start);
    run->lines.clear();

    int line_number = static_cast<int>(std::count(text.begin(), text.begin() + titles_end, '\n')) + 1;
    for (std::size_t at = titles_end + 1; at < text.size();) {
        ++line_number;
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            *error = "'" + source + "' line " + std::to_string(line_number) +
                     " is cut short (no line end): was its run interrupted?";
            return false;
        }
        const std::string line = text.substr(at, end + 1 - at);
        const std::size_t tab = line.find('\t');
        long long position = 0;
        if (tab == std::string::npos || !parse_integer(line.substr(0, tab), 0, 2147483647LL, &position)) {
            *error = "'" + source + "' line " + std::to_string(line_number) +
                     " is not a report line (it should start with the image position and a tab)";
            return false;
        }
        run->lines.emplace_back(static_cast<int>(position), line);
        at = end + 1;
    }
    return true;
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
                        std::string* error) {
    std::vector<report_run> runs(shard_reports.size());
    std::string text;
    for (std::size_t i = 0; i < shard_reports.size(); ++i) {
        if (!read_file(shard_reports[i], &text, error)) return false;
        if (!parse_last_run(text, shard_reports[i], &runs[i], error)) return false;
    }
    std::string merged;
    if (!merge_runs(runs, shard_reports, &merged, error)) return false;

    std::FILE* f = std::fopen(out.c_str(), "a");
    if (!f) {
        *error = "Could not open '" + out + "': " + system_error(errno);
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(merged.data(), 1, merged.size(), f) == merged.size();
    int err = errno;
    const bool closed = std::fclose(f) == 0;
    if (written && !closed) err = errno;
    if (!written || !closed) {
        *error = "Could not write '" + out + "': " + system_error(err);
        return false;
    }
    return true;
}

}  // namespace strandel
