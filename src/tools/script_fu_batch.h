// SPDX-License-Identifier: GPL-3.0-or-later
// Talking to a headless GIMP through gimp-console's Script-Fu batch
// commands: quoting values into a command, and reading what the console
// prints back (it exits 0 even when a batch command fails).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace strandel {

// `text` as a Script-Fu string literal, quotes included. Script-Fu strings
// are UTF-8: text that is not valid UTF-8 is refused with a reason.
bool script_fu_string(const std::string& text, std::string* literal, std::string* error);

// A call of `procedure` with its arguments in order (names and Script-Fu
// values): positional for GIMP 2.10 (major 2), named (#:name value) for
// GIMP 3, whose Script-Fu takes plug-in arguments by name.
std::string script_fu_call(int major, const std::string& procedure,
                           const std::vector<std::pair<const char*, std::string>>& arguments);

enum class console_line_kind {
    progress,     // "<plug-in prefix>: 3/6 file 0.52 s": one image done
    skip_notice,  // "strandel: skipping 'file': why"
    other,        // GIMP's own chatter, the worker's traces
};

// What a line of the console output is, given the plug-in's progress prefix.
console_line_kind classify_console_line(const std::string& line, const std::string& progress_prefix);

// Reads a whole console output. `succeeded` when a batch command reported
// success and none failed; otherwise `message` holds the error that Script-Fu
// reported (without its "Procedure execution of ... failed" preamble), or
// stays empty when the console said nothing about the batch command at all.
struct console_verdict {
    bool succeeded = false;
    std::string message;
};
console_verdict read_console_verdict(const std::string& output);

}  // namespace strandel
