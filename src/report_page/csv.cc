// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/csv.h"

namespace strandel {

bool split_csv(std::string_view text, std::vector<csv_record>* records, std::string* error) {
    records->clear();
    int line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto fail = [&](int at, const std::string& what) {
        *error = "line " + std::to_string(at) + ": " + what;
        return false;
    };
    while (i < n) {
        // A record that is nothing but a line end is a blank line.
        if (text[i] == '\n' || (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
            i += text[i] == '\r' ? 2 : 1;
            ++line;
            continue;
        }
        csv_record record;
        record.line = line;
        for (;;) {
            std::string field;
            if (i < n && text[i] == '"') {
                const int opened = line;
                ++i;
                for (;;) {
                    if (i >= n) return fail(opened, "quoted field never closed");
                    const char c = text[i++];
                    if (c == '"') {
                        if (i < n && text[i] == '"') {
                            field += '"';
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') ++line;
                    field += c;
                }
                if (i < n && text[i] != ',' && text[i] != '\n' && !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n'))
                    return fail(line, "unexpected character after a closing quote");
            } else {
                while (i < n && text[i] != ',' && text[i] != '\n' && !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
                    if (text[i] == '"') return fail(line, "quote inside an unquoted field");
                    field += text[i++];
                }
            }
            record.fields.push_back(std::move(field));
            if (i < n && text[i] == ',') {
                ++i;
                continue;
            }
            // End of record: a line end or the end of the text.
            if (i < n) {
                i += text[i] == '\r' ? 2 : 1;
                ++line;
            }
            break;
        }
        records->push_back(std::move(record));
    }
    return true;
}

bool csv_reader::fail(long line, const std::string& what) {
    if (m_error.empty()) m_error = m_lines.name() + ":" + std::to_string(line) + ": " + what;
    return false;
}

bool csv_reader::next(csv_record* record) {
    if (!m_error.empty()) return false;
    std::string text, line;
    long first = 0;
    std::size_t quotes = 0;
    while (m_lines.next(&line)) {
        if (m_first && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        m_first = false;
        if (text.empty() && quotes == 0) {
            if (line.empty() || line == "\r") continue;  // a blank line
            first = m_lines.line_number();
        }
        if (!m_lines.line_ended())
            return fail(m_lines.line_number(),
                        "the last row has no line end: the file is cut short (was its writer interrupted?)");
        for (char c : line) quotes += c == '"';
        text += line;
        if (quotes % 2) {
            // A quoted field goes on over the line end.
            text += '\n';
            if (text.size() > longest_text_line)
                return fail(first, "a quoted field is not closed within " + std::to_string(longest_text_line) +
                                       " bytes");
            continue;
        }
        if (text.size() > longest_text_line)
            return fail(first, "row longer than " + std::to_string(longest_text_line) + " bytes");
        if (!text.empty() && text.back() == '\r') text.pop_back();
        std::vector<csv_record> records;
        std::string error;
        if (!split_csv(text, &records, &error)) {
            // "line N: what", N counted from the record's first line.
            const std::size_t colon = error.find(':');
            const long at = first + std::stol(error.substr(5, colon - 5)) - 1;
            return fail(at, error.substr(colon + 2));
        }
        if (records.size() != 1) return fail(first, "not one CSV record");
        *record = std::move(records.front());
        record->line = static_cast<int>(first);
        return true;
    }
    if (m_lines.failed()) {
        m_error = m_lines.message();
        return false;
    }
    if (quotes % 2) return fail(first, "quoted field never closed");
    return false;
}

}  // namespace strandel
