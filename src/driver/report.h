// The batch report: one header per run and one tab-separated line per image,
// appended to the results file. Everything here is free of GIMP so that every
// engine (the GIMP plug-in, a headless runner) writes the same report.
#pragma once

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "evaluation/fitness_function.h"
#include "evaluation/jaccard.h"
#include "framework/histogram.h"
#include "framework/pass.h"

namespace strandel {

// Progress of a running batch, written by the worker and read by whoever
// displays it (another thread), hence atomics.
struct batch_progress {
    std::atomic<double> overall{0.0};  // share of the images already done
    std::atomic<double> algo{0.0};     // share of the running pass done
    std::atomic<const char*> label{""};  // label of the running pass
};

using measure_list = std::vector<const fitness_function*>;

// The registered fitness functions, in report column order.
measure_list registered_measures();

// "\n\nAlgorithm: " + one "label " per pass + the column titles line.
std::string report_header(const std::vector<pass*>& chain, const measure_list& measures);

// One image's line. `jaccard` is null when the image has no manual
// segmentation: the column is then left out.
std::string report_line(int position, int nr_classes, double seconds,
                        const std::vector<double>& measure_values, const double* jaccard);

// Runs the chain on one image's histogram and formats its report line: the
// passes are timed (nothing else is), their label and progress published,
// the gray levels classified, every measure evaluated and, when `manual` is
// given, the mean best-match Jaccard index derived from it. Returns false,
// leaving `line` alone, when `stop` was set between two passes.
bool evaluate_image(int position, const histogram& h, const gray_label_counts* manual,
                    const std::vector<pass*>& chain, const measure_list& measures,
                    batch_progress& progress, const std::atomic<bool>& stop, std::string* line);

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

// What one image brings to the report, filled by an image reader.
struct image_data {
    histogram h;
    bool has_manual = false;
    gray_label_counts manual;  // meaningful only when has_manual
};

enum class read_status { ok, unreadable, no_layer };

// Loads one image file into `data`: its histogram and, when a manual
// segmentation lies beside it, the pair counts. `why` explains "unreadable".
using image_reader = std::function<read_status(const std::string& file, image_data& data, std::string* why)>;

struct batch_outcome {
    bool written = true;  // every write, flush and close succeeded
    std::string error;    // the system's error text otherwise
    bool stopped = false; // the stop flag ended the batch early
    int lines = 0;        // image lines written
};

// The body of a batch: writes the header, then one line per image that
// reads, in list order (an image that cannot be read keeps its position
// empty and is named on standard error), and closes `results`. Stops before
// the next image or pass once `stop` is set, and at the first failed write.
batch_outcome run_batch(const std::vector<std::string>& images, const std::vector<pass*>& chain,
                        std::FILE* results, const measure_list& measures, batch_progress& progress,
                        const std::atomic<bool>& stop, const image_reader& read);

}  // namespace strandel
