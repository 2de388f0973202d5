// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/results_table.h"

#include <charconv>
#include <map>
#include <sstream>

#include "framework/message_text.h"

namespace strandel {
namespace {

constexpr const char* required[] = {"chain", "position", "image", "manual_segmentation", "classes", "centres",
                                    "seconds", "turi", "dunn", "amrane", "liu_yang", "jaccard"};
const char status_title[] = "status";
const char skipped_prefix[] = "skipped: ";

bool parse_count(std::string_view text, int* value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && *value >= 0;
}

// Quotes a field's text for a message: short, and printable.
std::string shown(const std::string& text) { return "\"" + message_quote(text) + "\""; }

int* column_of(table_columns* c, const std::string& title) {
    static const std::map<std::string, int table_columns::*> fixed = {
        {"chain", &table_columns::chain},
        {"position", &table_columns::position},
        {"image", &table_columns::image},
        {"manual_segmentation", &table_columns::manual_segmentation},
        {"classes", &table_columns::classes},
        {"centres", &table_columns::centres},
        {"seconds", &table_columns::seconds},
        {status_title, &table_columns::status}};
    const auto found = fixed.find(title);
    if (found != fixed.end()) return &(c->*found->second);
    for (int m = 0; m < measure_count; ++m)
        if (title == measure_column(m)) return &c->measures[m];
    return nullptr;  // a column this reader does not use
}

}  // namespace

bool parse_decimal(std::string_view text, double* value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    // from_chars reports out-of-range values (1e999) as errors; they are
    // not what the writer produces, so they stay errors.
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool find_columns(const std::vector<std::string>& header, table_columns* columns, std::string* error) {
    table_columns c;
    c.measures.fill(-1);
    c.count = header.size();
    std::string expected;
    for (const char* title : required) expected += (expected.empty() ? "" : ",") + std::string(title);
    expected = "unexpected header, expected " + expected + " (and, in newer tables, status)";
    for (std::size_t k = 0; k < header.size(); ++k) {
        int* slot = column_of(&c, header[k]);
        if (!slot) continue;
        if (*slot >= 0) {
            *error = expected + ": column " + shown(header[k]) + " appears twice";
            return false;
        }
        *slot = static_cast<int>(k);
    }
    for (const char* title : required)
        if (*column_of(&c, title) < 0) {
            *error = expected + ": no column " + shown(title);
            return false;
        }
    *columns = c;
    return true;
}

bool results_table_reader::open(const std::string& file, std::string* error) {
    if (!m_lines.open(file)) {
        *error = m_lines.message();
        return false;
    }
    return read_header(error);
}

bool results_table_reader::open_text(std::string_view text, const std::string& name, std::string* error) {
    m_lines.open_text(text, name);
    return read_header(error);
}

bool results_table_reader::read_header(std::string* error) {
    csv_record head;
    if (!m_records.next(&head)) {
        *error = m_records.error().empty() ? m_lines.name() + ":1: empty file, expected the header row"
                                           : m_records.error();
        return false;
    }
    std::string why;
    if (!find_columns(head.fields, &m_columns, &why)) {
        *error = m_lines.name() + ":" + std::to_string(head.line) + ": " + why;
        return false;
    }
    m_header = std::move(head.fields);
    return true;
}

bool results_table_reader::next(csv_record* record, result_row* row, std::string* error) {
    if (!m_records.next(record)) {
        *error = m_records.error();
        return false;
    }
    return parse_row(*record, row, error);
}

bool results_table_reader::parse_row(const csv_record& record, result_row* out, std::string* error) const {
    const std::string& table = m_lines.name();
    auto fail = [&](const std::string& what) {
        *error = table + ":" + std::to_string(record.line) + ": " + what;
        return false;
    };
    const std::vector<std::string>& f = record.fields;
    const table_columns& c = m_columns;
    if (f.size() != c.count)
        return fail(std::to_string(f.size()) + " fields, expected " + std::to_string(c.count));
    result_row row;
    row.table = table;
    row.line = record.line;
    row.chain = f[c.chain];
    if (row.chain.empty()) return fail("empty chain");
    if (!parse_count(f[c.position], &row.position))
        return fail("position " + shown(f[c.position]) + " is not a whole number from 0");
    row.image = f[c.image];
    if (row.image.empty()) return fail("empty image");
    row.manual_segmentation = f[c.manual_segmentation];
    if (c.status >= 0 && f[c.status] != "ok") {
        const std::string& status = f[c.status];
        if (status.compare(0, sizeof skipped_prefix - 1, skipped_prefix) != 0)
            return fail("status " + shown(status) + " is neither \"ok\" nor \"skipped: REASON\"");
        row.skipped = true;
        row.skip_reason = status.substr(sizeof skipped_prefix - 1);
        *out = std::move(row);
        return true;  // a skipped image has no values to read
    }
    if (!parse_count(f[c.classes], &row.classes))
        return fail("classes " + shown(f[c.classes]) + " is not a whole number from 0");
    std::istringstream centres(f[c.centres]);
    for (std::string centre; centres >> centre;) {
        double value;
        if (!parse_decimal(centre, &value)) return fail("centre " + shown(centre) + " is not a decimal");
        row.centres.push_back(value);
    }
    if (!parse_decimal(f[c.seconds], &row.seconds)) return fail("seconds " + shown(f[c.seconds]) + " is not a decimal");
    // A method scored from its label images leaves the four indices empty
    // together when its labels classify no gray levels; one empty index
    // among written ones is a broken row.
    bool indices_empty = true;
    for (int m = 0; m < measure_count; ++m) indices_empty = indices_empty && (m == jaccard || f[c.measures[m]].empty());
    for (int m = 0; m < measure_count; ++m) {
        const std::string& field = f[c.measures[m]];
        if (field.empty() && (m == jaccard || indices_empty)) continue;
        double value;
        if (!parse_decimal(field, &value))
            return fail(std::string(measure_column(m)) + " " + shown(field) + " is not a decimal, inf, -inf or nan");
        row.values[m] = value;
    }
    *out = std::move(row);
    return true;
}

namespace {

bool read_all(results_table_reader& reader, std::vector<result_row>* rows, std::string* error) {
    std::vector<result_row> read;
    csv_record record;
    result_row row;
    while (reader.next(&record, &row, error)) read.push_back(std::move(row));
    if (!error->empty()) return false;
    rows->swap(read);
    return true;
}

}  // namespace

bool parse_results_table(std::string_view text, const std::string& table, std::vector<result_row>* rows,
                         std::string* error) {
    results_table_reader reader;
    error->clear();
    return reader.open_text(text, table, error) && read_all(reader, rows, error);
}

bool read_results_table(const std::string& file, std::vector<result_row>* rows, std::string* error) {
    results_table_reader reader;
    error->clear();
    return reader.open(file, error) && read_all(reader, rows, error);
}

}  // namespace strandel
