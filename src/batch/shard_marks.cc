// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/shard_marks.h"

#include <map>

#include "framework/number_text.h"

namespace strandel {

namespace {

const char end_prefix[] = "# end of shard ";

std::string shard_name(int index, int count) { return std::to_string(index) + "/" + std::to_string(count); }

// "'a', 'b' and 'c'".
std::string quoted_list(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + ("'" + names[i] + "'");
    return text;
}

bool check_one_whole_set(const std::vector<shard_mark>& marks, const std::vector<std::string>& sources,
                         std::string* error) {
    int count = 0;
    std::size_t first_shard = 0;
    std::map<int, std::size_t> seen;  // shard index, input
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (marks[i].count == 0) {
            *error = "'" + sources[i] + "' holds a whole run, not a shard, beside shards such as '" +
                     sources[first_shard] + "'";
            return false;
        }
        if (count == 0) {
            count = marks[i].count;
            first_shard = i;
        }
        if (marks[i].count != count) {
            *error = "'" + sources[i] + "' is shard " + shard_name(marks[i].index, marks[i].count) + " but '" +
                     sources[first_shard] + "' is one of " + std::to_string(count) + " shards";
            return false;
        }
        const auto inserted = seen.emplace(marks[i].index, i);
        if (!inserted.second) {
            *error = "'" + sources[inserted.first->second] + "' and '" + sources[i] + "' are both shard " +
                     shard_name(marks[i].index, count);
            return false;
        }
    }
    std::vector<std::string> missing;
    for (int k = 0; k < count; ++k)
        if (!seen.count(k)) missing.push_back(shard_name(k, count));
    if (missing.empty()) return true;
    *error = "shard" + std::string(missing.size() > 1 ? "s " : " ") + quoted_list(missing) + " of " +
             std::to_string(count) + " " + (missing.size() > 1 ? "are" : "is") +
             " missing: give every shard, or --allow-incomplete to merge without " +
             (missing.size() > 1 ? "them" : "it");
    return false;
}

}  // namespace

std::string shard_end_line(int index, int count) { return end_prefix + shard_name(index, count) + "\n"; }

bool parse_shard_end_line(const std::string& line, shard_mark* mark) {
    if (line.compare(0, sizeof end_prefix - 1, end_prefix) != 0) return false;
    const std::string rest = line.substr(sizeof end_prefix - 1);
    const std::size_t slash = rest.find('/');
    long long k = 0, n = 0;
    if (slash == std::string::npos || !parse_integer(rest.substr(slash + 1), 1, 1000000, &n) ||
        !parse_integer(rest.substr(0, slash), 0, n - 1, &k))
        return false;
    *mark = {true, static_cast<int>(k), static_cast<int>(n)};
    return true;
}

bool check_complete_shards(const std::vector<shard_mark>& marks, const std::vector<std::string>& sources,
                           std::string* error) {
    std::vector<std::string> incomplete;
    bool any_shard = false;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        if (!marks[i].complete) incomplete.push_back(sources[i]);
        any_shard = any_shard || marks[i].count > 0;
    }
    if (!incomplete.empty()) {
        *error = quoted_list(incomplete) + (incomplete.size() > 1 ? " have" : " has") +
                 " no end-of-run mark: " + (incomplete.size() > 1 ? "their runs" : "its run") +
                 " did not finish (killed, failed, or still running), or " +
                 (incomplete.size() > 1 ? "were" : "was") +
                 " written before Strandel marked its runs. Rerun " +
                 (incomplete.size() > 1 ? "those shards" : "that shard") +
                 ", or give --allow-incomplete to merge what is there";
        return false;
    }
    return !any_shard || check_one_whole_set(marks, sources, error);
}

}  // namespace strandel
