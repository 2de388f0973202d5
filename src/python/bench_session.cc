// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/bench_session.h"

#include <pybind11/stl.h>

#include <atomic>
#include <filesystem>
#include <cstdlib>

#include "batch/ground_truth.h"
#include "batch/image_rating.h"
#include "batch/registration.h"
#include "batch/table_writer.h"
#include "evaluation/label_pair_counts.h"
#include "decoding/native_image_gegl.h"
#include "python/arrays.h"
#include "tools/bench_inputs.h"
#include "tools/exit_status.h"

namespace py = pybind11;

namespace strandel {

namespace {

// The planner checks the results files a run would append to; this run
// writes none, so it names files that cannot be any input.
const char* const no_results_file = "/nonexistent/strandel-python-results-{n}.txt";

}  // namespace

bench_session::bench_session(const std::vector<std::string>& images, const std::string& list_file,
                             const std::vector<std::string>& chains, const std::string& ground_truth,
                             py::object seed_each, int jobs, bool boundary, py::object gray, py::object levels)
    : m_gray(gray), m_levels(levels) {
    if (jobs < 1 || jobs > 256) throw py::value_error("jobs: " + std::to_string(jobs) + " is not from 1 to 256");
    apply_rules(gray, levels);
    bench_options options;
    for (const std::string& text : chains) options.chains.push_back({false, text});
    if (chains.size() == 1) options.run.chain = chains[0];
    options.run.images = images;
    options.run.list_file = list_file;
    options.run.ground_truth = ground_truth;
    options.run.results_file = no_results_file;
    // Rows as a table in the current folder writes them (paths as given);
    // no table is made.
    options.run.table_file = std::filesystem::current_path() / ".strandel-python-rows.csv";
    options.run.table_folder = std::filesystem::current_path();
    options.run.jobs = jobs;
    options.run.boundary = boundary;
    options.run.gray = colour_gray_rule();
    options.run.levels = wide_level_rule();
    if (!seed_each.is_none()) {
        const long long seed = seed_each.cast<long long>();
        if (seed < 0 || seed > 2147483647LL) throw py::value_error("seed_each: not a whole number from 0 to 2147483647");
        m_seeded_each = true;
        m_seed_each = static_cast<unsigned>(seed);
    }
    std::string error;
    if (!ground_truth.empty() && !check_ground_truth_pattern(ground_truth, &error)) throw py::value_error(error);
    left_out_files left_out;
    const int status = resolve_bench_inputs(options, &m_run, &left_out, &error);
    if (status == exit_usage) throw py::value_error(error);
    if (status != exit_ok) throw file_error(error);
    const request_outcome planned = plan_request(m_run, &m_plan);
    if (planned.status == request_status::calling_error) throw py::value_error(planned.message);
    if (planned.status != request_status::success) throw file_error(planned.message);
    m_reader = std::make_unique<prefetching_reader>(m_plan.images, m_plan.wanted, jobs, read_image_native);
    m_data = std::make_unique<image_data>();
}

// One position's rows, as run_chains rates the image for each chain.
std::vector<std::string> bench_session::rows_of(std::size_t position, read_status status, const std::string& why) {
    const table_provenance provenance{gray_rule_name(m_run.gray), level_rule_name(m_run.levels)};
    const table_paths& paths = m_plan.in_table[position];
    std::vector<std::string> rows;
    const std::size_t chains = m_plan.passes.size();
    if (status != read_status::ok) {
        const std::string reason = why.empty() ? "it could not be loaded" : why;
        for (std::size_t c = 0; c < chains; ++c)
            rows.push_back(skipped_table_row(m_plan.method_names[c], position, paths, false, reason, provenance));
        return rows;
    }
    image_data& data = *m_data;
    if (data.has_manual && data.truths.empty()) data.truths.push_back({0, 0, label_pairs_of(data.manual), {}});
    rating_options options;
    options.boundary = m_run.boundary;
    const std::atomic<bool> stop{false};
    image_rating rating;
    for (std::size_t c = 0; c < chains; ++c) {
        if (m_seeded_each) std::srand(m_seed_each + static_cast<unsigned>(position));
        try {
            rate_image(data, options, m_plan.passes[c], registered_measures(), nullptr, stop, &rating);
            rows.push_back(table_row(m_plan.method_names[c], position, paths, rating, provenance));
        } catch (const std::exception& e) {
            rows.push_back(skipped_table_row(m_plan.method_names[c], position, paths, data.has_manual,
                                             std::string("the chain failed: ") + e.what(), provenance));
        }
    }
    return rows;
}

py::object bench_session::next_rows() {
    if (m_position >= m_plan.images.size()) return py::none();
    const std::size_t position = m_position++;
    const image_request& request = m_plan.images[position];
    std::string why;
    read_status status;
    std::vector<std::string> rows;
    apply_rules(m_gray, m_levels);  // another call may have set others meanwhile
    {
        py::gil_scoped_release release;
        try {
            forget_ground_truths(*m_data);
            status = (*m_reader)(request, *m_data, &why);
        } catch (const std::exception& e) {
            status = read_status::unreadable;
            why = e.what();
        }
        if (status != read_status::no_layer && !request.image.empty()) rows = rows_of(position, status, why);
    }
    py::list list;
    for (const std::string& row : rows) list.append(py::bytes(row));
    return std::move(list);
}

}  // namespace strandel
