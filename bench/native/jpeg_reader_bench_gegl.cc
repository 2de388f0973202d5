// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG reader per image against its floor, a plain libjpeg-turbo
// decode of the same file (libjpeg's default, integer IDCT), and against
// GEGL's JPEG loader (the native engine's former path), on colour JPEGs
// (4:2:0, quality 90) of noisy regions at 481 x 321 (0.15 MP) and
// 1024 x 1024, written once per process. The folder is printed, so that
// bench/opencv_imread.py can read the same files (its bench.list).
#include <benchmark/benchmark.h>

#include <gegl.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "decoding/in_process_reader.h"

namespace strandel {
namespace {

const int sizes[][2] = {{481, 321}, {1024, 1024}};

void write_jpeg(const std::string& file, int width, int height, unsigned seed) {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, out);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int region = (x * 4 / width + y * 3 / height) % 4;
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) % 25) - 12;
            row[std::size_t(x) * 3] = (unsigned char)(60 + 30 * region + noise);
            row[std::size_t(x) * 3 + 1] = (unsigned char)(90 + noise);
            row[std::size_t(x) * 3 + 2] = (unsigned char)(40 + 55 * region + noise);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(out);
}

struct jpeg_files {
    std::string dir;
    std::vector<std::string> files;  // one per size
    jpeg_files() {
        char name[] = "/tmp/strandel-jpeg-bench-XXXXXX";
        dir = mkdtemp(name);
        std::ofstream list(dir + "/bench.list");
        for (const auto& size : sizes) {
            const std::string stem = std::to_string(size[0]) + "x" + std::to_string(size[1]);
            files.push_back(dir + "/" + stem + ".jpg");
            write_jpeg(files.back(), size[0], size[1], 7u);
            write_jpeg(dir + "/" + stem + "_seg.jpg", size[0], size[1], 9u);  // for opencv_imread.py's pairs
            list << stem << ".jpg\n";
        }
        std::fprintf(stderr, "JPEG files in %s\n", dir.c_str());
    }
    ~jpeg_files() {
        if (!std::getenv("STRANDEL_KEEP_BENCH_JPEGS")) std::system(("rm -rf '" + dir + "'").c_str());
    }
};

const jpeg_files& files() {
    static const jpeg_files made;
    return made;
}

void BM_jpeg_reader(benchmark::State& state) {
    const std::string& file = files().files[std::size_t(state.range(0))];
    std::string why;
    for (auto _ : state) {
        std::unique_ptr<pixel_rows> rows;
        if (open_in_process(file, row_role::image, &rows, &why) != open_result::opened) state.SkipWithError(why.c_str());
        unsigned sum = 0;
        for (int y = 0; y < rows->height(); ++y) sum += rows->next_row(&why)[0];
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_jpeg_reader)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_libjpeg_alone(benchmark::State& state) {
    const std::string& file = files().files[std::size_t(state.range(0))];
    for (auto _ : state) {
        std::FILE* in = std::fopen(file.c_str(), "rb");
        jpeg_decompress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_stdio_src(&info, in);
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        std::vector<unsigned char> row(std::size_t(info.output_width) * info.output_components);
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[1] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
        std::fclose(in);
        benchmark::DoNotOptimize(row.data());
    }
}
BENCHMARK(BM_libjpeg_alone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// GEGL's JPEG loader into a buffer, read back as 8-bit RGB in strips of 64
// rows, as the engine read every JPEG before.
void BM_gegl_jpeg(benchmark::State& state) {
    const std::string& file = files().files[std::size_t(state.range(0))];
    static const bool started = [] {
        gegl_init(nullptr, nullptr);
        g_object_set(gegl_config(), "threads", 1, nullptr);
        return true;
    }();
    benchmark::DoNotOptimize(started);
    for (auto _ : state) {
        GeglBuffer* buffer = nullptr;
        GeglNode* graph = gegl_node_new();
        GeglNode* load = gegl_node_new_child(graph, "operation", "gegl:jpg-load", "path", file.c_str(), nullptr);
        GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:buffer-sink", "buffer", &buffer, nullptr);
        gegl_node_link(load, sink);
        gegl_node_process(sink);
        g_object_unref(graph);
        const GeglRectangle extent = *gegl_buffer_get_extent(buffer);
        std::vector<unsigned char> strip(std::size_t(extent.width) * 64 * 3);
        for (int y = 0; y < extent.height; y += 64) {
            const GeglRectangle rect = {0, y, extent.width, std::min(64, extent.height - y)};
            gegl_buffer_get(buffer, &rect, 1.0, babl_format("R'G'B' u8"), strip.data(), GEGL_AUTO_ROWSTRIDE,
                            GEGL_ABYSS_NONE);
        }
        g_object_unref(buffer);
        benchmark::DoNotOptimize(strip.data());
    }
}
BENCHMARK(BM_gegl_jpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace strandel
