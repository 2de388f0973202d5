// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/engine_environment.h"

#include <cstdlib>
#include <sstream>

namespace strandel {

namespace {

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

bool parse_scored_method(const std::string& text, scored_method* method) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) return false;
    method->name = text.substr(0, equals);
    method->pattern = text.substr(equals + 1);
    return true;
}

std::vector<std::pair<std::string, std::string>> engine_environment(const benchmark_request& request) {
    std::string scores;
    for (const scored_method& m : request.scores) scores += m.name + "=" + m.pattern + "\n";
    return {{boundary_variable, request.boundary ? "1" : ""},
            {gray_variable, gray_rule_name(request.gray)},
            {levels_variable, level_rule_name(request.levels)},
            {annotator_table_variable, request.annotator_table},
            {closing_file_variable, request.closing_file},
            {scores_variable, scores}};
}

bool apply_engine_environment(benchmark_request* request, std::string* error) {
    request->boundary = variable(boundary_variable) == "1";
    // Each rule: its default (empty or named) or the other name.
    const std::string gray = variable(gray_variable), levels = variable(levels_variable);
    const bool gray_known = gray.empty() || gray == "blue" || gray == "luma";
    const bool levels_known = levels.empty() || levels == "scale" || levels == "stretch";
    if (!gray_known || !levels_known) {
        *error = gray_known ? std::string(levels_variable) + " '" + levels + "': give scale or stretch"
                            : std::string(gray_variable) + " '" + gray + "': give blue or luma";
        return false;
    }
    request->gray = gray == "luma" ? gray_rule::luma : gray_rule::blue;
    request->levels = levels == "stretch" ? level_rule::stretch : level_rule::scale;
    request->annotator_table = variable(annotator_table_variable);
    request->scores.clear();
    std::istringstream lines(variable(scores_variable));
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;
        scored_method method;
        if (!parse_scored_method(line, &method)) {
            *error = std::string(scores_variable) + ": '" + line + "' is not NAME=PATTERN";
            return false;
        }
        request->scores.push_back(method);
    }
    return true;
}

}  // namespace strandel
