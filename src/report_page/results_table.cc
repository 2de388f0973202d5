// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/results_table.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <sstream>

#include "report_page/csv.h"

namespace strandel {
namespace {

constexpr const char* header[] = {"chain", "position", "image", "manual_segmentation", "classes", "centres",
                                  "seconds", "turi", "dunn", "amrane", "liu_yang", "jaccard"};
constexpr std::size_t column_count = sizeof header / sizeof header[0];
constexpr std::size_t first_measure_column = 7;

bool parse_count(std::string_view text, int* value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && *value >= 0;
}

// Quotes a field's text for a message, cut short when it is long.
std::string shown(const std::string& text) {
    return "\"" + (text.size() > 40 ? text.substr(0, 37) + "..." : text) + "\"";
}

}  // namespace

bool parse_decimal(std::string_view text, double* value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    // from_chars reports out-of-range values (1e999) as errors; they are
    // not what the writer produces, so they stay errors.
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool parse_results_table(std::string_view text, const std::string& table, std::vector<result_row>* rows,
                         std::string* error) {
    // A UTF-8 byte order mark, as some spreadsheets save, is not part of the header.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<csv_record> records;
    std::string csv_error;
    if (!split_csv(text, &records, &csv_error)) {
        *error = table + ":" + csv_error.substr(5);  // "line N: ..." -> "TABLE:N: ..."
        return false;
    }
    auto fail = [&](int line, const std::string& what) {
        *error = table + ":" + std::to_string(line) + ": " + what;
        return false;
    };
    if (records.empty()) return fail(1, "empty file, expected the header row");
    const csv_record& head = records.front();
    // Tables of strandel-bench end with a status column: "ok", or
    // "skipped: REASON" for an image the chain did not rate.
    // Newer tables hold the measures of the literature between the Jaccard
    // index and the status.
    const bool with_status = head.fields.size() >= column_count + 1 && head.fields.back() == "status";
    bool header_ok = head.fields.size() == column_count || with_status;
    for (std::size_t c = 0; header_ok && c < column_count; ++c) header_ok = head.fields[c] == header[c];
    if (!header_ok) {
        std::string expected;
        for (const char* title : header) expected += (expected.empty() ? "" : ",") + std::string(title);
        return fail(head.line, "unexpected header, expected " + expected);
    }
    std::vector<result_row> read;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const csv_record& record = records[r];
        const std::vector<std::string>& f = record.fields;
        if (f.size() != head.fields.size())
            return fail(record.line,
                        std::to_string(f.size()) + " fields, expected " + std::to_string(head.fields.size()));
        if (with_status && f.back() != "ok") continue;  // no values to compare
        result_row row;
        row.table = table;
        row.line = record.line;
        row.chain = f[0];
        if (row.chain.empty()) return fail(record.line, "empty chain");
        if (!parse_count(f[1], &row.position))
            return fail(record.line, "position " + shown(f[1]) + " is not a whole number from 0");
        row.image = f[2];
        if (row.image.empty()) return fail(record.line, "empty image");
        row.manual_segmentation = f[3];
        if (!parse_count(f[4], &row.classes))
            return fail(record.line, "classes " + shown(f[4]) + " is not a whole number from 0");
        std::istringstream centres(f[5]);
        for (std::string centre; centres >> centre;) {
            double value;
            if (!parse_decimal(centre, &value)) return fail(record.line, "centre " + shown(centre) + " is not a decimal");
            row.centres.push_back(value);
        }
        if (!parse_decimal(f[6], &row.seconds)) return fail(record.line, "seconds " + shown(f[6]) + " is not a decimal");
        for (int m = 0; m < measure_count; ++m) {
            const std::string& field = f[first_measure_column + m];
            if (field.empty() && m == jaccard) continue;
            double value;
            if (!parse_decimal(field, &value))
                return fail(record.line, std::string(measure_column(m)) + " " + shown(field) +
                                             " is not a decimal, inf, -inf or nan");
            row.values[m] = value;
        }
        read.push_back(std::move(row));
    }
    rows->swap(read);
    return true;
}

bool read_results_table(const std::string& file, std::vector<result_row>* rows, std::string* error) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) {
        *error = file + ": cannot open: " + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, got);
    // A folder opens fine and fails on the first read.
    const bool failed = std::ferror(in);
    const int read_errno = errno;
    std::fclose(in);
    if (failed) {
        *error = file + ": cannot read: " + std::strerror(read_errno);
        return false;
    }
    return parse_results_table(text, file, rows, error);
}

}  // namespace strandel
