// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/provenance.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/build_info.h"
#include "framework/temporary_files.h"

namespace strandel {

namespace {

constexpr long long largest_provenance = 16ll << 20;

std::string host_name() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return std::string();
    return name;
}

bool write_all(int fd, const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const ssize_t n = ::write(fd, text.data() + at, text.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string provenance_path(const std::string& table) { return table + ".json"; }

std::string utc_time_text(long long seconds_since_epoch) {
    const std::time_t t = static_cast<std::time_t>(seconds_since_epoch);
    std::tm parts{};
    gmtime_r(&t, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

nlohmann::ordered_json provenance_base(long long start, long long end) {
    return {{"format", "strandel provenance 1"},
            {"strandel", {{"version", strandel_version()}, {"commit", strandel_commit()}}},
            {"host", host_name()},
            {"start", utc_time_text(start)},
            {"end", utc_time_text(end)}};
}

bool write_provenance(const std::string& table, nlohmann::ordered_json record, std::string* error) {
    record["complete"] = true;
    const std::string path = provenance_path(table);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    temporary_file file((folder.empty() ? std::string() : folder.string() + "/") + ".strandel-provenance-");
    // Invalid UTF-8 in a path or chain is written as U+FFFD, not refused.
    const std::string text = record.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    std::string why;
    if (!file.ok())
        why = file.error();
    else if (!write_all(file.fd(), text))
        why = std::strerror(errno);
    else if (!file.rename_to(path))
        why = file.error();
    if (why.empty()) return true;
    *error = "Could not write '" + path + "': " + why;
    return false;
}

bool read_provenance(const std::string& table, nlohmann::ordered_json* record, std::string* error) {
    const std::string path = provenance_path(table);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        *error = "'" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode) || info.st_size > largest_provenance) {
        *error = "'" + path + "' is not a provenance file (not a regular file of at most 16 MiB)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    *record = nlohmann::ordered_json::parse(text.str(), nullptr, false);
    if (!in || record->is_discarded() || !record->is_object()) {
        *error = "'" + path + "' does not read as a provenance file (JSON object)";
        return false;
    }
    return true;
}

shard_mark provenance_mark(const nlohmann::ordered_json& record) {
    shard_mark mark;
    const auto complete = record.find("complete");
    mark.complete = complete != record.end() && complete->is_boolean() && complete->get<bool>();
    const auto shard = record.find("shard");
    if (shard != record.end() && shard->is_object()) {
        const auto index = shard->find("index"), count = shard->find("count");
        if (index != shard->end() && count != shard->end() && index->is_number_integer() &&
            count->is_number_integer() && *count > 0 && *index >= 0 && *index < *count) {
            mark.index = index->get<int>();
            mark.count = count->get<int>();
        } else {
            mark.complete = false;
        }
    }
    return mark;
}

}  // namespace strandel
