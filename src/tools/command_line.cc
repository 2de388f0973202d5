// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/command_line.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <CLI/CLI.hpp>

#include "framework/message_text.h"

namespace strandel {

namespace {

const char* const config_option = "--config";

std::string long_name(const std::string& names) {
    const std::size_t at = names.find("--");
    return at == std::string::npos ? names : names.substr(at);
}

const option_spec* find_spec(const std::vector<option_spec>& specs, const std::string& name) {
    for (const option_spec& spec : specs)
        if (long_name(spec.names) == name) return &spec;
    return nullptr;
}

// CLI11 would take `--name=` (an empty value) as `--name` and eat the next
// argument as its value, and would read `--flag=VALUE` as true or false:
// here the first is an empty value and the second a mistake, as the tools
// always took them. Only arguments before `--` are options.
bool prepare_arguments(int argc, const char* const* argv, const std::vector<option_spec>& specs,
                       std::vector<std::string>* args, command_line_error* error) {
    bool options_end = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::size_t equals = arg.find('=');
        if (options_end || arg.compare(0, 2, "--") != 0 || equals == std::string::npos) {
            options_end = options_end || arg == "--";
            args->push_back(arg);
            continue;
        }
        const std::string name = arg.substr(0, equals);
        const option_spec* spec = find_spec(specs, name);
        if (spec && !spec->takes_value) {
            *error = {command_line_fault::value_to_flag, name};
            return false;
        }
        if (equals + 1 == arg.size() && (spec || name == config_option)) {
            args->push_back(name);
            args->push_back(std::string());
            continue;
        }
        args->push_back(arg);
    }
    return true;
}

// CLI11 says only "not readable (missing?)", and reads a folder as an empty
// file: the system's reason is more use.
bool check_config_file(const std::vector<std::string>& args, command_line_error* error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") return true;
        std::string file;
        if (args[i] == config_option && i + 1 < args.size())
            file = args[i + 1];
        else if (args[i].compare(0, 9, "--config=") == 0)
            file = args[i].substr(9);
        else
            continue;
        struct stat info;
        std::string why;
        if (stat(file.c_str(), &info) != 0)
            why = std::strerror(errno);
        else if (!S_ISREG(info.st_mode))
            why = "not a regular file";
        if (!why.empty()) {
            *error = {command_line_fault::config_file, "--config '" + message_quote(file) + "': " + why};
            return false;
        }
    }
    return true;
}

struct parser {
    CLI::App app;
    CLI::Option* operands = nullptr;
    CLI::Option* config = nullptr;
    std::vector<std::pair<const CLI::Option*, const option_spec*>> specs;  // in the tool's order

    explicit parser(const std::vector<option_spec>& given) {
        app.set_help_flag();
        app.allow_extras();
        // Unknown names in the file are collected (without dashes) to be
        // named in the message, never ignored.
        app.allow_config_extras(CLI::config_extras_mode::capture);
        config = app.set_config(config_option);
        for (const option_spec& spec : given) {
            CLI::Option* option = spec.takes_value ? app.add_option(spec.names) : app.add_flag(spec.names);
            option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
            specs.emplace_back(option, &spec);
        }
        operands = app.add_option("operands")->expected(0, CLI::detail::expected_max_vector_size);
        operands->allow_extra_args()->configurable(false);
    }
};

std::string config_file(const parser& p) {
    return p.config->results().empty() ? std::string() : p.config->results().back();
}

bool flag_is_set(const std::string& value) {
    return value != "false" && value != "0" && value != "-1" && value != "off" && value != "no";
}

// The uses in command-line order, then the values that came from the file
// in the tool's order of options (CLI11 fills an option from the file only
// when the command line did not give it, so those are the results no parsed
// argument accounts for).
void collect_uses(const parser& p, command_line* line) {
    std::map<const CLI::Option*, std::size_t> taken;
    auto use = [&](const CLI::Option* option, const option_spec* spec, std::size_t index) {
        const std::string value = option->results()[index];
        if (!spec->takes_value && !flag_is_set(value)) return;
        line->options.push_back({long_name(spec->names), spec->takes_value ? value : std::string()});
    };
    for (const CLI::Option* option : p.app.parse_order()) {
        const auto spec = std::find_if(p.specs.begin(), p.specs.end(),
                                       [&](const auto& known) { return known.first == option; });
        if (spec == p.specs.end()) continue;
        std::size_t& index = taken[option];
        if (index < option->results().size()) use(option, spec->second, index++);
    }
    for (const auto& spec : p.specs)
        for (std::size_t index = taken[spec.first]; index < spec.first->results().size(); ++index)
            use(spec.first, spec.second, index);
    line->operands = p.operands->results();
}

}  // namespace

bool read_command_line(int argc, const char* const* argv, const std::vector<option_spec>& specs,
                       command_line* line, command_line_error* error) {
    *line = command_line();
    std::vector<std::string> args;
    if (!prepare_arguments(argc, argv, specs, &args, error) || !check_config_file(args, error)) return false;
    parser p(specs);
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        p.app.parse(reversed);
    } catch (const CLI::ArgumentMismatch&) {
        // Only an option at the very end can lack its value: every other
        // one takes the next argument, whatever it is.
        *error = {command_line_fault::missing_value, args.empty() ? std::string() : long_name(args.back())};
        return false;
    } catch (const CLI::ParseError& e) {
        *error = {command_line_fault::config_file, "--config '" + message_quote(config_file(p)) + "': " + e.what()};
        return false;
    }
    std::vector<std::string> extras = p.app.remaining();
    // CLI11 keeps the `--` that ends the options among the extras.
    extras.erase(std::remove(extras.begin(), extras.end(), "--"), extras.end());
    if (!extras.empty()) {
        // Only the file's unknown names come without dashes: every argument
        // without them is an operand.
        const std::string& extra = extras.front();
        if (!extra.empty() && extra[0] == '-')
            *error = {command_line_fault::unknown_option, extra};
        else
            *error = {command_line_fault::config_file,
                      "--config '" + message_quote(config_file(p)) + "': '" + message_quote(extra) + "' is not an option"};
        return false;
    }
    collect_uses(p, line);
    return true;
}

std::string command_line_message(const command_line_error& error, const command_line_wording& wording) {
    const std::string& text = error.text;
    switch (error.fault) {
    case command_line_fault::unknown_option: {
        const bool cut = wording.without_value && text.compare(0, 2, "--") == 0;
        return std::string("unknown option ") + wording.quote + message_quote(cut ? text.substr(0, text.find('=')) : text) +
               wording.quote;
    }
    case command_line_fault::missing_value:
        return wording.missing + text + " needs a value";
    case command_line_fault::value_to_flag:
        return text + " takes no value";
    case command_line_fault::config_file:
        break;
    }
    return text;
}

}  // namespace strandel
