// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/bench_inputs.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "batch/ground_truth.h"
#include "batch/image_folder.h"
#include "decoding/label_png.h"
#include "tools/exit_status.h"

namespace strandel {

bool read_chains_file(const std::string& file, std::vector<std::string>* chains, std::string* error) {
    std::ifstream in(file);
    if (!in) {
        *error = "Could not open '" + file + "': " + std::strerror(errno);
        return false;
    }
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        chains->push_back(line.substr(first, line.find_last_not_of(" \t\r") + 1 - first));
    }
    if (in.bad()) {
        *error = "Could not read '" + file + "': " + std::strerror(errno);
        return false;
    }
    return true;
}

int resolve_bench_inputs(const bench_options& options, benchmark_request* run, left_out_files* left_out,
                         std::string* error) {
    *run = options.run;
    *left_out = left_out_files();
    std::vector<std::string> chains;
    for (const chain_argument& argument : options.chains) {
        if (!argument.from_file) {
            chains.push_back(argument.text);
            continue;
        }
        const std::size_t before = chains.size();
        if (!read_chains_file(argument.text, &chains, error)) return exit_failure;
        if (chains.size() == before) {
            *error = "--chains '" + argument.text + "' holds no chain";
            return exit_usage;
        }
    }
    run->chain = chains.size() == 1 ? chains[0] : "";
    run->chains = chains.size() > 1 ? chains : std::vector<std::string>();

    if (run->images.empty()) return exit_ok;
    std::vector<std::string> files;
    if (!expand_image_folders(options.run.images, &files, error, is_label_png, &left_out->label_images))
        return exit_failure;
    std::vector<image_request> requests = requests_with_ground_truth(files, run->ground_truth, "");
    left_out->manual_segmentations = drop_manual_segmentations(&requests);
    run->images.clear();
    for (const image_request& r : requests) run->images.push_back(r.image);
    if (run->images.empty()) {
        *error = "no images: the folders given hold no image file";
        return exit_usage;
    }
    return exit_ok;
}

std::string left_out_notes(const left_out_files& left_out, const std::string& prefix) {
    std::string notes;
    const std::size_t manual = left_out.manual_segmentations, labels = left_out.label_images;
    if (manual > 0)
        notes += prefix + ": left out " + std::to_string(manual) + (manual == 1 ? " file that is" : " files that are") +
                 " the manual segmentation of another image\n";
    if (labels > 0)
        notes += prefix + ": left out " + std::to_string(labels) + (labels == 1 ? " file that is" : " files that are") +
                 " a label image of Strandel (PNG text chunk \"Software: Strandel label image\") found in a "
                 "folder given as images\n";
    return notes;
}

}  // namespace strandel
