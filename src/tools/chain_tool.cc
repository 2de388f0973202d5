// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/chain_tool.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "batch/chain_syntax.h"
#include "batch/registration.h"
#include "batch/label_images.h"
#include "decoding/histogram_input.h"
#include "decoding/label_png.h"
#include "decoding/native_image_gegl.h"
#include "evaluation/classification.h"
#include "evaluation/fitness_function.h"
#include "framework/chain.h"
#include "framework/message_text.h"
#include "framework/number_text.h"
#include "framework/temporary_files.h"
#include "tools/command_line.h"
#include "tools/exit_status.h"

namespace strandel {

namespace {

struct tool_options {
    bool help = false;
    bool have_chain = false;
    std::string chain;
    bool no_chain = false;
    bool have_seed = false;
    unsigned seed = 0;
    bool have_centres = false;
    std::vector<double> centres;
    std::string image;
    std::string histogram_file;
    std::string save;  // label image to write; empty: none
};

std::string number(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.10g", v);
    return buffer;
}

bool parse_seed(const std::string& text, unsigned* seed) {
    long long v = 0;
    if (!parse_integer(text, 0, 0xffffffffLL, &v)) return false;
    *seed = static_cast<unsigned>(v);
    return true;
}

std::string trim_blanks(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Comma-separated gray levels, each a plain decimal number from 0 to 255.
bool parse_centres(const std::string& text, std::vector<double>* centres, std::string* error) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            trim_blanks(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        double v = 0;
        if (!parse_decimal(item, 0, 255, &v)) {
            *error = "--centres: \"" + message_quote(item) + "\" is not a gray level from 0 to 255";
            return false;
        }
        centres->push_back(v);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

const std::vector<option_spec>& chain_option_specs() {
    static const std::vector<option_spec> specs = {{"-h,--help", false}, {"--no-chain", false}, {"--chain"},
                                                   {"--seed"},          {"--centres"},          {"--histogram"},
                                                   {"--save"}};
    return specs;
}

// One option's value into `options`, or false with the reason.
bool apply_option(const option_use& use, tool_options* options, std::string* error) {
    const std::string& arg = use.name;
    const std::string& value = use.value;
    auto once = [&](bool seen) {
        if (seen) *error = arg + " given twice";
        return !seen;
    };
    if (arg == "--help") {
        options->help = true;
    } else if (arg == "--chain") {
        if (!once(options->have_chain)) return false;
        options->have_chain = true;
        options->chain = value;
    } else if (arg == "--no-chain") {
        if (!once(options->no_chain)) return false;
        options->no_chain = true;
    } else if (arg == "--seed") {
        if (!once(options->have_seed)) return false;
        if (!parse_seed(value, &options->seed)) {
            *error = "--seed: \"" + message_quote(value) + "\" is not an integer from 0 to 4294967295";
            return false;
        }
        options->have_seed = true;
    } else if (arg == "--centres") {
        if (!once(options->have_centres) || !parse_centres(value, &options->centres, error)) return false;
        options->have_centres = true;
    } else if (arg == "--histogram" || arg == "--save") {
        std::string& file = arg == "--save" ? options->save : options->histogram_file;
        if (!once(!file.empty())) return false;
        if (value.empty()) {
            *error = arg + " needs a file name";
            return false;
        }
        file = value;
    }
    return true;
}

// Fills `options` or returns false with the reason in `error`.
bool parse_arguments(const std::vector<std::string>& args, tool_options* options, std::string* error) {
    std::vector<const char*> argv = {"strandel-chain"};
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    command_line line;
    command_line_error fault;
    if (!read_command_line(static_cast<int>(argv.size()), argv.data(), chain_option_specs(), &line, &fault)) {
        *error = command_line_message(fault, {"\"", false, ""});
        return false;
    }
    for (const option_use& use : line.options)
        if (!apply_option(use, options, error)) return false;
    const std::vector<std::string>& positional = line.operands;
    if (options->help) return true;

    if (positional.size() > 1) {
        *error = "more than one image given (\"" + message_quote(positional[0]) + "\", \"" + message_quote(positional[1]) + "\")";
        return false;
    }
    if (!positional.empty()) options->image = positional[0];
    if (!options->image.empty() && !options->histogram_file.empty()) {
        *error = "give either an image or --histogram, not both";
        return false;
    }
    if (options->image.empty() && options->histogram_file.empty()) {
        *error = "no input: give an IMAGE or --histogram FILE";
        return false;
    }
    if (!options->save.empty() && options->image.empty()) {
        *error = "--save needs an image: a histogram has no pixels to label";
        return false;
    }
    if (options->no_chain && options->have_chain) {
        *error = "--chain and --no-chain exclude each other";
        return false;
    }
    return true;
}

void print_results(const histogram& h, const std::vector<double>& centres, std::ostream& out) {
    class_map classes;
    classify(h, centres, &classes);

    out << "classes\t" << centres.size() << '\n';
    out << "centres";
    for (double c : centres) out << '\t' << number(c);
    out << '\n';
    for (const fitness_function* f : *fitness_function_repertoire::instance())
        out << f->label() << '\t' << number((*f)(h, centres, classes)) << '\n';
}

// An image read as the native engine reads it, its gray plane kept when a
// label image is to be written.
bool read_image(const std::string& file, bool keep_gray, image_data& data, std::string* error) {
    image_request request;
    request.image = file;
    request.keep_gray = keep_gray;
    std::string why;
    if (read_image_native(request, data, &why) == read_status::ok) return true;
    *error = file + ": " + (why.empty() ? std::string("it could not be read") : why);
    return false;
}

bool save_labels(const std::string& file, const image_data& data, const std::vector<double>& centres,
                 const label_store& labels, std::string* error) {
    if (centres.size() > max_label_classes) {
        *error = std::to_string(centres.size()) + " classes do not fit a 16-bit label image";
        return false;
    }
    // What a killed run left beside it goes first, as strandel-bench does.
    const std::string folder = std::filesystem::path(file).parent_path().string();
    remove_stale_temporaries(folder.empty() ? "." : folder, labels.temporary_prefix());
    return labels.write(file, data.gray, label_lookup(data.h, centres), needs_sixteen_bits(centres.size()), error);
}

}  // namespace

std::string chain_tool_usage() {
    register_passes();
    std::ostringstream text;
    text << "Usage: strandel-chain [--chain CHAIN | --no-chain] [--centres LIST] [--seed N]\n"
            "                      (IMAGE [--save LABELS.png] | --histogram FILE) [--config FILE]\n"
            "\n"
            "Segments one gray-level image by running a chain of clustering passes on its\n"
            "histogram, then prints the classes and every quality measure.\n"
            "\n"
            "  IMAGE              an image the native engine of strandel-bench reads (PNG,\n"
            "                     PGM, JPEG, TIFF, ...): gray pixels by their gray level,\n"
            "                     colour ones by their third (blue) byte, alpha ignored\n"
            "  --save LABELS.png  write the segmentation as a label image: each pixel's\n"
            "                     class index, 8-bit gray (16-bit past 256 classes); an\n"
            "                     existing file is replaced only if it is a label image\n"
            "                     of Strandel\n"
            "  --histogram FILE   256 white-space separated pixel counts, gray levels 0 to 255\n"
            "  --chain CHAIN      the passes to run (default: one AiNet pass)\n"
            "  --no-chain         run no pass: rate the starting centres as they are\n"
            "  --centres LIST     comma-separated gray levels to start from (default: none,\n"
            "                     so the first pass seeds its own)\n"
            "  --seed N           seed the random generator with srand(N) first\n"
            "  --config FILE      read options from FILE, one 'name = value' a line (the\n"
            "                     option's name without dashes); the command line's win\n"
            "  --help             this text\n"
            "\n"
            "Output, tab-separated: \"classes N\", \"centres\" with each centre, then one\n"
            "line per measure with its value.\n"
            "Exit status: 0 success, 1 unreadable or invalid input file, 2 bad chain or\n"
            "arguments.\n"
            "\n"
            "Chain syntax: passes separated by ';', each a label below, optionally followed\n"
            "by all its parameters in parentheses, in this order, separated by commas;\n"
            "without parentheses the defaults are used. Example:\n"
            "  --chain 'K-Means(10, 3); Fuzzy C-Means'\n"
            "\n"
            "Passes and their parameters (default in brackets):\n";
    for (const pass* p : *pass_repertoire::instance()) {
        text << "  " << p->label() << '\n';
        for (unsigned i = 0; i < p->nr_parameters(); ++i) {
            const param_info& info = p->parameter_info(i);
            const param& value = p->parameter_value(i);
            text << "    " << (i + 1) << ". " << info.label() << ": " << describe_range(info) << " ["
                 << (value.type() == param_int ? std::to_string(value.int_value()) : number(value.double_value()))
                 << "]\n";
        }
    }
    return text.str();
}

int run_chain_tool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    register_passes();
    register_fitness_functions();

    tool_options options;
    std::string error;
    if (!parse_arguments(args, &options, &error)) {
        err << "strandel-chain: " << error << "\n(try --help)\n";
        return exit_usage;
    }
    if (options.help) {
        out << chain_tool_usage();
        return exit_ok;
    }

    chain passes;
    if (!options.no_chain && !parse_chain(options.chain, passes, &error)) {
        err << "strandel-chain: --chain: " << error << '\n';
        return exit_usage;
    }

    const png_label_store labels;
    if (!options.save.empty() && !labels.may_replace(options.save, &error)) {
        err << "strandel-chain: " << options.save << ": " << error << '\n';
        return exit_failure;
    }
    auto data_owner = std::make_unique<image_data>();  // its pair counts are too big for the stack
    image_data& data = *data_owner;
    histogram& h = data.h;
    const std::string& input = options.histogram_file.empty() ? options.image : options.histogram_file;
    bool read = options.histogram_file.empty() ? read_image(input, !options.save.empty(), data, &error)
                                               : read_histogram_counts_file(input, h, &error);
    if (read && total_pixels(h) == 0) {
        read = false;
        error = input + ": every count is zero, there is nothing to segment";
    }
    if (!read) {
        err << "strandel-chain: " << error << '\n';
        return exit_failure;
    }

    if (options.have_seed) std::srand(options.seed);
    std::vector<double> centres = options.centres;
    run_chain(passes, h, centres);

    print_results(h, centres, out);
    out.flush();
    if (!options.save.empty() && !save_labels(options.save, data, centres, labels, &error)) {
        err << "strandel-chain: " << options.save << ": " << error << '\n';
        return exit_failure;
    }
    if (!out) {
        err << "strandel-chain: could not write the results\n";
        return exit_failure;
    }
    return exit_ok;
}

int run_chain_tool(int argc, const char* const argv[], std::ostream& out, std::ostream& err) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return run_chain_tool(args, out, err);
}

}  // namespace strandel
