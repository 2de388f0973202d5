// SPDX-License-Identifier: GPL-3.0-or-later
// The tools' command lines, split into options and operands by CLI11. Each
// tool keeps the meaning of its values (and its messages about them): this
// hands them over in the order they were given, so that a later value wins,
// a repetition can be refused and --chain / --chains keep their order.
//
// Every tool also takes --config FILE: the options of a whole run kept in a
// file, one `name = value` a line (TOML or INI; a repeated option as a list,
// `chain = ["AiNet", "K-Means"]`; a flag as `name = true`). An option given
// on the command line replaces the file's values of that option; the file's
// options follow the command line's, in the order the tool lists them.
#pragma once

#include <string>
#include <vector>

namespace strandel {

struct option_spec {
    std::string names;  // CLI11 form: "--chain", or "-h,--help"
    bool takes_value = true;
};

// One use of an option: its long name ("--chain") and its value (empty for a
// flag).
struct option_use {
    std::string name;
    std::string value;
};

struct command_line {
    std::vector<option_use> options;   // the command line's in order, then the config file's
    std::vector<std::string> operands;  // the arguments that are no option, in order
};

enum class command_line_fault {
    unknown_option,  // `text` is the argument as given
    missing_value,   // `text` is the option's long name
    value_to_flag,   // `text` is the flag's long name
    config_file,     // `text` says what is wrong with the file, naming it
};

struct command_line_error {
    command_line_fault fault;
    std::string text;
};

// Reads argv[1..argc-1] against `specs` (plus --config FILE). False with
// `error` when an option is unknown, lacks its value, or a flag was given
// one, or when the config file cannot be read or names an unknown option.
bool read_command_line(int argc, const char* const* argv, const std::vector<option_spec>& specs,
                       command_line* line, command_line_error* error);

// How a tool words its command-line errors: each tool keeps the messages it
// printed before the options were read by one library, since scripts may
// match them.
struct command_line_wording {
    const char* quote = "";        // around an unknown option
    bool without_value = false;    // an unknown --long=value named without its value
    const char* missing = "";      // before the option that needs a value
};

std::string command_line_message(const command_line_error& error, const command_line_wording& wording);

}  // namespace strandel
