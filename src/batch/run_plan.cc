// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/run_plan.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "batch/benchmark_list.h"
#include "batch/chain_syntax.h"
#include "batch/ground_truth.h"
#include "batch/output_check.h"
#include "batch/registration.h"
#include "framework/message_text.h"

namespace strandel {

namespace fs = std::filesystem;

namespace {

bool blank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

bool is_absolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

bool regular_file(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}


request_outcome check_arguments(const benchmark_request& request) {
    if (!request.refusal.empty()) return failed_request(request_status::calling_error, request.refusal);
    if (request.shard_count < 1 || request.shard_index < 0 || request.shard_index >= request.shard_count)
        return failed_request(request_status::calling_error,
                       "share " + std::to_string(request.shard_index) + " of stride " +
                           std::to_string(request.shard_count) +
                           ": the stride must be 1 or more and the first position from 0 to stride - 1");
    if (request.list_file.empty() && request.images.empty())
        return failed_request(request_status::calling_error, "list-file: no benchmark list file given");
    if (request.results_file.empty())
        return failed_request(request_status::calling_error, "results-file: no results file given");
    if (request.seeded && request.seeded_each)
        return failed_request(request_status::calling_error, "a seed for the run and a seed for each image exclude each other");
    std::string error;
    if (!request.ground_truth.empty() && !check_ground_truth_pattern(request.ground_truth, &error))
        return failed_request(request_status::calling_error, error);
    return {};
}

// Scored methods are named apart from every chain and each other (a table
// row is identified by its method's name), and numbered after the chains.
request_outcome plan_scored_methods(const benchmark_request& request, run_plan* plan) {
    plan->method_names.clear();
    for (const std::string& text : plan->chain_texts) plan->method_names.push_back(table_chain_text(text));
    std::map<std::string, std::size_t> named;
    for (std::size_t c = 0; c < plan->method_names.size(); ++c) named.emplace(plan->method_names[c], c);
    std::string error;
    for (const scored_method& method : request.scores) {
        const std::string name = "--score '" + message_quote(method.name) + "'";
        if (blank(method.name) || method.name.find_first_of("\r\n") != std::string::npos)
            return failed_request(request_status::calling_error, name + ": give the method a name on one line (NAME=PATTERN)");
        if (!check_ground_truth_pattern(method.pattern, &error))
            return failed_request(request_status::calling_error, name + ": " + error.substr(error.find(' ') + 1));
        const auto [at, added] = named.emplace(method.name, plan->method_names.size());
        if (!added)
            return failed_request(request_status::calling_error,
                                  name + ": the name is taken by " +
                                      (at->second < plan->chain_texts.size() ? "chain " + std::to_string(at->second + 1)
                                                                             : std::string("another scored method")) +
                                      "; give each method its own name");
        plan->method_names.push_back(method.name);
    }
    if (plan->method_names.size() > 1 && request.results_file.find("{n}") == std::string::npos)
        return failed_request(request_status::calling_error,
                              "results-file '" + request.results_file + "': with " +
                                  std::to_string(plan->method_names.size()) +
                                  " chains and scored methods it must hold {n}, which becomes each one's number");
    return {};
}

// Every chain parses; among several none is empty and no two are the same
// chain once written out in full (a table row is identified by its chain).
request_outcome plan_chains(const benchmark_request& request, run_plan* plan) {
    plan->chain_texts = request_chains(request);
    const std::vector<std::string>& texts = plan->chain_texts;
    const bool several = texts.size() > 1;
    auto named = [&](std::size_t c) {
        return "chain " + (several ? std::to_string(c + 1) + " " : "") + "'" + message_quote(texts[c]) + "'";
    };
    plan->passes.clear();
    plan->passes.resize(texts.size());
    std::map<std::string, std::size_t> formatted;
    std::string error;
    for (std::size_t c = 0; c < texts.size(); ++c) {
        if (several && blank(texts[c]))
            return failed_request(request_status::calling_error,
                           "chain " + std::to_string(c + 1) +
                               " is empty: give its passes (an empty chain stands for the default chain only when "
                               "it is the only one)");
        if (!parse_chain(texts[c], plan->passes[c], &error))
            return failed_request(request_status::calling_error, named(c) + ": " + error);
        const std::string full = format_chain(plan->passes[c]);
        const auto [at, added] = formatted.emplace(full, c);
        if (!added)
            return failed_request(request_status::calling_error,
                           named(at->second) + " and " + named(c) + " are the same chain ('" + message_quote(full) +
                               "'): give each chain once");
    }
    if (several && request.results_file.find("{n}") == std::string::npos)
        return failed_request(request_status::calling_error,
                       "results-file '" + request.results_file + "': with " + std::to_string(texts.size()) +
                           " chains it must hold {n}, which becomes each chain's number");
    return plan_scored_methods(request, plan);
}

// The images at every position, whether each was given absolute, and the
// folder relative ground-truth patterns start from.
request_outcome read_images(const benchmark_request& request, std::vector<std::string>* images,
                            std::vector<bool>* given_absolute, std::string* base) {
    std::vector<std::string> names = request.images;
    std::string error;
    if (!request.list_file.empty() && !read_benchmark_list(request.list_file, names, &error))
        return failed_request(request_status::execution_error, error);
    for (const std::string& name : names) given_absolute->push_back(is_absolute(name));
    if (request.list_file.empty()) {
        *images = names;
        base->clear();
        return {};
    }
    *base = request.list_base.empty() ? fs::path(request.list_file).parent_path().string() : request.list_base;
    images->clear();
    for (const std::string& name : names)
        images->push_back(name.empty() || is_absolute(name) || base->empty()
                              ? name
                              : base->back() == '/' ? *base + name : *base + "/" + name);
    return {};
}

std::string ground_truth_rule(const std::string& pattern, const std::string& base) {
    if (pattern.empty()) return "NAME_seg.EXT beside each image";
    const std::string quoted = "pattern '" + message_quote(pattern) + "'";
    if (is_absolute(pattern)) return quoted;
    if (pattern.compare(0, 5, "{dir}") == 0) return quoted + ", from each image's folder";
    return quoted + ", resolved against '" + message_quote(absolute_folder(base)) + "'";
}

request_outcome plan_images(const benchmark_request& request, run_plan* plan) {
    std::vector<std::string> files;
    std::vector<bool> given_absolute;
    std::string base;
    const request_outcome read = read_images(request, &files, &given_absolute, &base);
    if (read.status != request_status::success) return read;
    plan->images = requests_with_ground_truth(files, request.ground_truth, base);
    for (image_request& image : plan->images) {
        image.keep_truth_planes = request.boundary || !request.scores.empty();
        for (const scored_method& method : request.scores) {
            const std::vector<std::string> found =
                image.image.empty() ? std::vector<std::string>() : ground_truth_files(method.pattern, image.image, base);
            image.scored.push_back(found.empty() || !regular_file(found.front()) ? std::string() : found.front());
        }
    }
    plan->wanted = shard_positions(files.size(), request.shard_index, request.shard_count);
    plan->ground_truth_rule = ground_truth_rule(request.ground_truth, base);
    plan->in_table.clear();
    if (request.table_file.empty()) return {};
    const std::string folder = absolute_folder(
        request.table_folder.empty() ? fs::path(request.table_file).parent_path().string() : request.table_folder);
    const std::string& pattern = request.ground_truth;
    for (std::size_t i = 0; i < files.size(); ++i) {
        // A manual segmentation found beside the image, or from its
        // folder, was given as the image was.
        const bool manual_absolute =
            pattern.empty() || pattern.compare(0, 5, "{dir}") == 0 ? given_absolute[i] : is_absolute(pattern);
        table_paths paths{path_for_table(files[i], given_absolute[i], folder),
                          path_for_table(plan->images[i].manual, manual_absolute, folder), {}};
        for (const std::string& truth : truth_files(plan->images[i]))
            paths.truths.push_back(path_for_table(truth, manual_absolute, folder));
        plan->in_table.push_back(std::move(paths));
    }
    return {};
}

// Rows are identified by chain and position, and within a chain an image
// appears once: a list naming one image twice would give it two rows.
request_outcome images_named_once(const benchmark_request& request, run_plan* plan) {
    if (request.table_file.empty()) return {};
    const std::vector<image_request>& images = plan->images;
    std::map<std::string, std::size_t> first;
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images[i].image.empty()) continue;  // a blank line names no image
        const auto [at, added] = first.emplace(resolved_path(images[i].image), i);
        if (added) continue;
        const std::size_t p = at->second;
        return failed_request(request.list_file.empty() ? request_status::calling_error : request_status::execution_error,
                       "'" + message_quote(images[i].image) + "' is named twice, at positions " + std::to_string(p) +
                           " ('" + message_quote(images[p].image) + "') and " + std::to_string(i) +
                           ": a table holds each image once per chain; name it once");
    }
    return {};
}

