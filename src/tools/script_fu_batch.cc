// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/script_fu_batch.h"

#include <cstdio>
#include <sstream>

namespace strandel {

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is malformed
// (overlong forms, surrogates and values past U+10FFFF included).
std::size_t utf8_sequence_length(const std::string& s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n;
    unsigned value;
    if ((c & 0xE0) == 0xC0) {
        n = 2;
        value = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3;
        value = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4;
        value = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        value = (value << 6) | (d & 0x3F);
    }
    static const unsigned smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[n] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return n;
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::string trim_right(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    return s;
}

}  // namespace

bool script_fu_string(const std::string& text, std::string* literal, std::string* error) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_sequence_length(text, i);
        if (n == 0) {
            *error = "'" + text + "' is not valid UTF-8, which Script-Fu cannot pass on";
            return false;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    out += '"';
    *literal = out;
    return true;
}

std::string script_fu_call(int major, const std::string& procedure,
                           const std::vector<std::pair<const char*, std::string>>& arguments) {
    std::string call = "(" + procedure;
    for (const auto& a : arguments) call += (major >= 3 ? std::string(" #:") + a.first + " " : " ") + a.second;
    return call + ")";
}

console_line_kind classify_console_line(const std::string& line, const std::string& progress_prefix) {
    if (starts_with(line, "strandel: skipping ")) return console_line_kind::skip_notice;
    const std::string head = progress_prefix + ": ";
    if (!starts_with(line, head)) return console_line_kind::other;
    // "<position>/<total> ": anything else under the prefix is no progress.
    std::size_t i = head.size();
    const std::size_t digits_start = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == digits_start || i >= line.size() || line[i] != '/') return console_line_kind::other;
    const std::size_t total_start = ++i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    if (i == total_start || i >= line.size() || line[i] != ' ') return console_line_kind::other;
    return console_line_kind::progress;
}

console_verdict read_console_verdict(const std::string& output) {
    static const std::string failed_marker = "batch command experienced an execution error";
    static const std::string ok_marker = "batch command executed successfully";
    console_verdict verdict;
    std::istringstream lines(output);
    bool any_ok = false, any_failed = false;
    for (std::string line; std::getline(lines, line);) {
        if (starts_with(line, ok_marker)) any_ok = true;
        if (!starts_with(line, failed_marker) || any_failed) continue;
        any_failed = true;
        // Script-Fu's report follows: "Error: Procedure execution of P
        // failed[ on invalid input arguments]: MESSAGE", possibly over
        // several lines, up to an empty one (GIMP 3: up to its "Stopping
        // at failing batch command").
        std::string report;
        for (std::string next; std::getline(lines, next) && !trim_right(next).empty() &&
                               !starts_with(next, "Stopping at failing batch command");)
            report += (report.empty() ? "" : "\n") + trim_right(next);
        if (starts_with(report, "Error: ")) report.erase(0, 7);
        for (const char* preamble : {" failed on invalid input arguments: ", " failed: "}) {
            const std::size_t at = report.find(preamble);
            if (starts_with(report, "Procedure execution of ") && at != std::string::npos) {
                report.erase(0, at + std::string(preamble).size());
                break;
            }
        }
        verdict.message = report.empty() ? "the batch command failed without a message" : report;
    }
    verdict.succeeded = any_ok && !any_failed;
    return verdict;
}

}  // namespace strandel
