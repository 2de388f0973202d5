// SPDX-License-Identifier: GPL-3.0-or-later
#include <matio.h>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "decoding/matlab_ground_truth.h"

namespace strandel {

namespace {

struct file_closer {
    void operator()(mat_t* m) const { Mat_Close(m); }
};
struct variable_freer {
    void operator()(matvar_t* v) const { Mat_VarFree(v); }
};
using mat_file = std::unique_ptr<mat_t, file_closer>;
using mat_variable = std::unique_ptr<matvar_t, variable_freer>;

std::size_t element_count(const matvar_t* v) {
    std::size_t n = 1;
    for (int d = 0; d < v->rank; ++d) n *= v->dims[d];
    return n;
}

// The Segmentation field of cell `k`, or a description of what is missing.
const matvar_t* segmentation_of(matvar_t* cells, std::size_t k, std::string& problem) {
    matvar_t* entry = Mat_VarGetCell(cells, static_cast<int>(k));
    if (!entry || entry->class_type != MAT_C_STRUCT) {
        problem = "entry " + std::to_string(k + 1) + " of groundTruth is not a struct";
        return nullptr;
    }
    const matvar_t* field = Mat_VarGetStructFieldByName(entry, "Segmentation", 0);
    if (!field) problem = "entry " + std::to_string(k + 1) + " of groundTruth has no Segmentation field";
    return field;
}

bool numeric_class(matio_classes c) {
    switch (c) {
    case MAT_C_UINT8: case MAT_C_UINT16: case MAT_C_INT8: case MAT_C_INT16: case MAT_C_INT32:
    case MAT_C_UINT32: case MAT_C_INT64: case MAT_C_UINT64: case MAT_C_SINGLE: case MAT_C_DOUBLE:
        return true;
    default:
        return false;
    }
}

// Sizes and types from the headers alone; sets `problem` on the first fault.
void check_shapes(matvar_t* info, std::string& problem) {
    if (info->class_type != MAT_C_CELL) {
        problem = "groundTruth is not a cell array";
        return;
    }
    const std::size_t count = element_count(info);
    if (count == 0) problem = "groundTruth holds no annotator";
    unsigned long long labels = 0;
    for (std::size_t k = 0; k < count && problem.empty(); ++k) {
        const matvar_t* s = segmentation_of(info, k, problem);
        if (!s) return;
        const std::string which = "the Segmentation of annotator " + std::to_string(k + 1);
        if (s->rank != 2 || s->isComplex || !numeric_class(s->class_type))
            problem = which + " is not a two-dimensional numeric matrix";
        else if (s->dims[0] == 0 || s->dims[1] == 0)
            problem = which + " is empty";
        else if (s->dims[0] > 0x7FFFFFFF || s->dims[1] > 0x7FFFFFFF / s->dims[0])
            problem = which + " has more than 2^31 - 1 pixels";
        else
            labels += static_cast<unsigned long long>(s->dims[0]) * s->dims[1];
    }
    if (problem.empty() && labels > matlab_ground_truth_label_limit)
        problem = "its segmentations hold " + std::to_string(labels) + " labels, more than the " +
                  std::to_string(matlab_ground_truth_label_limit) + " a file may hold";
    if (problem.empty() && Mat_VarGetSize(info) > matlab_ground_truth_byte_limit)
        problem = "groundTruth takes " + std::to_string(Mat_VarGetSize(info)) + " bytes, more than the " +
                  std::to_string(matlab_ground_truth_byte_limit) + " a file may take";
}

template <typename T>
bool copy_labels(const matvar_t* s, label_plane& plane) {
    const T* data = static_cast<const T*>(s->data);
    // MATLAB stores columns one after another.
    for (int x = 0; x < plane.width; ++x)
        for (int y = 0; y < plane.height; ++y) {
            const double v = static_cast<double>(data[static_cast<std::size_t>(x) * static_cast<std::size_t>(plane.height) + static_cast<std::size_t>(y)]);
            if (!(v >= 0 && v <= 65535 && std::floor(v) == v)) return false;
            plane.labels[static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.width) + static_cast<std::size_t>(x)] =
                static_cast<std::uint16_t>(v);
        }
    return true;
}

bool labels_of(const matvar_t* s, label_plane& plane) {
    plane.height = static_cast<int>(s->dims[0]);
    plane.width = static_cast<int>(s->dims[1]);
    plane.labels.resize(static_cast<std::size_t>(plane.width) * static_cast<std::size_t>(plane.height));
    if (!s->data) return false;
    switch (s->class_type) {
    case MAT_C_UINT8: return copy_labels<std::uint8_t>(s, plane);
    case MAT_C_UINT16: return copy_labels<std::uint16_t>(s, plane);
    case MAT_C_INT8: return copy_labels<std::int8_t>(s, plane);
    case MAT_C_INT16: return copy_labels<std::int16_t>(s, plane);
    case MAT_C_INT32: return copy_labels<std::int32_t>(s, plane);
    case MAT_C_UINT32: return copy_labels<std::uint32_t>(s, plane);
    case MAT_C_INT64: return copy_labels<std::int64_t>(s, plane);
    case MAT_C_UINT64: return copy_labels<std::uint64_t>(s, plane);
    case MAT_C_SINGLE: return copy_labels<float>(s, plane);
    case MAT_C_DOUBLE: return copy_labels<double>(s, plane);
    default: return false;
    }
}

}  // namespace

matlab_ground_truth read_matlab_ground_truth(const std::string& path) {
    matlab_ground_truth result;
    const auto fail = [&](const std::string& what) {
        result.annotators.clear();
        result.error = "'" + path + "': " + what;
        return result;
    };
    struct stat about;
    if (stat(path.c_str(), &about) != 0) return fail(std::string("cannot be read: ") + std::strerror(errno));
    if (!S_ISREG(about.st_mode)) return fail("is not a regular file");
    if (about.st_size == 0) return fail("is empty, not a MATLAB file");
    const mat_file file(Mat_Open(path.c_str(), MAT_ACC_RDONLY));
    if (!file) return fail("not a MATLAB file that libmatio reads (missing, unreadable, or of another format)");
    const mat_variable info(Mat_VarReadInfo(file.get(), "groundTruth"));
    if (!info) return fail("holds no variable groundTruth");
    std::string problem;
    check_shapes(info.get(), problem);
    if (!problem.empty()) return fail(problem);

    const mat_variable cells(Mat_VarRead(file.get(), "groundTruth"));
    if (!cells) return fail("groundTruth cannot be read (the file is damaged or cut short)");
    for (std::size_t k = 0; k < element_count(cells.get()); ++k) {
        const matvar_t* s = segmentation_of(cells.get(), k, problem);
        if (!s) return fail(problem);
        label_plane plane;
        if (!labels_of(s, plane))
            return fail("the Segmentation of annotator " + std::to_string(k + 1) +
                        " holds a value that is no label (a whole number from 0 to 65535), or its data cannot be read");
        if (!result.annotators.empty() &&
            (plane.width != result.annotators[0].width || plane.height != result.annotators[0].height))
            return fail("annotator " + std::to_string(k + 1) + " segmented " + std::to_string(plane.width) + " x " +
                        std::to_string(plane.height) + " pixels, annotator 1 " + std::to_string(result.annotators[0].width) +
                        " x " + std::to_string(result.annotators[0].height));
        result.annotators.push_back(std::move(plane));
    }
    return result;
}

}  // namespace strandel
