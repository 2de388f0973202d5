// SPDX-License-Identifier: GPL-3.0-or-later
// numpy arrays as the tools' pixels: the gray levels an image counts by,
// their histogram, and label images out.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch/image_reader.h"
#include "framework/histogram.h"

namespace strandel {

// A file that could not be read: OSError in Python.
struct file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The gray level every pixel counts by, as the engines read a decoded
// layer: gray, gray and alpha, RGB, RGBA (the third byte), alpha ignored.
// A C-contiguous 2-D uint8 array is used as it is (`*levels` points into
// it); otherwise the channel is gathered into `copy`. ValueError for any
// other array.
gray_plane gray_of(const pybind11::array& image, std::vector<std::uint8_t>* copy, const std::uint8_t** levels);

histogram counts_of(const std::uint8_t* levels, std::size_t count);

// Class indices for every pixel: uint8 up to 256 classes, uint16 beyond.
pybind11::array label_image(const gray_plane& plane, const std::uint8_t* levels,
                            const std::vector<std::uint16_t>& lookup, std::size_t classes);

// The results table's columns, and its measure columns ("turi", ...).
std::vector<std::string> table_columns();
std::vector<std::string> measure_columns();

// Sets the process's gray-level rules from their names, as --gray and
// --levels do (None: blue, scale); ValueError for another name. The rules
// hold for the whole process, as in the tools: each call sets its own.
void apply_rules(const pybind11::object& gray, const pybind11::object& levels);

}  // namespace strandel
