#include "driver/report.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstring>
#include <memory>

#include "evaluation/classification.h"
#include "framework/progress.h"

namespace strandel {

namespace {

void append_format(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

void append_format(std::string& out, const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    if (static_cast<std::size_t>(n) < sizeof buffer) {
        out.append(buffer, static_cast<std::size_t>(n));
        return;
    }
    // Very long labels or huge values (such as 1e300 printed in full).
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(&big[0], big.size(), format, args);
    va_end(args);
    big.resize(static_cast<std::size_t>(n));
    out += big;
}

}  // namespace

measure_list registered_measures() {
    const fitness_function_repertoire* repertoire = fitness_function_repertoire::instance();
    return measure_list(repertoire->begin(), repertoire->end());
}

std::string report_header(const std::vector<pass*>& chain, const measure_list& measures) {
    std::string out = "\n\nAlgorithm: ";
    for (const pass* p : chain) append_format(out, "%s ", p->label());
    out += "\n";
    out += "Image\tNumber of classes\tExecuction Time";
    for (const fitness_function* f : measures) append_format(out, "\t%s", f->label());
    out += "\tJaccard Distance (Supervised) ";
    out += "\n";
    return out;
}

std::string report_line(int position, int nr_classes, double seconds,
                        const std::vector<double>& measure_values, const double* jaccard) {
    std::string out;
    append_format(out, "%d\t%d\t%.2f", position, nr_classes, seconds);
    for (double v : measure_values) append_format(out, "\t%.2f", v);
    if (jaccard) append_format(out, "\t%.2f", *jaccard);
    out += "\n";
    return out;
}

bool evaluate_image(int position, const histogram& h, const gray_label_counts* manual,
                    const std::vector<pass*>& chain, const measure_list& measures,
                    batch_progress& progress, const std::atomic<bool>& stop, std::string* line) {
    std::vector<double> centres;
    double_progress_indicator sink(&progress.algo);
    using clock = std::chrono::steady_clock;
    clock::duration elapsed{};
    for (const pass* p : chain) {
        if (stop.load()) return false;
        progress.label.store(p->label());
        progress.algo.store(0.0);
        const clock::time_point start = clock::now();
        (*p)(h, centres, &sink);
        elapsed += clock::now() - start;
        progress.algo.store(1.0);
    }

    class_map classes;
    classify(h, centres, &classes);
    std::vector<double> values;
    values.reserve(measures.size());
    for (const fitness_function* f : measures) values.push_back((*f)(h, centres, classes));

    double jaccard = 0.0;
    if (manual) {
        match_list matches;
        jaccard_matches(*manual, classes, centres, &matches);
        jaccard = jaccard_mean(matches);
    }
    const double seconds = std::chrono::duration<double>(elapsed).count();
    *line = report_line(position, static_cast<int>(centres.size()), seconds, values,
                        manual ? &jaccard : nullptr);
    return true;
}

bool report_stream::write(const std::string& text) {
    if (!m_file || !ok()) return false;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size()) {
        fail(errno);
        return false;
    }
    if (std::fflush(m_file) != 0) {
        fail(errno);
        return false;
    }
    return true;
}

bool report_stream::close() {
    if (m_file) {
        errno = 0;
        const int result = std::fclose(m_file);
        m_file = nullptr;
        if (result != 0) fail(errno);
    }
    return ok();
}

void report_stream::fail(int err) {
    if (!ok()) return;
    m_error = err ? std::strerror(err) : "unknown error";
}

batch_outcome run_batch(const std::vector<std::string>& images, const std::vector<pass*>& chain,
                        std::FILE* results, const measure_list& measures, batch_progress& progress,
                        const std::atomic<bool>& stop, const image_reader& read) {
    batch_outcome outcome;
    progress.overall.store(0.0);
    progress.algo.store(0.0);
    report_stream out(results);
    out.write(report_header(chain, measures));

    // 512 KiB of pair counts: allocated once for the whole run.
    auto data = std::make_unique<image_data>();
    const std::size_t n = images.size();
    for (std::size_t i = 0; i < n && out.ok(); ++i) {
        if (stop.load()) {
            outcome.stopped = true;
            break;
        }
        progress.overall.store(static_cast<double>(i) / static_cast<double>(n));
        std::string why;
        const read_status status = read(images[i], *data, &why);
        if (status == read_status::unreadable) {
            std::fprintf(stderr, "strandel: skipping '%s': %s\n", images[i].c_str(),
                         why.empty() ? "it could not be loaded" : why.c_str());
            continue;
        }
        if (status == read_status::no_layer) continue;
        std::printf("Got %s\n", images[i].c_str());
        std::fflush(stdout);

        std::string line;
        if (!evaluate_image(static_cast<int>(i), data->h, data->has_manual ? &data->manual : nullptr,
                            chain, measures, progress, stop, &line)) {
            outcome.stopped = true;
            break;
        }
        if (out.write(line)) ++outcome.lines;
    }
    outcome.written = out.close();
    outcome.error = out.error();
    return outcome;
}

}  // namespace strandel
