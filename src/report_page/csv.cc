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

}  // namespace strandel
