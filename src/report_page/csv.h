// SPDX-License-Identifier: GPL-3.0-or-later
// Splitting RFC 4180 text into records of fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/text_lines.h"

namespace strandel {

struct csv_record {
    int line = 0;  // line of the text on which the record starts, from 1
    std::vector<std::string> fields;
};

// Splits `text` into records. Records end with CR LF or a lone LF (files
// edited on either system read the same); a quoted field may hold commas,
// line ends and doubled quotes. A final line end is optional, and blank
// lines (no characters at all) are skipped rather than read as one empty
// field, since a trailing blank line is a common editing accident.
// Returns false with `error` = "line N: what" on text that is not CSV: a
// quote inside an unquoted field, characters after a closing quote, or a
// quoted field that is never closed.
bool split_csv(std::string_view text, std::vector<csv_record>* records, std::string* error);

// Reads the records of a file (or text) one at a time, never more than one
// record in memory: each at most longest_text_line bytes. A UTF-8 byte order
// mark before the first record is dropped. Every record must end with its
// line end: a last line without one is a file cut short (its writer was
// interrupted), whose last value may be cut too, so it is refused.
class csv_reader {
public:
    explicit csv_reader(text_lines& lines) : m_lines(lines) {}
    // The next record; false at the end or on a failure (error() set:
    // "FILE:LINE: what").
    bool next(csv_record* record);
    const std::string& error() const { return m_error; }

private:
    bool fail(long line, const std::string& what);
    text_lines& m_lines;
    std::string m_error;
    bool m_first = true;
};

}  // namespace strandel
