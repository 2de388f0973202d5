#include "driver/bench_cli.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "driver/benchmark_list.h"
#include "driver/chain_syntax.h"
#include "driver/gimp_engine.h"
#include "driver/prefetching_reader.h"
#include "driver/registration.h"
#include "driver/report_merge.h"

namespace strandel {

namespace {

constexpr int max_jobs = 256;

bool parse_int(const std::string& text, long low, long high, long* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || v < low || v > high) return false;
    *value = v;
    return true;
}

bool parse_shard(const std::string& text, int* index, int* count) {
    const std::size_t slash = text.find('/');
    long k = 0, n = 0;
    if (slash == std::string::npos || !parse_int(text.substr(slash + 1), 1, 1000000, &n) ||
        !parse_int(text.substr(0, slash), 0, n - 1, &k))
        return false;
    *index = static_cast<int>(k);
    *count = static_cast<int>(n);
    return true;
}

// Writes one line per image once the batch asks for the next one (or ends):
// the time between two requests is what the image cost, its reading
// included.
class progress_lines {
public:
    progress_lines(const std::vector<std::string>& images, std::ostream& err) : m_images(images), m_err(err) {}

    // Called when the batch asks for the image at `position`, before it is
    // read, then with what the reading gave.
    void asked(std::size_t position) {
        finish();
        m_position = position;
        m_start = std::chrono::steady_clock::now();
    }
    void read(read_status status) {
        m_status = status;
        m_open = status != read_status::no_layer;
    }

    void finish() {
        if (!m_open) return;
        m_open = false;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        std::ostringstream line;
        line << "strandel-bench: " << m_position + 1 << "/" << m_images.size() << " " << m_images[m_position]
             << " " << std::fixed << std::setprecision(2) << seconds << " s"
             << (m_status == read_status::ok ? "" : " (skipped)") << "\n";
        m_err << line.str() << std::flush;
    }

private:
    const std::vector<std::string>& m_images;
    std::ostream& m_err;
    std::size_t m_position = 0;
    read_status m_status = read_status::ok;
    std::chrono::steady_clock::time_point m_start;
    bool m_open = false;
};

// The chain's passes are clones that the runner owns.
struct owned_chain {
    std::vector<pass*> passes;
    owned_chain() = default;
    owned_chain(const owned_chain&) = delete;
    owned_chain& operator=(const owned_chain&) = delete;
    ~owned_chain() {
        for (pass* p : passes) delete p;
    }
};

}  // namespace

bool parse_bench_options(int argc, const char* const* argv, bench_options* o, std::string* error) {
    *o = bench_options();
    bool chain_given = false, out_given = false, jobs_given = false, shard_given = false, engine_given = false;
    bool only_files = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (only_files || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            if (arg == "-h") {
                o->help = true;
                continue;
            }
            if (!only_files && arg.size() > 1 && arg[0] == '-') {
                *error = "unknown option '" + arg + "'";
                return false;
            }
            files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            only_files = true;
            continue;
        }
        std::string value;
        bool has_value = false;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
            has_value = true;
        }
        if (arg == "--help") {
            o->help = true;
            continue;
        }
        static const char* const with_value[] = {"--chain", "--seed", "--list", "--out", "--jobs",
                                                 "--engine", "--shard", "--profile", "--merge"};
        bool known = false;
        for (const char* name : with_value) known = known || arg == name;
        if (!known) {
            *error = "unknown option '" + arg + "'";
            return false;
        }
        if (!has_value) {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (arg == "--chain") {
            o->chain = value;
            chain_given = true;
        } else if (arg == "--seed") {
            long seed = 0;
            if (!parse_int(value, 0, 4294967295L, &seed)) {
                *error = "--seed '" + value + "' is not a whole number from 0 to 4294967295";
                return false;
            }
            o->seeded = true;
            o->seed = static_cast<unsigned>(seed);
        } else if (arg == "--list") {
            o->list_file = value;
        } else if (arg == "--out") {
            o->out = value;
            out_given = true;
        } else if (arg == "--jobs") {
            long jobs = 0;
            if (!parse_int(value, 1, max_jobs, &jobs)) {
                *error = "--jobs '" + value + "' is not a whole number from 1 to " + std::to_string(max_jobs);
                return false;
            }
            o->jobs = static_cast<int>(jobs);
            jobs_given = true;
        } else if (arg == "--engine") {
            if (value == "native")
                o->engine = bench_engine::native;
            else if (value == "gimp")
                o->engine = bench_engine::gimp;
            else {
                *error = "--engine '" + value + "' is not an engine: give native or gimp";
                return false;
            }
            engine_given = true;
        } else if (arg == "--shard") {
            if (!parse_shard(value, &o->shard_index, &o->shard_count)) {
                *error = "--shard '" + value + "' is not K/N with 0 <= K < N (such as 0/4)";
                return false;
            }
            shard_given = true;
        } else if (arg == "--profile") {
            o->profile = value;
        } else if (arg == "--merge") {
            o->merge = true;
            o->out = value;
            out_given = true;
        }
    }
    if (o->help) return true;

    if (o->merge) {
        if (chain_given || o->seeded || !o->list_file.empty() || jobs_given || shard_given || engine_given ||
            !o->profile.empty()) {
            *error = "--merge takes only the merged report and the shard reports";
            return false;
        }
        if (files.empty()) {
            *error = "--merge needs at least one shard report after the merged report's name";
            return false;
        }
        o->shard_reports = files;
        return true;
    }
    if (!o->list_file.empty() && !files.empty()) {
        *error = "give either --list FILE or image files, not both";
        return false;
    }
    if (o->list_file.empty() && files.empty()) {
        *error = "no images: give --list FILE or image files";
        return false;
    }
    if (!out_given || o->out.empty()) {
        *error = "no results file: give --out RESULTS";
        return false;
    }
    if (!o->profile.empty() && o->engine != bench_engine::gimp) {
        *error = "--profile is used only by --engine gimp";
        return false;
    }
    o->images = files;
    return true;
}

