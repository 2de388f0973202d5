// strandel-bench: see driver/bench_cli.h.
#include <iostream>

#include "driver/bench_cli.h"
#include "driver/native_image_gegl.h"

int main(int argc, char** argv) {
    using namespace strandel;
    bench_options options;
    std::string error;
    if (!parse_bench_options(argc, argv, &options, &error)) {
        std::cerr << "strandel-bench: " << error << "\n\n" << bench_usage();
        return exit_usage;
    }
    if (options.help) {
        std::cout << bench_usage();
        return exit_ok;
    }
    if (options.merge) return run_merge(options, std::cerr);
    switch (options.engine) {
    case bench_engine::gimp:
        return run_gimp_engine(options, std::cerr);
    case bench_engine::native:
        break;
    }
    native_engine engine;
    return run_benchmark(options, read_image_native, std::cerr);
}
