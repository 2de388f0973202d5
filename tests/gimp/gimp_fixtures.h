// SPDX-License-Identifier: GPL-3.0-or-later
// Images, files and folders for the in-GIMP tests.
#pragma once

#include <libgimp/gimp.h>

#include <functional>
#include <string>
#include <vector>

namespace strandel {
namespace testing_gimp {

// Byte c of pixel (x, y).
using pixel_fn = std::function<unsigned char(int x, int y, int c)>;

// A new image with one layer of `type` whose bytes come from `fn`.
struct test_image {
    gint32 image = -1;
    gint32 layer = -1;
    int width = 0, height = 0, bpp = 0;
    std::vector<unsigned char> bytes;  // what was written, row by row

    test_image(int width, int height, GimpImageType type, const pixel_fn& fn);
    ~test_image();
    test_image(const test_image&) = delete;
    test_image& operator=(const test_image&) = delete;
};

// gimp_drawable_get / gimp_drawable_detach.
struct attached {
    GimpDrawable* d;
    explicit attached(gint32 drawable) : d(gimp_drawable_get(drawable)) {}
    ~attached() { gimp_drawable_detach(d); }
    attached(const attached&) = delete;
    attached& operator=(const attached&) = delete;
};

// A fresh folder, removed with its content at the end.
struct temp_dir {
    std::string path;
    temp_dir();
    ~temp_dir();
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// Saves the image's layer to `file` (format from the extension).
bool save_image(const test_image& image, const std::string& file);

// How many images GIMP holds.
int open_images();

std::string read_text(const std::string& file);
std::vector<std::string> lines_of(const std::string& text);
std::vector<std::string> fields_of(const std::string& line);

}  // namespace testing_gimp
}  // namespace strandel