std::string bench_usage() {
    return "Usage: strandel-bench [--chain CHAIN] [--seed N] (--list FILE | IMAGE...) --out RESULTS\n"
           "                      [--jobs N] [--engine native|gimp] [--shard K/N] [--profile DIR]\n"
           "       strandel-bench --merge OUT SHARD_REPORT...\n"
           "\n"
           "Segments every image of a benchmark with a chain of passes and appends one\n"
           "report run (a header, then one line per image) to RESULTS, as the batch\n"
           "plug-in does.\n"
           "\n"
           "  --chain CHAIN    the passes, such as \"K-Means(10, 3); Fuzzy C-Means\"; a pass\n"
           "                   without parentheses keeps its defaults (default: one AiNet)\n"
           "  --seed N         seed the random generator with N (default: never seeded,\n"
           "                   as in the plug-in)\n"
           "  --list FILE      a benchmark list file, one image per line; relative names\n"
           "                   are taken relative to the list file's folder\n"
           "  --out RESULTS    the results file, appended to\n"
           "  --jobs N         read and decode images on N threads ahead of the chain\n"
           "                   (default 1); the report is the same for every N.\n"
           "                   With --engine gimp: N GIMPs on interleaved shares of\n"
           "                   the list, whose swarm chains draw differently\n"
           "  --engine E       native (default): images decoded in-process with GEGL;\n"
           "                   gimp: images loaded by headless GIMPs (gimp-console)\n"
           "  --shard K/N      process only the images whose position modulo N is K,\n"
           "                   keeping their positions; join the shards with --merge.\n"
           "                   Particle Swarm Optimization draws random numbers, and\n"
           "                   each image's draws follow those of all earlier images,\n"
           "                   so a sharded swarm chain draws differently from (and\n"
           "                   reports other values than) a single run\n"
           "  --profile DIR    GIMP profile folder for --engine gimp\n"
           "  --merge OUT REPORT...\n"
           "                   append to OUT the report one run would have written: the\n"
           "                   last run of every shard report, header once, lines in\n"
           "                   position order\n"
           "\n"
           "Progress goes to standard error, one line per image. Exit status: 0 done,\n"
           "1 a file could not be read or written, 2 bad options or chain.\n";
}

std::vector<bool> shard_positions(std::size_t count, int shard_index, int shard_count) {
    std::vector<bool> wanted(count);
    for (std::size_t i = 0; i < count; ++i)
        wanted[i] = shard_count <= 1 || static_cast<int>(i % static_cast<std::size_t>(shard_count)) == shard_index;
    return wanted;
}

int run_benchmark(const bench_options& options, const image_reader& read, std::ostream& err) {
    register_passes();
    register_fitness_functions();
    owned_chain chain;
    std::string error;
    if (!parse_chain(options.chain, chain.passes, &error)) {
        err << "strandel-bench: --chain: " << error << "\n";
        return exit_usage;
    }

    std::vector<std::string> images = options.images;
    if (!options.list_file.empty() && !read_list_relative(options.list_file, &images, &error)) {
        err << "strandel-bench: " << error << "\n";
        return exit_failure;
    }

    std::FILE* results = std::fopen(options.out.c_str(), "a");
    if (!results) {
        err << "strandel-bench: Could not open '" << options.out << "': " << std::strerror(errno) << "\n";
        return exit_failure;
    }
    if (options.seeded) std::srand(options.seed);

    prefetching_reader prefetch(images, shard_positions(images.size(), options.shard_index, options.shard_count),
                                options.jobs, read);
    progress_lines progress_out(images, err);
    const image_reader reader = [&](const std::string& file, image_data& data, std::string* why) {
        progress_out.asked(prefetch.position());
        const read_status status = prefetch(file, data, why);
        progress_out.read(status);
        return status;
    };
    batch_progress progress;
    const std::atomic<bool> stop{false};
    const batch_outcome outcome =
        run_batch(images, chain.passes, results, registered_measures(), progress, stop, reader);
    progress_out.finish();
    if (!outcome.written) {
        err << "strandel-bench: Could not write '" << options.out << "': " << outcome.error << "\n";
        return exit_failure;
    }
    return exit_ok;
}

int run_merge(const bench_options& options, std::ostream& err) {
    std::string error;
    if (!merge_report_files(options.shard_reports, options.out, &error)) {
        err << "strandel-bench: --merge: " << error << "\n";
        return exit_failure;
    }
    return exit_ok;
}

int run_gimp_engine(const bench_options& options, std::ostream& err) {
    gimp_engine_options engine;
    engine.chain = options.chain;
    engine.seeded = options.seeded;
    engine.seed = options.seed;
    engine.list_file = options.list_file;
    engine.images = options.images;
    engine.out = options.out;
    engine.jobs = options.jobs;
    engine.shard_index = options.shard_index;
    engine.shard_count = options.shard_count;
    engine.profile = options.profile;
    return run_benchmark_in_gimp(engine, err);
}

}  // namespace strandel
