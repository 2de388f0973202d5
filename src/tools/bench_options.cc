// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_options.h"

#include "batch/engine_environment.h"
#include "batch/ground_truth.h"
#include "framework/message_text.h"
#include "framework/number_text.h"
#include "tools/command_line.h"

namespace strandel {

namespace {

constexpr int max_jobs = 256;

bool parse_shard(const std::string& text, int* index, int* count) {
    const std::size_t slash = text.find('/');
    long long k = 0, n = 0;
    if (slash == std::string::npos || !parse_integer(text.substr(slash + 1), 1, 1000000, &n) ||
        !parse_integer(text.substr(0, slash), 0, n - 1, &k))
        return false;
    *index = static_cast<int>(k);
    *count = static_cast<int>(n);
    return true;
}

const std::vector<option_spec>& bench_option_specs() {
    static const std::vector<option_spec> specs = {
        {"-h,--help", false}, {"--require-ground-truth", false}, {"--allow-incomplete", false},
        {"--chain"}, {"--chains"}, {"--seed"}, {"--seed-each"}, {"--list"}, {"--out"}, {"--jobs"}, {"--engine"},
        {"--shard"}, {"--profile"}, {"--merge"}, {"--table"}, {"--ground-truth"}, {"--save-segmentations"},
        {"--boundary", false}, {"--score"}, {"--measures"}, {"--table-annotators"}, {"--gray"}, {"--levels"}};
    return specs;
}

// The options of what is rated and how images are counted; false with the
// reason for a bad value, and for an option that is none of them.
bool apply_evaluation_option(const std::string& arg, const std::string& value, benchmark_request* run,
                             std::string* error) {
    if (arg == "--boundary") {
        run->boundary = true;
    } else if (arg == "--score") {
        scored_method method;
        if (!parse_scored_method(value, &method) || method.name.empty()) {
            *error = "--score '" + message_quote(value) + "' is not NAME=PATTERN (such as 'unet=masks/{stem}.png')";
            return false;
        }
        run->scores.push_back(method);
    } else if (arg == "--measures") {
        if (value != "boundary") {
            *error = "--measures '" + message_quote(value) + "': the measures to add are: boundary";
            return false;
        }
        run->boundary = true;
    } else if (arg == "--table-annotators") {
        if (value.empty()) {
            *error = "--table-annotators needs a file name";
            return false;
        }
        run->annotator_table = value;
    } else if (arg == "--gray") {
        if (value != "blue" && value != "luma") {
            *error = "--gray '" + message_quote(value) + "': give blue (the blue byte, as GIMP's batch) or luma";
            return false;
        }
        run->gray = value == "luma" ? gray_rule::luma : gray_rule::blue;
    } else if (arg == "--levels") {
        if (value != "scale" && value != "stretch") {
            *error = "--levels '" + message_quote(value) + "': give scale or stretch";
            return false;
        }
        run->levels = value == "stretch" ? level_rule::stretch : level_rule::scale;
    } else {
        *error = "unknown option '" + message_quote(arg) + "'";
        return false;
    }
    return true;
}

// Which options were given at all, for the checks of combinations.
struct given_options {
    bool out = false, jobs = false, shard = false, engine = false;
};

// The options that shape the run (seeds, threads, engine, shard), or else
// the evaluation's.
bool apply_run_option(const std::string& arg, const std::string& value, bench_options* o, given_options* given,
                      std::string* error) {
    benchmark_request* run = &o->run;
    if (arg == "--seed-each") {
        long long seed = 0;
        if (!parse_integer(value, 0, 2147483647LL, &seed)) {
            *error = "--seed-each '" + value + "' is not a whole number from 0 to 2147483647";
            return false;
        }
        run->seeded_each = true;
        run->seed_each = static_cast<unsigned>(seed);
    } else if (arg == "--seed") {
        long long seed = 0;
        if (!parse_integer(value, 0, 4294967295LL, &seed)) {
            *error = "--seed '" + message_quote(value) + "' is not a whole number from 0 to 4294967295";
            return false;
        }
        run->seeded = true;
        run->seed = static_cast<unsigned>(seed);
    } else if (arg == "--jobs") {
        long long jobs = 0;
        if (!parse_integer(value, 1, max_jobs, &jobs)) {
            *error = "--jobs '" + message_quote(value) + "' is not a whole number from 1 to " + std::to_string(max_jobs);
            return false;
        }
        run->jobs = static_cast<int>(jobs);
        given->jobs = true;
    } else if (arg == "--engine") {
        if (value == "native")
            o->engine = bench_engine::native;
        else if (value == "gimp")
            o->engine = bench_engine::gimp;
        else {
            *error = "--engine '" + message_quote(value) + "' is not an engine: give native or gimp";
            return false;
        }
        given->engine = true;
    } else if (arg == "--shard") {
        if (!parse_shard(value, &run->shard_index, &run->shard_count)) {
            *error = "--shard '" + message_quote(value) + "' is not K/N with 0 <= K < N (such as 0/4)";
            return false;
        }
        given->shard = true;
        o->sharded = true;
    } else {
        return apply_evaluation_option(arg, value, run, error);
    }
    return true;
}

// One option's value into `o`, or false with the reason.
bool apply_option(const option_use& use, bench_options* o, given_options* given, std::string* error) {
    const std::string& arg = use.name;
    const std::string& value = use.value;
    benchmark_request& run = o->run;
    if (arg == "--help") {
        o->help = true;
    } else if (arg == "--require-ground-truth") {
        run.require_ground_truth = true;
    } else if (arg == "--allow-incomplete") {
        o->allow_incomplete = true;
    } else if (arg == "--chain" || arg == "--chains") {
        o->chains.push_back({arg == "--chains", value});
    } else if (arg == "--table") {
        if (value.empty()) {
            *error = "--table needs a file name";
            return false;
        }
        run.table_file = value;
    } else if (arg == "--save-segmentations") {
        if (value.empty()) {
            *error = "--save-segmentations needs a folder";
            return false;
        }
        run.segmentations = value;
    } else if (arg == "--ground-truth") {
        if (!check_ground_truth_pattern(value, error)) return false;
        run.ground_truth = value;
    } else if (arg == "--list") {
        run.list_file = value;
    } else if (arg == "--out") {
        run.results_file = value;
        given->out = true;
    } else if (arg == "--profile") {
        o->profile = value;
    } else if (arg == "--merge") {
        o->merge = true;
        o->merged = value;
    } else {
        return apply_run_option(arg, value, o, given, error);
    }
    return true;
}

bool check_merge(const bench_options& o, const given_options& given, std::string* error) {
    const benchmark_request& run = o.run;
    if (!o.chains.empty() || run.seeded || run.seeded_each || !run.list_file.empty() || given.out || given.jobs ||
        given.shard || given.engine || !o.profile.empty() || !run.table_file.empty() || !run.ground_truth.empty() ||
        !run.segmentations.empty() || run.require_ground_truth || !run.scores.empty() || run.boundary ||
        !run.annotator_table.empty() || run.gray != gray_rule::blue || run.levels != level_rule::scale) {
        *error = "--merge takes only the merged report and the shard reports";
        return false;
    }
    if (o.shard_reports.empty()) {
        *error = "--merge needs at least one shard report after the merged report's name";
        return false;
    }
    return true;
}

bool check_run(const bench_options& o, const given_options& given, std::string* error) {
    const benchmark_request& run = o.run;
    if (o.allow_incomplete) {
        *error = "--allow-incomplete is used only by --merge";
        return false;
    }
    if (!run.list_file.empty() && !run.images.empty()) {
        *error = "give either --list FILE or image files, not both";
        return false;
    }
    if (run.list_file.empty() && run.images.empty()) {
        *error = "no images: give --list FILE or image files";
        return false;
    }
    if (!given.out || run.results_file.empty()) {
        *error = "no results file: give --out RESULTS";
        return false;
    }
    if (run.seeded && run.seeded_each) {
        *error = "give either --seed or --seed-each, not both";
        return false;
    }
    if (!run.segmentations.empty() && o.engine == bench_engine::gimp) {
        *error = "--save-segmentations works with --engine native only: the GIMP engine hands back report "
                 "lines, not pixels (the native engine reads every image as GIMP does)";
        return false;
    }
    if (!o.profile.empty() && o.engine != bench_engine::gimp) {
        *error = "--profile is used only by --engine gimp";
        return false;
    }
    return true;
}

}  // namespace

bool parse_bench_options(int argc, const char* const* argv, bench_options* o, std::string* error) {
    *o = bench_options();
    command_line line;
    command_line_error fault;
    if (!read_command_line(argc, argv, bench_option_specs(), &line, &fault)) {
        *error = command_line_message(fault, {"'", true, "option "});
        return false;
    }
    given_options given;
    for (const option_use& use : line.options)
        if (!apply_option(use, o, &given, error)) return false;
    o->arguments.assign(argv + 1, argv + argc);
    for (const option_use& use : line.options) o->given.emplace_back(use.name, use.value);
    if (o->help) return true;
    if (o->chains.size() == 1 && !o->chains[0].from_file) o->run.chain = o->chains[0].text;
    if (o->merge) {
        o->shard_reports = line.operands;
        return check_merge(*o, given, error);
    }
    o->run.images = line.operands;
    return check_run(*o, given, error);
}

std::string bench_usage() {
    return "Usage: strandel-bench [--chain CHAIN]... [--chains FILE] [--seed N | --seed-each N]\n"
           "                      (--list FILE | IMAGE_OR_FOLDER...) --out RESULTS [--table FILE.csv]\n"
           "                      [--ground-truth PATTERN [--require-ground-truth]]\n"
           "                      [--jobs N] [--engine native|gimp]\n"
           "                      [--shard K/N] [--profile DIR] [--save-segmentations DIR]\n"
           "                      [--score NAME=PATTERN]... [--boundary] [--table-annotators FILE.csv]\n"
           "                      [--gray blue|luma] [--levels scale|stretch]\n"
           "                      [--config FILE]\n"
           "       strandel-bench --merge OUT SHARD_REPORT... [--allow-incomplete]\n"
           "       strandel-bench --merge OUT.csv SHARD_TABLE... [--allow-incomplete]\n"
           "\n"
           "Segments every image of a benchmark with each chain of passes and appends one\n"
           "report run per chain (a header, then one line per image) to RESULTS, as the\n"
           "batch plug-in does. Every image is read once, whatever the number of chains.\n"
           "\n"
           "  --chain CHAIN    the passes, such as \"K-Means(10, 3); Fuzzy C-Means\"; a pass\n"
           "                   without parentheses keeps its defaults (default: one AiNet).\n"
           "                   May be given several times: the chains run in that order;\n"
           "                   a chain given twice (the same passes and parameters,\n"
           "                   however written) or an empty one among several is refused\n"
           "  --chains FILE    more chains, one a line; blank lines and lines starting\n"
           "                   with # are ignored\n"
           "  --seed N         seed the random generator with N once (default: never\n"
           "                   seeded, as in the plug-in)\n"
           "  --seed-each N    seed it with N + p before each chain runs on the image at\n"
           "                   position p (0 <= N < 2^31): every chain's report, swarms\n"
           "                   included, is then the same for any --jobs, --shard, engine\n"
           "                   and set of chains\n"
           "  --list FILE      a benchmark list file, one image per line; relative names\n"
           "                   are taken relative to the list file's folder\n"
           "  IMAGE_OR_FOLDER  image files; a folder stands for the image files in it\n"
           "                   (by name, not recursing). Files that are the manual\n"
           "                   segmentation of another given image, and label images\n"
           "                   Strandel wrote, are left out\n"
           "  --out RESULTS    the results file, appended to; {n} in it becomes the chain's\n"
           "                   number from 1 (e.g. results-{n}.txt), and with several chains\n"
           "                   it must be there. Outputs that are one file (links and other\n"
           "                   spellings included) or an input of the run are refused\n"
           "  --table FILE.csv also write a CSV table, one row per chain and image, every\n"
           "                   value at full precision (strandel-report reads it); an\n"
           "                   existing file is refused. When the run ends, FILE.csv.json\n"
           "                   records how it was made. Its status column is ok, or\n"
           "                   'skipped: REASON' for an image the chain did not rate.\n"
           "                   Relative paths in it are relative to the table's folder.\n"
           "                   A list naming one image twice is then refused\n"
           "  --save-segmentations DIR\n"
           "                   save every image's segmentation by every chain as the\n"
           "                   label image DIR/STEM.N.png (STEM the image's name without\n"
           "                   its extension, N the chain's number from 1): each pixel's\n"
           "                   class index, 8-bit gray (16-bit past 256 classes). Only\n"
           "                   label images of Strandel are replaced (native engine only).\n"
           "                   A label image that is not written makes the exit status 1\n"
           "  --ground-truth PATTERN\n"
           "                   where each image's manual segmentation lies, with {dir},\n"
           "                   {stem}, {ext} and {name} of the image, e.g.\n"
           "                   'groundTruth/{stem}.png'. A pattern starting with / is\n"
           "                   absolute, one starting with {dir} starts from the image's\n"
           "                   folder; any other is relative to the list file's folder,\n"
           "                   or to the current folder for images named on the command\n"
           "                   line (default: NAME_seg.EXT beside NAME.EXT). Several\n"
           "                   annotators: {k} becomes 1, 2, ... up to the first missing\n"
           "                   file, and * matches several files (sorted by name). Label\n"
           "                   images of 8 or 16 bits (labels are the values), or MATLAB\n"
           "                   files with a cell array groundTruth (one per annotator)\n"
           "  --score NAME=PATTERN\n"
           "                   rate a method's own label images (PATTERN as for\n"
           "                   --ground-truth) beside the chains: its results file is\n"
           "                   numbered after them, its table rows' chain is NAME\n"
           "  --boundary       add boundary precision, recall and F (costly; also\n"
           "                   --measures boundary)\n"
           "  --table-annotators FILE.csv\n"
           "                   also write one row per method, image and annotator\n"
           "  --gray blue|luma colour pixels count by their blue byte (default, as\n"
           "                   GIMP's batch) or by their luma (OpenCV's RGB2GRAY)\n"
           "  --levels scale|stretch\n"
           "                   16-bit images scaled to 8 bits (default) or stretched from\n"
           "                   their own lowest to highest value onto 0-255\n"
           "  --require-ground-truth\n"
           "                   refuse the run, before it starts, when an image has no\n"
           "                   manual segmentation file (the first few are named)\n"
           "  --jobs N         read and decode images on N threads ahead of the chains\n"
           "                   (default 1); the report is the same for every N.\n"
           "                   With --engine gimp: N GIMPs on interleaved shares of\n"
           "                   the list\n"
           "  --engine E       native (default): images decoded in-process with GEGL;\n"
           "                   gimp: images loaded by headless GIMPs (gimp-console)\n"
           "  --shard K/N      process only the images whose position modulo N is K,\n"
           "                   keeping their positions; join the shards with --merge.\n"
           "                   Each report run ends with the line '# end of shard K/N'\n"
           "                   once the shard is done.\n"
           "                   Without --seed-each, Particle Swarm Optimization draws\n"
           "                   numbers that follow those of all earlier images, so a\n"
           "                   split swarm chain reports other values than a single run\n"
           "  --profile DIR    GIMP profile folder for --engine gimp\n"
           "  --merge OUT REPORT...\n"
           "                   append to OUT the report one run would have written: the\n"
           "                   last run of every shard report, header once, lines in\n"
           "                   position order. Given tables, write the table OUT (which\n"
           "                   must not exist) with their rows in a single run's order\n"
           "                   (by position, each image's chains in order), and its\n"
           "                   provenance OUT.json. A shard whose run did not finish (no\n"
           "                   end-of-run mark: the '# end of shard K/N' line a --shard\n"
           "                   run ends its report with, or a table's provenance file\n"
           "                   TABLE.json) is refused, and so is a set of shards that\n"
           "                   misses one\n"
           "  --allow-incomplete\n"
           "                   merge such shards all the same\n"
           "  --config FILE    read options from FILE: one 'name = value' a line, the\n"
           "                   option's name without dashes (chain = [\"AiNet\", \"K-Means\"]\n"
           "                   for several, require-ground-truth = true for a flag);\n"
           "                   an option on the command line replaces the file's\n"
           "\n"
           "Progress goes to standard error, one line per image, and a closing line: how\n"
           "many images were read and skipped (by reason), and for how many ground truth\n"
           "was found. Exit status: 0 done (even when images were skipped), 1 a file\n"
           "could not be read or written (a label image included) or an output is refused,\n"
           "2 bad options or chain.\n";
}

}  // namespace strandel
