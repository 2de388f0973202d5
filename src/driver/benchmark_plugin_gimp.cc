// SPDX-License-Identifier: GPL-3.0-or-later
#include "driver/benchmark_plugin_gimp.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "batch/benchmark_list.h"
#include "batch/benchmark_runner.h"
#include "driver/benchmark_arguments.h"
#include "driver/read_image_gimp.h"
#include "evaluation/jaccard.h"
#include "evaluation/manual_segmentation_gimp.h"
#include "framework/pixel_region_gimp.h"

namespace strandel {

const char* const benchmark_procedure = "plug-in-strandel-benchmark";
const char* const benchmark_share_procedure = "plug-in-strandel-benchmark-share";
const char* const benchmark_floor_procedure = "plug-in-strandel-benchmark-floor";
const char* const benchmark_seeded_procedure = "plug-in-strandel-benchmark-seeded";

namespace {

gchar* text(const char* s) { return const_cast<gchar*>(s); }

// Return values must outlive run(): GIMP reads them after it returns.
GimpParam return_values[2];
std::string return_message;

void answer(gint* nreturn_vals, GimpParam** return_vals, GimpPDBStatusType status, int images,
            const std::string& message) {
    return_values[0].type = GIMP_PDB_STATUS;
    return_values[0].data.d_status = status;
    *return_vals = return_values;
    if (status == GIMP_PDB_SUCCESS) {
        return_values[1].type = GIMP_PDB_INT32;
        return_values[1].data.d_int32 = images;
    } else {
        // GIMP takes a string after a failed status as the error message.
        return_message = message;
        return_values[1].type = GIMP_PDB_STRING;
        return_values[1].data.d_string = const_cast<gchar*>(return_message.c_str());
    }
    *nreturn_vals = 2;
}

std::string string_argument(const GimpParam& param) { return param.data.d_string ? param.data.d_string : ""; }

void query() {
    static const GimpParamDef run_args[] = {
        {GIMP_PDB_INT32, text("run-mode"), text("The run mode { RUN-NONINTERACTIVE (1) }")},
        {GIMP_PDB_STRING, text("chain"),
         text("The passes, such as \"K-Means(10, 3); Fuzzy C-Means\"; empty: one AiNet pass")},
        {GIMP_PDB_STRING, text("list-file"),
         text("Benchmark list file, one image file per line; relative names are taken relative to its folder")},
        {GIMP_PDB_STRING, text("results-file"), text("Results file, appended to")},
        {GIMP_PDB_INT32, text("seed"), text("Seed of the random generator; negative: left unseeded")},
        {GIMP_PDB_INT32, text("first"), text("First list position processed (from 0)")},
        {GIMP_PDB_INT32, text("stride"), text("Positions processed: first, first + stride, ...")},
    };
    static const GimpParamDef floor_args[] = {run_args[0], run_args[2]};
    static const GimpParamDef seeded_args[] = {
        run_args[0],
        {GIMP_PDB_STRING, text("chains"),
         text("The chains compared, one a line (such as \"AiNet\nK-Means(10, 3)\"); empty: one AiNet pass")},
        run_args[2],
        {GIMP_PDB_STRING, text("results-file"),
         text("Results file, appended to; with several chains {n} in it becomes each chain's number from 1")},
        {GIMP_PDB_INT32, text("seed-each"),
         text("srand(seed-each + p) before each chain runs on the image at list position p; negative: left "
              "unseeded")},
        run_args[5],
        run_args[6],
        {GIMP_PDB_STRING, text("table-file"),
         text("CSV results table to create (an existing file is refused); empty: none")},
        {GIMP_PDB_STRING, text("ground-truth"),
         text("Manual segmentation of each image, with {dir}, {stem}, {ext} and {name} of the image; relative "
              "to the list file's folder; empty: NAME_seg.EXT beside NAME.EXT")},
    };
    static const GimpParamDef images_value[] = {
        {GIMP_PDB_INT32, text("images"), text("Number of images that got a report line")}};
    static const GimpParamDef floor_value[] = {{GIMP_PDB_INT32, text("images"), text("Number of images read")}};
    const char* author = "Strandel developers";

    gimp_install_procedure(benchmark_procedure, "Segment the images of a benchmark list with a chain of passes",
                           "Runs the batch segmentation without a dialog: every image of the benchmark list is "
                           "segmented with the chain and rated, and one line per image is appended to the "
                           "results file, as the batch dialog does.",
                           author, author, "2026", nullptr, "", GIMP_PLUGIN, 5, 1, run_args, images_value);
    gimp_install_procedure(benchmark_share_procedure, "Segment a share of the images of a benchmark list",
                           "As plug-in-strandel-benchmark, for the list positions first, first + stride, ... "
                           "only; the report keeps the positions of the whole list.",
                           author, author, "2026", nullptr, "", GIMP_PLUGIN, 7, 1, run_args, images_value);
    gimp_install_procedure(benchmark_seeded_procedure,
                           "Compare chains on a share of a benchmark list, reproducibly",
                           "As plug-in-strandel-benchmark-share, for several chains on one loading of every image, "
                           "with the generator seeded before each chain on each image, so that the report does not "
                           "depend on how the list is shared; optionally writes a CSV results table and finds "
                           "manual segmentations through a pattern.",
                           author, author, "2026", nullptr, "", GIMP_PLUGIN, 9, 1, seeded_args, images_value);
    gimp_install_procedure(benchmark_floor_procedure, "Load and read the images of a benchmark list",
                           "Loads every image of the benchmark list and its manual segmentation and reads their "
                           "pixels once: the cost of a benchmark run without the chain and the measures.",
                           author, author, "2026", nullptr, "", GIMP_PLUGIN, 2, 1, floor_args, floor_value);
}

// Reads every pixel byte of the layer once; the sum keeps the walk honest.
unsigned long long walk_layer(gint32 layer) {
    GimpDrawable* drawable = gimp_drawable_get(layer);
    unsigned long long sum = 0;
    if (drawable->width > 0 && drawable->height > 0) {
        const pixel_region region(drawable, 0, 0, int(drawable->width), int(drawable->height), false, false);
        const pixel_region::iterator end = region.end();
        for (pixel_region::iterator span = region.begin(); span != end; ++span)
            for (const unsigned char* p = (*span).first; p != (*span).second; ++p) sum += *p;
    }
    gimp_drawable_detach(drawable);
    return sum;
}

unsigned long long load_and_walk_file(const std::string& file, bool* loaded) {
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, file.c_str(), file.c_str());
    *loaded = image >= 0;
    if (image < 0) return 0;
    const gint32 layer = first_layer(image);
    const unsigned long long sum = layer >= 0 ? walk_layer(layer) : 0;
    gimp_image_delete(image);
    return sum;
}

void run(const gchar* name, gint nparams, const GimpParam* params, gint* nreturn_vals, GimpParam** return_vals) {
    const bool floor = std::strcmp(name, benchmark_floor_procedure) == 0;
    const bool seeded = std::strcmp(name, benchmark_seeded_procedure) == 0;
    const bool share = seeded || std::strcmp(name, benchmark_share_procedure) == 0;
    const gint expected = floor ? 2 : seeded ? 9 : share ? 7 : 5;
    if (nparams < expected) {
        answer(nreturn_vals, return_vals, GIMP_PDB_CALLING_ERROR, 0,
               std::string(name) + " takes " + std::to_string(expected) + " arguments, not " +
                   std::to_string(nparams));
        return;
    }
    if (params[0].data.d_int32 != GIMP_RUN_NONINTERACTIVE) {
        answer(nreturn_vals, return_vals, GIMP_PDB_CALLING_ERROR, 0,
               "run-mode " + std::to_string(params[0].data.d_int32) + ": " + name +
                   " runs only non-interactively (RUN-NONINTERACTIVE)");
        return;
    }

    request_outcome outcome;
    if (floor) {
        outcome = run_floor(string_argument(params[1]), load_and_walk_file, benchmark_floor_procedure);
    } else {
        benchmark_arguments arguments;
        arguments.kind = seeded ? benchmark_procedure_kind::seeded
                         : share ? benchmark_procedure_kind::share
                                 : benchmark_procedure_kind::whole;
        arguments.chain = string_argument(params[1]);
        arguments.list_file = string_argument(params[2]);
        arguments.results_file = string_argument(params[3]);
        arguments.seed = params[4].data.d_int32;
        if (share) {
            arguments.first = params[5].data.d_int32;
            arguments.stride = params[6].data.d_int32;
        }
        if (seeded) {
            arguments.table_file = string_argument(params[7]);
            arguments.ground_truth = string_argument(params[8]);
        }
        const benchmark_request request = benchmark_request_from(arguments);
        outcome = run_benchmark_request(request, read_image_with_gimp, headless_runner_output());
    }
    const GimpPDBStatusType status = outcome.status == request_status::success         ? GIMP_PDB_SUCCESS
                                     : outcome.status == request_status::calling_error ? GIMP_PDB_CALLING_ERROR
                                                                                       : GIMP_PDB_EXECUTION_ERROR;
    // Script-Fu and GIMP name the procedure themselves in front of the message.
    answer(nreturn_vals, return_vals, status, outcome.lines, outcome.message);
}

}  // namespace

const GimpPlugInInfo benchmark_plug_in_info = {nullptr, nullptr, query, run};

}  // namespace strandel
