// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine against the least any engine must do: decode an image
// and its manual segmentation and walk their pixels once. And the whole
// runner with --jobs 1 and --jobs 2. Twenty 1-megapixel gray PNGs of noisy
// regions, each with a manual segmentation, written once per process.
#include <benchmark/benchmark.h>

#include <gegl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "batch/benchmark_runner.h"
#include "decoding/native_image_gegl.h"
#include "evaluation/jaccard.h"

namespace strandel {
namespace {

constexpr int side = 1024;
constexpr int nr_images = 20;

void save_png(const std::vector<unsigned char>& pixels, const std::string& file) {
    const GeglRectangle extent = {0, 0, side, side};
    GeglBuffer* buffer = gegl_buffer_new(&extent, babl_format("Y' u8"));
    gegl_buffer_set(buffer, &extent, 0, babl_format("Y' u8"), pixels.data(), GEGL_AUTO_ROWSTRIDE);
    GeglNode* graph = gegl_node_new();
    GeglNode* source = gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", buffer, nullptr);
    GeglNode* save = gegl_node_new_child(graph, "operation", "gegl:png-save", "path", file.c_str(), nullptr);
    gegl_node_link(source, save);
    gegl_node_process(save);
    g_object_unref(graph);
    g_object_unref(buffer);
}

// A scene of four regions (background, two discs, a band) with noise, and
// its manual segmentation.
void write_scene(int k, const std::string& image, const std::string& manual) {
    std::vector<unsigned char> pixels(side * side), labels(side * side);
    unsigned state = 12345u + k;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int dx1 = x - 300 - 7 * k, dy1 = y - 350, dx2 = x - 700, dy2 = y - 600 - 5 * k;
            int region = 0;
            if (dx1 * dx1 + dy1 * dy1 < 200 * 200) region = 1;
            else if (dx2 * dx2 + dy2 * dy2 < 150 * 150) region = 2;
            else if (y > 880) region = 3;
            state = state * 1103515245u + 12345u;
            const int noise = static_cast<int>((state >> 16) % 25) - 12;
            pixels[y * side + x] = static_cast<unsigned char>(40 + 55 * region + noise);
            labels[y * side + x] = static_cast<unsigned char>(85 * region);
        }
    save_png(pixels, image);
    save_png(labels, manual);
}

// The benchmark's images, made on first use and removed at exit.
struct benchmark_images {
    native_engine engine;
    std::string dir;
    std::vector<std::string> files;

    benchmark_images() {
        char name[] = "/tmp/strandel_native_bench_XXXXXX";
        dir = mkdtemp(name);
        for (int k = 0; k < nr_images; ++k) {
            const std::string file = dir + "/scene" + std::to_string(k) + ".png";
            write_scene(k, file, manual_segmentation_name(file));
            files.push_back(file);
        }
    }
    ~benchmark_images() {
        if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", dir.c_str());
    }
};

const benchmark_images& images() {
    static benchmark_images made;
    return made;
}

GeglBuffer* decode(const std::string& file) {
    GeglBuffer* buffer = nullptr;
    GeglNode* graph = gegl_node_new();
    GeglNode* load = gegl_node_new_child(graph, "operation", "gegl:png-load", "path", file.c_str(), nullptr);
    GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:buffer-sink", "buffer", &buffer, nullptr);
    gegl_node_link(load, sink);
    gegl_node_process(sink);
    g_object_unref(graph);
    return buffer;
}

// Sums the bytes of a buffer in its own format, touching every pixel once.
unsigned long walk(GeglBuffer* buffer) {
    unsigned long sum = 0;
    GeglBufferIterator* it = gegl_buffer_iterator_new(buffer, nullptr, 0, gegl_buffer_get_format(buffer),
                                                      GEGL_ACCESS_READ, GEGL_ABYSS_NONE, 1);
    while (gegl_buffer_iterator_next(it)) {
        const unsigned char* p = static_cast<const unsigned char*>(it->items[0].data);
        for (int i = 0; i < it->length; ++i) sum += p[i];
    }
    return sum;
}

void BM_decode_floor(benchmark::State& state) {
    const benchmark_images& set = images();
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& file = set.files[i++ % set.files.size()];
        GeglBuffer* image = decode(file);
        GeglBuffer* manual = decode(manual_segmentation_name(file));
        benchmark::DoNotOptimize(walk(image) + walk(manual));
        g_object_unref(image);
        g_object_unref(manual);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_decode_floor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_native_reader(benchmark::State& state) {
    const benchmark_images& set = images();
    const std::vector<image_request> requests = requests_beside(set.files);
    image_data data;
    std::size_t i = 0;
    for (auto _ : state) {
        std::string why;
        if (read_image_native(requests[i++ % requests.size()], data, &why) != read_status::ok || !data.has_manual)
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(data.h[40]);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_native_reader)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole runner on the twenty images, K-Means chain; time per image.
void BM_runner(benchmark::State& state) {
    const benchmark_images& set = images();
    benchmark_request run;
    run.chain = "K-Means";
    run.images = set.files;
    run.results_file = "/dev/null";
    run.jobs = static_cast<int>(state.range(0));
    bool failed = false;
    for (auto _ : state)
        failed = failed || run_benchmark_request(run, read_image_native, runner_output()).status != request_status::success;
    if (failed) state.SkipWithError("the runner failed");
    state.SetItemsProcessed(state.iterations() * nr_images);
    state.counters["s_per_image"] = benchmark::Counter(
        static_cast<double>(nr_images) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_runner)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace strandel
