// SPDX-License-Identifier: GPL-3.0-or-later
// strandel.bench() one image at a time: the run planned as strandel-bench
// plans it (chains, images, folders expanded, manual segmentations named by
// the ground-truth pattern), the images read ahead on `jobs` threads, and
// each image's rows handed to Python as they are made, so that a generator
// yields them and Ctrl-C stops between two images.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <memory>
#include <string>
#include <vector>

#include "batch/image_reader.h"
#include "batch/prefetching_reader.h"
#include "batch/run_plan.h"

namespace strandel {

class bench_session {
public:
    // `images` (files or folders) or a `list_file` (empty: none), the
    // chains' texts; `seed_each` None or a
    // whole number. Throws ValueError / OSError with the tool's message.
    bench_session(const std::vector<std::string>& images, const std::string& list_file,
                  const std::vector<std::string>& chains,
                  const std::string& ground_truth, pybind11::object seed_each, int jobs, bool boundary,
                  pybind11::object gray, pybind11::object levels);

    // Positions in the list (blank list lines included).
    std::size_t total() const { return m_plan.images.size(); }

    // The table rows of the next position (one per chain, as CSV text
    // exactly as strandel-bench --table writes them; none for a blank list
    // line), or None after the last one.
    pybind11::object next_rows();

private:
    std::vector<std::string> rows_of(std::size_t position, read_status status, const std::string& why);

    run_plan m_plan;
    benchmark_request m_run;
    pybind11::object m_gray, m_levels;
    bool m_seeded_each = false;
    unsigned m_seed_each = 0;
    std::unique_ptr<prefetching_reader> m_reader;
    std::unique_ptr<image_data> m_data;
    std::size_t m_position = 0;
};

}  // namespace strandel