request_outcome plan_outputs(const benchmark_request& request, run_plan* plan) {
    const std::size_t chains = plan->method_names.size();
    plan->results_files.clear();
    std::vector<named_output> outputs;
    for (std::size_t c = 0; c < chains; ++c) {
        const bool numbered = chains > 1 || request.number_results;
        plan->results_files.push_back(numbered ? chain_results_file(request.results_file, c + 1)
                                               : request.results_file);
        outputs.push_back({plan->results_files.back(),
                           chains > 1 ? "the results file of chain " + std::to_string(c + 1) : "the results file"});
    }
    if (!request.table_file.empty()) outputs.push_back({request.table_file, "the table"});
    if (!request.annotator_table.empty()) outputs.push_back({request.annotator_table, "the annotators' table"});
    std::string error;
    if (!outputs_distinct(outputs, &error)) return failed_request(request_status::execution_error, error);
    std::vector<std::string> paths;
    for (const named_output& output : outputs) paths.push_back(output.path);
    if (!outputs_apart_from_inputs(paths, request.list_file, plan->images, &error))
        return failed_request(request_status::execution_error, error);
    return {};
}

request_outcome check_ground_truth(const benchmark_request& request, run_plan* plan) {
    std::vector<std::size_t> missing;
    std::size_t wanted = 0;
    plan->ground_truth_found = 0;
    for (std::size_t i = 0; i < plan->images.size(); ++i) {
        if (!plan->wanted[i]) continue;
        ++wanted;
        if (regular_file(plan->images[i].manual))
            ++plan->ground_truth_found;
        else
            missing.push_back(i);
    }
    if (!request.require_ground_truth || missing.empty()) return {};
    std::string message = "--require-ground-truth: no ground truth for " + std::to_string(missing.size()) + " of " +
                          std::to_string(wanted) + " images (" + plan->ground_truth_rule + "):";
    const std::size_t shown = std::min<std::size_t>(missing.size(), 5);
    for (std::size_t k = 0; k < shown; ++k) {
        const image_request& image = plan->images[missing[k]];
        message += (k ? ", '" : " '") + message_quote(image.image) + "' (looked for '" + message_quote(image.manual) + "')";
    }
    if (shown < missing.size()) message += " and " + std::to_string(missing.size() - shown) + " more";
    return failed_request(request_status::execution_error, message);
}

}  // namespace

