// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/arrays.h"

#include <algorithm>

#include "batch/label_images.h"
#include "batch/registration.h"
#include "batch/table_writer.h"

namespace py = pybind11;

namespace strandel {

namespace {

using byte_array = py::array_t<std::uint8_t, py::array::c_style>;

}  // namespace

// The gray level every pixel counts by, as the engines read a decoded
// layer: gray, gray and alpha, RGB, RGBA (the third byte), alpha ignored.
// A 2-D uint8 array is used as it is; otherwise one channel is gathered.
gray_plane gray_of(const py::array& image, std::vector<std::uint8_t>* copy, const std::uint8_t** levels) {
    if (image.dtype().kind() != 'u' || image.itemsize() != 1)
        throw py::value_error("images are 8-bit (numpy uint8), not " + std::string(py::str(image.dtype())) +
                              ": read 16-bit or floating-point files from their path, as the tools do");
    if (image.ndim() != 2 && image.ndim() != 3)
        throw py::value_error("an image is H x W (gray) or H x W x C (C = 2, 3 or 4), not " +
                              std::to_string(image.ndim()) + "-dimensional");
    const std::size_t channels = image.ndim() == 3 ? static_cast<std::size_t>(image.shape(2)) : 1;
    if (channels < 1 || channels > 4)
        throw py::value_error("an image has 1 to 4 channels, not " + std::to_string(channels));
    gray_plane plane;
    plane.height = static_cast<int>(image.shape(0));
    plane.width = static_cast<int>(image.shape(1));
    const std::size_t count = static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height);
    if (count > 2147483647u)
        throw py::value_error("an image of more than 2^31 - 1 pixels: its gray levels' counts would not fit");
    if (channels == 1 && (image.flags() & py::array::c_style)) {
        *levels = static_cast<const std::uint8_t*>(image.data());  // the caller's array: no copy
        return plane;
    }
    const byte_array pixels = byte_array::ensure(image);  // contiguous, a copy only when it was not
    copy->resize(count);
    const std::uint8_t* from = pixels.data();
    if (channels >= 3) {
        // Colour pixels by the process's rule (the blue byte, or luma).
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* p = from + i * channels;
            (*copy)[i] = colour_gray(p[0], p[1], p[2]);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) (*copy)[i] = from[i * channels];
    }
    *levels = copy->data();
    return plane;
}

histogram counts_of(const std::uint8_t* levels, std::size_t count) {
    histogram h;
    clear_histogram(h);
    for (std::size_t i = 0; i < count; ++i) ++h[levels[i]];
    return h;
}

// Class indices for every pixel: uint8 up to 256 classes, uint16 beyond.
py::array label_image(const gray_plane& plane, const std::uint8_t* levels, const std::vector<std::uint16_t>& lookup,
                      std::size_t classes) {
    const std::vector<py::ssize_t> shape = {plane.height, plane.width};
    const std::size_t count = static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height);
    if (needs_sixteen_bits(classes)) {
        py::array_t<std::uint16_t> out(shape);
        std::uint16_t* to = out.mutable_data();
        py::gil_scoped_release release;
        for (std::size_t i = 0; i < count; ++i) to[i] = lookup[levels[i]];
        return std::move(out);
    }
    py::array_t<std::uint8_t> out(shape);
    std::uint8_t* to = out.mutable_data();
    py::gil_scoped_release release;
    for (std::size_t i = 0; i < count; ++i) to[i] = static_cast<std::uint8_t>(lookup[levels[i]]);
    return std::move(out);
}

std::vector<std::string> table_columns() {
    const std::string header = table_header();
    std::vector<std::string> columns;
    std::size_t at = 0;
    for (std::size_t comma; (comma = header.find_first_of(",\r", at)) != std::string::npos; at = comma + 1)
        columns.push_back(header.substr(at, comma - at));
    return columns;
}

std::vector<std::string> measure_columns() {
    // The report's measures: the columns after "seconds".
    const std::vector<std::string> columns = table_columns();
    const auto seconds = std::find(columns.begin(), columns.end(), "seconds");
    return std::vector<std::string>(seconds + 1, seconds + 1 + static_cast<long>(registered_measures().size()));
}

void apply_rules(const py::object& gray, const py::object& levels) {
    const std::string g = gray.is_none() ? "blue" : py::str(gray).cast<std::string>();
    const std::string l = levels.is_none() ? "scale" : py::str(levels).cast<std::string>();
    if (g != "blue" && g != "luma")
        throw py::value_error("gray '" + g + "': give blue (the blue byte, as GIMP's batch) or luma");
    if (l != "scale" && l != "stretch") throw py::value_error("levels '" + l + "': give scale or stretch");
    set_colour_gray_rule(g == "luma" ? gray_rule::luma : gray_rule::blue);
    set_wide_level_rule(l == "stretch" ? level_rule::stretch : level_rule::scale);
}

}  // namespace strandel
