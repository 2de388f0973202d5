// SPDX-License-Identifier: GPL-3.0-or-later
// One progress line per image of a benchmark run, for whoever watches it:
// a terminal, or strandel-bench reading a headless GIMP's console.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

// "1/6 cells.png 0.12 s": the progress line of the image at `position`
// (from 0) of `total`, without prefix or line end; `skipped` when it could
// not be read.
std::string progress_text(std::size_t position, std::size_t total, const std::string& file, double seconds,
                          bool skipped);

// Times each image from the moment the batch asks for it until it asks for
// the next one (or ends), its reading included, and writes its line then,
// "<prefix>: " followed by progress_text, in one write so that the lines of
// processes sharing a pipe never mix. Images the batch is not to process
// (read_status::no_layer) get no line.
class progress_writer {
public:
    // `out` may be null: nothing is written.
    progress_writer(const std::vector<image_request>& images, std::FILE* out, std::string prefix);

    void asked(std::size_t position);
    void read(read_status status);
    void finish();
    // "<prefix>: N report lines in S s", for the end of a run.
    void summary(int lines, double seconds);

private:
    const std::vector<image_request>& m_images;
    std::FILE* m_out;
    std::string m_prefix;
    std::size_t m_position = 0;
    bool m_skipped = false;
    bool m_open = false;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace strandel