const char* gray_rule_name(gray_rule rule) { return rule == gray_rule::luma ? "luma" : "blue"; }
const char* level_rule_name(level_rule rule) { return rule == level_rule::stretch ? "stretch" : "scale"; }

std::vector<std::string> request_chains(const benchmark_request& request) {
    return request.chains.empty() ? std::vector<std::string>{request.chain} : request.chains;
}

std::string chain_results_file(const std::string& pattern, std::size_t number) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size();) {
        if (pattern.compare(i, 3, "{n}") == 0) {
            out += std::to_string(number);
            i += 3;
        } else {
            out += pattern[i++];
        }
    }
    return out;
}

std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count) {
    std::vector<bool> wanted(count);
    for (std::size_t i = 0; i < count; ++i)
        wanted[i] = shard_count <= 1 || static_cast<int>(i % static_cast<std::size_t>(shard_count)) == shard_index;
    return wanted;
}

std::string absolute_folder(const std::string& folder) {
    std::error_code failure;
    const fs::path at = fs::absolute(folder.empty() ? "." : folder, failure);
    std::string text = (failure ? fs::path(folder) : at).lexically_normal().string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

std::string path_for_table(const std::string& path, bool given_absolute, const std::string& folder) {
    if (path.empty() || given_absolute) return path;
    std::error_code failure;
    const fs::path absolute = fs::absolute(path, failure).lexically_normal();
    if (failure) return path;
    const fs::path relative = absolute.lexically_relative(folder);
    return relative.empty() ? absolute.string() : relative.string();
}

request_outcome plan_request(const benchmark_request& request, run_plan* plan) {
    register_passes();
    register_fitness_functions();
    request_outcome outcome = check_arguments(request);
    using planning = request_outcome (*)(const benchmark_request&, run_plan*);
    for (planning step : {plan_chains, plan_images, plan_outputs, images_named_once, check_ground_truth}) {
        if (outcome.status != request_status::success) break;
        outcome = step(request, plan);
    }
    return outcome;
}

}  // namespace strandel
