// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/bench_session.h"

#include <pybind11/stl.h>

#include <atomic>
#include <cstdlib>

#include "batch/ground_truth.h"
#include "batch/image_rating.h"
#include "batch/registration.h"
#include "batch/table_writer.h"
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
                             py::object seed_each, int jobs) {
    if (jobs < 1 || jobs > 256) throw py::value_error("jobs: " + std::to_string(jobs) + " is not from 1 to 256");
    bench_options options;
    for (const std::string& text : chains) options.chains.push_back({false, text});
    if (chains.size() == 1) options.run.chain = chains[0];
    options.run.images = images;
    options.run.list_file = list_file;
    options.run.ground_truth = ground_truth;
    options.run.results_file = no_results_file;
    options.run.jobs = jobs;
    if (!seed_each.is_none()) {
        const long long seed = seed_each.cast<long long>();
        if (seed < 0 || seed > 2147483647LL) throw py::value_error("seed_each: not a whole number from 0 to 2147483647");
        m_seeded_each = true;
        m_seed_each = static_cast<unsigned>(seed);
    }
    std::string error;
    if (!ground_truth.empty() && !check_ground_truth_pattern(ground_truth, &error)) throw py::value_error(error);
    benchmark_request run;
    left_out_files left_out;
    const int status = resolve_bench_inputs(options, &run, &left_out, &error);
    if (status == exit_usage) throw py::value_error(error);
    if (status != exit_ok) throw file_error(error);
    const request_outcome planned = plan_request(run, &m_plan);
    if (planned.status == request_status::calling_error) throw py::value_error(planned.message);
    if (planned.status != request_status::success) throw file_error(planned.message);
    m_reader = std::make_unique<prefetching_reader>(m_plan.images, m_plan.wanted, jobs, read_image_native);
    m_data = std::make_unique<image_data>();
}

py::dict bench_session::row_of(std::size_t chain, const image_data* data) const {
    const image_request& request = m_plan.images[m_position - 1];
    py::dict row;
    row["chain"] = table_chain_text(m_plan.chain_texts[chain]);
    row["position"] = m_position - 1;
    row["image"] = request.image;
    row["manual_segmentation"] = data && data->has_manual ? request.manual : std::string();
    return row;
}

py::object bench_session::next_rows() {
    if (m_position >= m_plan.images.size()) return py::none();
    const std::size_t position = m_position++;
    const image_request& request = m_plan.images[position];
    const std::size_t chains = m_plan.passes.size();
    std::vector<image_rating> ratings(chains);
    std::vector<std::string> failures(chains);
    std::string why;
    read_status status;
    {
        py::gil_scoped_release release;
        try {
            status = (*m_reader)(request, *m_data, &why);
        } catch (const std::exception& e) {
            status = read_status::unreadable;
            why = e.what();
        }
        const std::atomic<bool> stop{false};
        for (std::size_t c = 0; c < chains && status == read_status::ok; ++c) {
            if (m_seeded_each) std::srand(m_seed_each + static_cast<unsigned>(position));
            try {
                rate_image(m_data->h, m_data->has_manual ? &m_data->manual : nullptr, m_plan.passes[c],
                           registered_measures(), nullptr, stop, &ratings[c]);
            } catch (const std::exception& e) {
                failures[c] = std::string("the chain failed: ") + e.what();
            }
        }
    }
    py::list rows;
    if (status == read_status::no_layer || request.image.empty()) return std::move(rows);
    const std::vector<std::string> names = measure_columns();
    for (std::size_t c = 0; c < chains; ++c) {
        const bool rated = status == read_status::ok && failures[c].empty();
        py::dict row = row_of(c, status == read_status::ok ? m_data.get() : nullptr);
        const image_rating& r = ratings[c];
        row["classes"] = rated ? py::cast(r.centres.size()) : py::none();
        row["centres"] = rated ? py::cast(r.centres) : py::none();
        row["seconds"] = rated ? py::cast(r.seconds) : py::none();
        for (std::size_t m = 0; m < names.size(); ++m)
            row[names[m].c_str()] = rated && m < r.values.size() ? py::cast(r.values[m]) : py::none();
        row["jaccard"] = rated && r.has_jaccard ? py::cast(r.jaccard) : py::none();
        if (rated && !r.has_jaccard) row["manual_segmentation"] = "";
        row["status"] = rated ? std::string("ok")
                              : "skipped: " + (status == read_status::ok ? failures[c]
                                                                          : (why.empty() ? "it could not be loaded" : why));
        rows.append(row);
    }
    return std::move(rows);
}

}  // namespace strandel
