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
                  const std::string& ground_truth, pybind11::object seed_each, int jobs);

    // Positions in the list (blank list lines included).
    std::size_t total() const { return m_plan.images.size(); }

    // The rows of the next position (one per chain; none for a blank list
    // line), or None after the last one.
    pybind11::object next_rows();

private:
    pybind11::dict row_of(std::size_t chain, const image_data* data) const;

    run_plan m_plan;
    bool m_seeded_each = false;
    unsigned m_seed_each = 0;
    std::unique_ptr<prefetching_reader> m_reader;
    std::unique_ptr<image_data> m_data;
    std::size_t m_position = 0;
};

}  // namespace strandel
