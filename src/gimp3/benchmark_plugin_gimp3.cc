// SPDX-License-Identifier: GPL-3.0-or-later
// The strandel-benchmark plug-in for GIMP 3: the procedures of GIMP 2.10's
// driver/benchmark_plugin_gimp.h, with the same arguments (as GIMP 3
// arguments with their ranges) and results.
#include <libgimp/gimp.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "batch/benchmark_list.h"
#include "batch/benchmark_runner.h"
#include "driver/benchmark_arguments.h"
#include "driver/read_image_gimp.h"
#include "evaluation/jaccard.h"
#include "gimp3/drawable_rows_gimp3.h"
#include "gimp3/image_files_gimp3.h"
#include "gimp3/plug_in_gimp3.h"

namespace strandel {
namespace {

const char* const benchmark_procedure = "plug-in-strandel-benchmark";
const char* const share_procedure = "plug-in-strandel-benchmark-share";
const char* const seeded_procedure = "plug-in-strandel-benchmark-seeded";
const char* const floor_procedure = "plug-in-strandel-benchmark-floor";

GimpPDBStatusType pdb_status(request_status status) {
    switch (status) {
    case request_status::success: return GIMP_PDB_SUCCESS;
    case request_status::calling_error: return GIMP_PDB_CALLING_ERROR;
    case request_status::execution_error: break;
    }
    return GIMP_PDB_EXECUTION_ERROR;
}

benchmark_arguments arguments_of(const std::string& name, GimpProcedureConfig* config) {
    benchmark_arguments arguments;
    const bool seeded = name == seeded_procedure;
    arguments.kind = seeded ? benchmark_procedure_kind::seeded
                     : name == share_procedure ? benchmark_procedure_kind::share
                                               : benchmark_procedure_kind::whole;
    arguments.chain = config_string(config, seeded ? "chains" : "chain");
    arguments.list_file = config_string(config, "list-file");
    arguments.results_file = config_string(config, "results-file");
    g_object_get(config, seeded ? "seed-each" : "seed", &arguments.seed, nullptr);
    if (arguments.kind != benchmark_procedure_kind::whole)
        g_object_get(config, "first", &arguments.first, "stride", &arguments.stride, nullptr);
    if (seeded) {
        arguments.table_file = config_string(config, "table-file");
        arguments.ground_truth = config_string(config, "ground-truth");
    }
    return arguments;
}

// Reads every pixel byte of the file's first layer once; the sum keeps
// the walk honest.
unsigned long long load_and_walk_file(const std::string& file, bool* loaded) {
    GimpImage* image = load_image_file(file);
    *loaded = image != nullptr;
    if (!image) return 0;
    unsigned long long sum = 0;
    if (GimpDrawable* layer = first_layer(image)) {
        const int width = gimp_drawable_get_width(layer), bpp = drawable_bpp(layer);
        for_each_band(layer, 0, 0, width, gimp_drawable_get_height(layer), 64,
                      [&](int, int rows, const unsigned char* bytes) {
                          const std::size_t n = std::size_t(width) * std::size_t(rows) * std::size_t(bpp);
                          for (std::size_t i = 0; i < n; ++i) sum += bytes[i];
                      });
    }
    gimp_image_delete(image);
    return sum;
}

GimpValueArray* run(GimpProcedure* procedure, GimpProcedureConfig* config, gpointer) {
    const std::string name = gimp_procedure_get_name(procedure);
    const GimpRunMode mode = config_run_mode(config);
    if (mode != GIMP_RUN_NONINTERACTIVE)
        return failure(procedure, GIMP_PDB_CALLING_ERROR,
                       "run-mode " + std::to_string(int(mode)) + ": " + name +
                           " runs only non-interactively (RUN-NONINTERACTIVE)");
    const request_outcome outcome =
        name == floor_procedure
            ? run_floor(config_string(config, "list-file"), load_and_walk_file, floor_procedure)
            : run_benchmark_request(benchmark_request_from(arguments_of(name, config)), read_image_with_gimp,
                                    headless_runner_output());
    if (outcome.status != request_status::success) return failure(procedure, pdb_status(outcome.status), outcome.message);
    GimpValueArray* values = gimp_procedure_new_return_values(procedure, GIMP_PDB_SUCCESS, nullptr);
    GIMP_VALUES_SET_INT(values, 1, outcome.lines);
    return values;
}

void add_list_file(GimpProcedure* procedure) {
    gimp_procedure_add_string_argument(
        procedure, "list-file", "List file",
        "Benchmark list file, one image file per line; relative names are taken relative to its folder", "",
        G_PARAM_READWRITE);
}

void add_share(GimpProcedure* procedure) {
    gimp_procedure_add_int_argument(procedure, "first", "First", "First list position processed (from 0)", 0,
                                    G_MAXINT, 0, G_PARAM_READWRITE);
    gimp_procedure_add_int_argument(procedure, "stride", "Stride", "Positions processed: first, first + stride, ...",
                                    1, G_MAXINT, 1, G_PARAM_READWRITE);
}

void add_whole_arguments(GimpProcedure* procedure) {
    gimp_procedure_add_string_argument(procedure, "chain", "Chain",
                                       "The passes, such as \"K-Means(10, 3); Fuzzy C-Means\"; empty: one AiNet "
                                       "pass",
                                       "", G_PARAM_READWRITE);
    add_list_file(procedure);
    gimp_procedure_add_string_argument(procedure, "results-file", "Results file", "Results file, appended to", "",
                                       G_PARAM_READWRITE);
    gimp_procedure_add_int_argument(procedure, "seed", "Seed",
                                    "Seed of the random generator; negative: left unseeded", G_MININT, G_MAXINT, -1,
                                    G_PARAM_READWRITE);
}

void add_seeded_arguments(GimpProcedure* procedure) {
    gimp_procedure_add_string_argument(
        procedure, "chains", "Chains",
        "The chains compared, one a line (such as \"AiNet\\nK-Means(10, 3)\"); empty: one AiNet pass", "",
        G_PARAM_READWRITE);
    add_list_file(procedure);
    gimp_procedure_add_string_argument(
        procedure, "results-file", "Results file",
        "Results file, appended to; with several chains {n} in it becomes each chain's number from 1", "",
        G_PARAM_READWRITE);
    gimp_procedure_add_int_argument(
        procedure, "seed-each", "Seed each",
        "srand(seed-each + p) before each chain runs on the image at list position p; negative: left unseeded",
        G_MININT, G_MAXINT, -1, G_PARAM_READWRITE);
    add_share(procedure);
    gimp_procedure_add_string_argument(procedure, "table-file", "Table file",
                                       "CSV results table to create (an existing file is refused); empty: none", "",
                                       G_PARAM_READWRITE);
    gimp_procedure_add_string_argument(
        procedure, "ground-truth", "Ground truth",
        "Manual segmentation of each image, with {dir}, {stem}, {ext} and {name} of the image; relative to the "
        "list file's folder; empty: NAME_seg.EXT beside NAME.EXT",
        "", G_PARAM_READWRITE);
}

GimpProcedure* make_procedure(GimpPlugIn* plug_in, const gchar* name) {
    GimpProcedure* procedure = gimp_procedure_new(plug_in, name, GIMP_PDB_PROC_TYPE_PLUGIN, run, nullptr, nullptr);
    add_run_mode_argument(procedure);
    const std::string which = name;
    if (which == benchmark_procedure) {
        gimp_procedure_set_documentation(
            procedure, "Segment the images of a benchmark list with a chain of passes",
            "Runs the batch segmentation without a dialog: every image of the benchmark list is segmented with the "
            "chain and rated, and one line per image is appended to the results file, as the batch dialog does.",
            name);
        add_whole_arguments(procedure);
    } else if (which == share_procedure) {
        gimp_procedure_set_documentation(procedure, "Segment a share of the images of a benchmark list",
                                         "As plug-in-strandel-benchmark, for the list positions first, first + "
                                         "stride, ... only; the report keeps the positions of the whole list.",
                                         name);
        add_whole_arguments(procedure);
        add_share(procedure);
    } else if (which == seeded_procedure) {
        gimp_procedure_set_documentation(
            procedure, "Compare chains on a share of a benchmark list, reproducibly",
            "As plug-in-strandel-benchmark-share, for several chains on one loading of every image, with the "
            "generator seeded before each chain on each image, so that the report does not depend on how the list "
            "is shared; optionally writes a CSV results table and finds manual segmentations through a pattern.",
            name);
        add_seeded_arguments(procedure);
    } else {
        gimp_procedure_set_documentation(procedure, "Load and read the images of a benchmark list",
                                         "Loads every image of the benchmark list and its manual segmentation and "
                                         "reads their pixels once: the cost of a benchmark run without the chain "
                                         "and the measures.",
                                         name);
        add_list_file(procedure);
    }
    gimp_procedure_add_int_return_value(procedure, "images", "Images",
                                        which == floor_procedure ? "Number of images read"
                                                                 : "Number of images that got a report line",
                                        0, G_MAXINT, 0, G_PARAM_READWRITE);
    set_attribution(procedure);
    return procedure;
}

}  // namespace
}  // namespace strandel

int main(int argc, char* argv[]) {
    using namespace strandel;
    return run_plug_in(argc, argv, {benchmark_procedure, share_procedure, seeded_procedure, floor_procedure},
                       make_procedure);
}
