// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp_fixtures.h"

#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <ftw.h>
#include <unistd.h>

namespace strandel {
namespace testing_gimp {

namespace {

int bytes_per_pixel(GimpImageType type) {
    switch (type) {
        case GIMP_GRAY_IMAGE: return 1;
        case GIMP_GRAYA_IMAGE: return 2;
        case GIMP_RGB_IMAGE: return 3;
        default: return 4;
    }
}

}  // namespace

test_image::test_image(int w, int h, GimpImageType type, const pixel_fn& fn)
    : width(w), height(h), bpp(bytes_per_pixel(type)) {
    const bool gray = type == GIMP_GRAY_IMAGE || type == GIMP_GRAYA_IMAGE;
    image = gimp_image_new(w, h, gray ? GIMP_GRAY : GIMP_RGB);
    layer = gimp_layer_new(image, "test", w, h, type, 100.0, GIMP_LAYER_MODE_NORMAL);
    gimp_image_insert_layer(image, layer, 0, 0);
    bytes.resize(std::size_t(w) * h * bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < bpp; ++c) bytes[(std::size_t(y) * w + x) * bpp + c] = fn(x, y, c);
    GimpDrawable* d = gimp_drawable_get(layer);
    GimpPixelRgn rgn;
    gimp_pixel_rgn_init(&rgn, d, 0, 0, w, h, TRUE, FALSE);
    gimp_pixel_rgn_set_rect(&rgn, bytes.data(), 0, 0, w, h);
    gimp_drawable_flush(d);
    gimp_drawable_detach(d);
}

test_image::~test_image() { gimp_image_delete(image); }

temp_dir::temp_dir() {
    char name[] = "/tmp/strandel-gimp-test-XXXXXX";
    path = mkdtemp(name) ? name : "/tmp";
}

temp_dir::~temp_dir() {
    if (path == "/tmp") return;
    nftw(
        path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); }, 8,
        FTW_DEPTH | FTW_PHYS);
}

bool save_image(const test_image& image, const std::string& file) {
    return gimp_file_save(GIMP_RUN_NONINTERACTIVE, image.image, image.layer, file.c_str(), file.c_str());
}

int open_images() {
    gint n = 0;
    g_free(gimp_image_list(&n));
    return n;
}

std::string read_text(const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream s(text);
    for (std::string line; std::getline(s, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> fields_of(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream s(line);
    for (std::string field; std::getline(s, field, '\t');) fields.push_back(field);
    return fields;
}

}  // namespace testing_gimp
}  // namespace strandel
