// SPDX-License-Identifier: GPL-3.0-or-later
// The compiled half of the Python module `strandel` (the package's
// __init__.py wraps it): the tools' own code on numpy arrays and files.
// Arrays come in without a copy when they are C-contiguous uint8, and the
// GIL is released while the passes, the readers and the measures run.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <cstdlib>
#include <stdexcept>

#include "batch/chain_syntax.h"
#include "batch/image_rating.h"
#include "batch/label_images.h"
#include "batch/registration.h"
#include "batch/table_writer.h"
#include "decoding/native_image_gegl.h"
#include "framework/build_info.h"
#include "python/arrays.h"
#include "python/bench_session.h"
#include "python/label_evaluation.h"

namespace py = pybind11;

namespace strandel {

namespace {

histogram histogram_of_counts(const py::array& given) {
    const auto counts = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(given);
    if (!counts || counts.ndim() != 1 || counts.shape(0) != 256)
        throw py::value_error("a histogram is 256 counts, for gray levels 0 to 255");
    histogram h;
    for (int g = 0; g < 256; ++g) {
        const std::int64_t n = counts.data()[g];
        if (n < 0 || n > 2147483647)
            throw py::value_error("count of gray level " + std::to_string(g) + " is " + std::to_string(n) +
                                  ", not an integer from 0 to 2147483647");
        h[static_cast<unsigned>(g)] = static_cast<std::int32_t>(n);
    }
    return h;
}

// An image file read as strandel-bench's native engine reads it.
void read_file(const std::string& file, bool keep_gray, image_data* data) {
    image_request request;
    request.image = file;
    request.keep_gray = keep_gray;
    std::string why;
    read_status status;
    {
        py::gil_scoped_release release;
        status = read_image_native(request, *data, &why);
    }
    if (status != read_status::ok) throw file_error(file + ": " + (why.empty() ? "it could not be read" : why));
}

py::array_t<std::int64_t> counts_array(const histogram& h) {
    py::array_t<std::int64_t> out(256);
    for (int g = 0; g < 256; ++g) out.mutable_data()[g] = h[static_cast<unsigned>(g)];
    return out;
}

py::array_t<std::int64_t> histogram_py(const py::object& image, const py::object& gray, const py::object& levels) {
    apply_rules(gray, levels);
    if (py::isinstance<py::str>(image) || py::hasattr(image, "__fspath__")) {
        auto data = std::make_unique<image_data>();
        read_file(py::str(image).cast<std::string>(), false, data.get());
        return counts_array(data->h);
    }
    std::vector<std::uint8_t> copy;
    const std::uint8_t* levels_data = nullptr;
    const gray_plane plane = gray_of(py::array::ensure(image), &copy, &levels_data);
    histogram h;
    {
        py::gil_scoped_release release;
        h = counts_of(levels_data, static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height));
    }
    return counts_array(h);
}

py::dict rating_dict(const image_rating& rating) {
    py::dict measures;
    const std::vector<std::string> names = measure_columns();
    for (std::size_t m = 0; m < rating.values.size() && m < names.size(); ++m) measures[names[m].c_str()] = rating.values[m];
    if (rating.has_optimal) measures["optimal_ratio"] = rating.optimal;
    return measures;
}

// segment(): the chain on the histogram, rated by every measure, as the
// table rates it; labels for every pixel when there are pixels.
py::tuple segment_py(const py::object& input, const std::string& chain_text, const py::object& seed,
                     const py::object& gray, const py::object& levels) {
    apply_rules(gray, levels);
    chain passes;
    std::string error;
    if (!parse_chain(chain_text, passes, &error)) throw py::value_error("chain: " + error);
    auto data = std::make_unique<image_data>();
    std::vector<std::uint8_t> copy;
    const std::uint8_t* pixel_levels = nullptr;
    gray_plane plane;
    const bool file = py::isinstance<py::str>(input) || py::hasattr(input, "__fspath__");
    const py::array array = file ? py::array() : py::array::ensure(input);
    if (file) {
        read_file(py::str(input).cast<std::string>(), true, data.get());
        plane = data->gray;
        pixel_levels = data->gray.levels.data();
    } else if (array.ndim() == 1) {
        data->h = histogram_of_counts(array);
    } else {
        plane = gray_of(array, &copy, &pixel_levels);
        data->h = counts_of(pixel_levels, static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height));
    }
    if (total_pixels(data->h) == 0) throw py::value_error("every count is zero, there is nothing to segment");
    image_rating rating;
    {
        py::gil_scoped_release release;
        const std::atomic<bool> stop{false};
        if (!seed.is_none()) std::srand(seed.cast<unsigned>());
        rate_image(data->h, nullptr, passes, registered_measures(), nullptr, stop, &rating);
    }
    py::object labels = py::none();
    if (pixel_levels) labels = label_image(plane, pixel_levels, label_lookup(data->h, rating.centres), rating.centres.size());
    return py::make_tuple(rating.centres, rating.seconds, rating_dict(rating), labels);
}

// image(): the gray level of every pixel of a file, as the histogram counts
// them.
py::array image_py(const std::string& file, const py::object& gray, const py::object& levels) {
    apply_rules(gray, levels);
    auto data = std::make_unique<image_data>();
    read_file(file, true, data.get());
    const gray_plane& plane = data->gray;
    py::array_t<std::uint8_t> out(std::vector<py::ssize_t>{plane.height, plane.width});
    std::copy(plane.levels.begin(), plane.levels.end(), out.mutable_data());
    return std::move(out);
}

}  // namespace

}  // namespace strandel

PYBIND11_MODULE(_strandel, m) {
    using namespace strandel;
    register_passes();
    register_fitness_functions();
    // Images that the in-process reader does not decode go to GEGL (when
    // the build has it), prepared once for the process.
    static const native_engine engine;
    py::register_exception<file_error>(m, "FileError", PyExc_OSError);
    m.attr("__version__") = strandel_version();
    m.attr("commit") = strandel_commit();
    m.def("histogram", &histogram_py, py::arg("image"), py::arg("gray") = py::none(), py::arg("levels") = py::none());
    m.def("segment", &segment_py, py::arg("input"), py::arg("chain"), py::arg("seed") = py::none(),
          py::arg("gray") = py::none(), py::arg("levels") = py::none());
    m.def("table_columns", &table_columns);
    m.def("measure_columns", &measure_columns);
    m.def("image", &image_py, py::arg("file"), py::arg("gray") = py::none(), py::arg("levels") = py::none());
    m.def("evaluate", &evaluate_labels, py::arg("labels"), py::arg("ground_truths"), py::arg("image"),
          py::arg("centres"));
    py::class_<bench_session>(m, "BenchSession")
        .def(py::init<const std::vector<std::string>&, const std::string&, const std::vector<std::string>&,
                      const std::string&, py::object, int, bool, py::object, py::object>(),
             py::arg("images"), py::arg("list_file"), py::arg("chains"), py::arg("ground_truth"),
             py::arg("seed_each"), py::arg("jobs"), py::arg("boundary"), py::arg("gray"), py::arg("levels"))
        .def("total", &bench_session::total)
        .def("next_rows", &bench_session::next_rows);
}
