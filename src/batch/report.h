// SPDX-License-Identifier: GPL-3.0-or-later
// The batch report: one header per run and one tab-separated line per image,
// appended to the results file. Everything here is free of GIMP so that every
// engine (the GIMP plug-in, a headless runner) writes the same report.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "batch/registration.h"
#include "framework/chain.h"

namespace strandel {

// "\n\nAlgorithm: " + one "label " per pass + the column titles line.
std::string report_header(const chain& passes, const measure_list& measures);

// One image's line. `jaccard` is null when the image has no manual
// segmentation: the column is then left out.
std::string report_line(int position, int nr_classes, double seconds,
                        const std::vector<double>& measure_values, const double* jaccard);

// A results stream that remembers the first failure of a write, flush or
// close, with the system's error text.
class report_stream {
public:
    explicit report_stream(std::FILE* file) : m_file(file) {}
    report_stream(const report_stream&) = delete;
    report_stream& operator=(const report_stream&) = delete;
    ~report_stream() { close(); }

    // Writes and flushes, so that a crash or a cancel loses no finished line.
    bool write(const std::string& text);
    // Closes the stream (once); false when this or an earlier step failed.
    bool close();
    bool ok() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }

private:
    void fail(int err);

    std::FILE* m_file;
    std::string m_error;
};

}  // namespace strandel
