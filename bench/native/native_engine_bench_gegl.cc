// SPDX-License-Identifier: GPL-3.0-or-later
// The native engine per image (an image and its manual segmentation)
// against a plain zlib inflate of both files' pixel data, against GEGL
// decoding both (the engine's former path), and the whole runner with
// --jobs 1 and --jobs 2, without and with saving label images. The images are those of the folder named by
// STRANDEL_BENCH_IMAGES (its bench.list, as bench/make_bench_images.py
// writes it), else twenty 1-megapixel gray PNGs of noisy regions, each with
// a manual segmentation, written once per process.
#include <benchmark/benchmark.h>

#include <gegl.h>

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "batch/benchmark_runner.h"
#include "decoding/in_process_reader.h"
#include "decoding/label_png.h"
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

// The benchmark's images: those of STRANDEL_BENCH_IMAGES, or made on first
// use and removed at exit.
struct benchmark_images {
    std::string dir;
    bool made = false;
    std::vector<std::string> files;

    benchmark_images() {
        // For BM_decode_floor and the scenes written below; the native
        // reader itself never needs GEGL for these files.
        gegl_init(nullptr, nullptr);
        if (const char* given = std::getenv("STRANDEL_BENCH_IMAGES")) {
            dir = given;
            std::ifstream list(dir + "/bench.list");
            for (std::string name; std::getline(list, name);)
                if (!name.empty()) files.push_back(dir + "/" + name);
            if (!files.empty()) return;
            std::fprintf(stderr, "no images listed in %s/bench.list\n", given);
            std::exit(1);
        }
        char name[] = "/tmp/strandel_native_bench_XXXXXX";
        dir = mkdtemp(name);
        made = true;
        for (int k = 0; k < nr_images; ++k) {
            const std::string file = dir + "/scene" + std::to_string(k) + ".png";
            write_scene(k, file, manual_segmentation_name(file));
            files.push_back(file);
        }
    }
    ~benchmark_images() {
        if (made && std::system(("rm -rf '" + dir + "'").c_str()) != 0)
            std::fprintf(stderr, "could not remove %s\n", dir.c_str());
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

// The least a PNG decoder must do: read the file and inflate its pixel
// data (the IDAT chunks) into the raw scanlines.
std::size_t inflate_png(const std::string& file, std::vector<unsigned char>& raw) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto be32 = [&](std::size_t at) {
        return std::size_t(bytes[at]) << 24 | std::size_t(bytes[at + 1]) << 16 | std::size_t(bytes[at + 2]) << 8 |
               std::size_t(bytes[at + 3]);
    };
    const std::size_t width = be32(16), height = be32(20);
    const std::size_t channels = bytes[25] == 0 ? 1 : bytes[25] == 4 ? 2 : bytes[25] == 2 ? 3 : 4;
    raw.resize(height * (1 + width * channels));
    z_stream z;
    std::memset(&z, 0, sizeof z);
    inflateInit(&z);
    z.next_out = raw.data();
    z.avail_out = static_cast<uInt>(raw.size());
    for (std::size_t at = 8; at + 8 <= bytes.size();) {
        const std::size_t length = be32(at);
        if (std::memcmp(&bytes[at + 4], "IDAT", 4) == 0) {
            z.next_in = const_cast<unsigned char*>(&bytes[at + 8]);
            z.avail_in = static_cast<uInt>(length);
            inflate(&z, Z_NO_FLUSH);
        }
        at += 12 + length;
    }
    const std::size_t out = z.total_out;
    inflateEnd(&z);
    return out;
}

void BM_inflate_both(benchmark::State& state) {
    const benchmark_images& set = images();
    std::vector<unsigned char> raw;
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& file = set.files[i++ % set.files.size()];
        benchmark::DoNotOptimize(inflate_png(file, raw) + inflate_png(manual_segmentation_name(file), raw));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_inflate_both)->Unit(benchmark::kMillisecond)->UseRealTime();

// The native reader, the plain inflate and GEGL decoding (the engine's
// former path) of the same files in turns, so that a machine whose speed
// drifts (other work on it) slows all alike: milliseconds per image of
// each, and the reader's ratio to the inflate, as counters.
void BM_reader_and_inflate(benchmark::State& state) {
    const benchmark_images& set = images();
    const std::vector<image_request> requests = requests_beside(set.files);
    image_data data;
    std::vector<unsigned char> raw;
    double reader_s = 0, inflate_s = 0, gegl_s = 0;
    std::string ignored;
    read_image_rows(requests[0], data, &ignored, open_gegl_rows);  // GEGL starts here, not in the first turn
    std::size_t i = 0;
    for (auto _ : state) {
        const image_request& request = requests[i++ % requests.size()];
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(inflate_png(request.image, raw) + inflate_png(request.manual, raw));
        const auto middle = std::chrono::steady_clock::now();
        std::string why;
        if (read_image_native(request, data, &why) != read_status::ok) state.SkipWithError(why.c_str());
        const auto end = std::chrono::steady_clock::now();
        if (read_image_rows(request, data, &why, open_gegl_rows) != in_process_status::read)
            state.SkipWithError(why.c_str());
        const auto gegl_end = std::chrono::steady_clock::now();
        inflate_s += std::chrono::duration<double>(middle - start).count();
        reader_s += std::chrono::duration<double>(end - middle).count();
        gegl_s += std::chrono::duration<double>(gegl_end - end).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["reader_ms"] = reader_s / n * 1000;
    state.counters["inflate_ms"] = inflate_s / n * 1000;
    state.counters["gegl_ms"] = gegl_s / n * 1000;
    state.counters["reader_per_inflate"] = inflate_s > 0 ? reader_s / inflate_s : 0;
}
BENCHMARK(BM_reader_and_inflate)->Unit(benchmark::kMillisecond)->UseRealTime();

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

// The whole runner on the images, K-Means chain; time per image.
void BM_runner(benchmark::State& state) {
    const benchmark_images& set = images();
    benchmark_request run;
    run.chain = "K-Means";
    run.images = set.files;
    run.results_file = "/dev/null";
    run.jobs = static_cast<int>(state.range(0));
    const std::size_t count = set.files.size();
    bool failed = false;
    for (auto _ : state)
        failed = failed || run_benchmark_request(run, read_image_native, runner_output()).status != request_status::success;
    if (failed) state.SkipWithError("the runner failed");
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["s_per_image"] = benchmark::Counter(
        static_cast<double>(count) * state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_runner)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// What --save-segmentations costs: the runner (K-Means chain) without and
// with saving the label images, and the PNG encoding of those label images
// alone, in turns; milliseconds per image of each, and the extra time of
// saving over the encoding as a counter.
void BM_runner_saving(benchmark::State& state) {
    const benchmark_images& set = images();
    char name[] = "/tmp/strandel_labels_bench_XXXXXX";
    const std::string folder = mkdtemp(name);
    benchmark_request plain;
    plain.chain = "K-Means";
    plain.images = set.files;
    plain.results_file = "/dev/null";
    plain.jobs = static_cast<int>(state.range(0));
    benchmark_request saving = plain;
    saving.segmentations = folder;
    const png_label_store store;
    runner_output output;
    output.labels = &store;
    // The gray planes and the classes the runner would write, made once.
    std::vector<std::unique_ptr<image_data>> planes;
    for (image_request request : requests_beside(set.files)) {
        request.keep_gray = true;
        planes.push_back(std::make_unique<image_data>());
        std::string why;
        read_image_native(request, *planes.back(), &why);
    }
    const std::vector<double> centres = {40, 95, 150, 205};
    double plain_s = 0, saving_s = 0, encode_s = 0;
    using clock = std::chrono::steady_clock;
    bool failed = false;
    for (auto _ : state) {
        const auto start = clock::now();
        failed = failed || run_benchmark_request(plain, read_image_native, output).status != request_status::success;
        const auto middle = clock::now();
        failed = failed || run_benchmark_request(saving, read_image_native, output).status != request_status::success;
        const auto end = clock::now();
        for (std::size_t i = 0; i < planes.size(); ++i) {
            std::string why;
            failed = failed || !store.write(folder + "/encoded" + std::to_string(i) + ".png", planes[i]->gray,
                                            label_lookup(planes[i]->h, centres), false, &why);
        }
        encode_s += std::chrono::duration<double>(clock::now() - end).count();
        plain_s += std::chrono::duration<double>(middle - start).count();
        saving_s += std::chrono::duration<double>(end - middle).count();
    }
    if (failed) state.SkipWithError("a run or an encoding failed");
    const double n = static_cast<double>(state.iterations() * set.files.size()) / 1000;
    state.counters["plain_ms"] = plain_s / n;
    state.counters["saving_ms"] = saving_s / n;
    state.counters["encode_ms"] = encode_s / n;
    state.counters["extra_per_encode"] = encode_s > 0 ? (saving_s - plain_s) / encode_s : 0;
    if (std::system(("rm -rf '" + folder + "'").c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", folder.c_str());
}
BENCHMARK(BM_runner_saving)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace strandel
