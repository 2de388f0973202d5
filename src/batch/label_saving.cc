// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/label_saving.h"

#include <cstring>
#include <exception>
#include <filesystem>

#include "batch/output_check.h"
#include "batch/run_summary.h"
#include "framework/message_text.h"
#include "framework/temporary_files.h"

namespace strandel {

namespace fs = std::filesystem;

bool label_saving::check(const std::string& list_file, const run_plan& plan, std::string* error) const {
    if (!stems_distinct(plan.images, error)) return false;
    // The folder itself, or the first part of its path that is there, must
    // be a folder: a file in the way is named as such.
    std::error_code code;
    fs::path at = fs::absolute(m_folder, code).lexically_normal();
    while (!at.empty() && at != at.root_path() && !fs::exists(at, code)) at = at.parent_path();
    if (!at.empty() && !fs::is_directory(at, code)) {
        *error = "'" + message_quote(m_folder) + "': cannot save segmentations there: '" + message_quote(at.string()) +
                 "' is not a folder";
        return false;
    }
    std::vector<std::string> files;
    for (std::size_t i = 0; i < plan.images.size(); ++i)
        for (std::size_t c = 0; plan.wanted[i] && c < plan.method_names.size(); ++c)
            files.push_back(label_image_path(m_folder, plan.images[i].image, static_cast<int>(c + 1)));
    // A label image of this store can be an input too (a folder of label
    // images given as images): replacing it would change the run's input.
    if (!outputs_apart_from_inputs(files, list_file, plan.images, error, "a label image")) return false;
    std::string why;
    for (const std::string& file : files)
        if (!m_store.may_replace(file, &why)) {
            *error = "'" + message_quote(file) + "': " + why;
            return false;
        }
    return true;
}

bool label_saving::prepare(std::size_t* removed, std::string* error) {
    std::error_code code;
    std::vector<std::string> missing;
    for (fs::path at = fs::absolute(m_folder, code).lexically_normal(); !at.empty() && at != at.root_path();
         at = at.parent_path()) {
        if (fs::exists(fs::symlink_status(at, code))) break;
        missing.insert(missing.begin(), at.string());
    }
    fs::create_directories(m_folder, code);
    for (const std::string& made : missing)
        if (fs::is_directory(made)) m_made.push_back(made);
    std::string why;
    if (!fs::is_directory(m_folder, code)) {
        why = code ? code.message() : std::string("it is not a folder");
    } else {
        // Whatever stops a label image from being written (no permission,
        // a read-only file system, a full disk's missing inodes) stops
        // this file too: better now than after hours of computing.
        temporary_file probe((fs::path(m_folder) / m_store.temporary_prefix()).string());
        if (!probe.ok()) why = std::strerror(probe.error_number());
    }
    if (!why.empty()) {
        *error = "'" + message_quote(m_folder) + "': cannot save segmentations there: " + why;
        undo();
        return false;
    }
    *removed = std::size_t(remove_stale_temporaries(m_folder, m_store.temporary_prefix()));
    return true;
}

void label_saving::undo() {
    std::error_code ignored;
    for (auto made = m_made.rbegin(); made != m_made.rend(); ++made) fs::remove(*made, ignored);
    m_made.clear();
}

void label_saving::save(std::size_t chain, const image_request& image, const image_data& data,
                        const image_rating& rating, std::FILE* err, const std::string& prefix) {
    const std::string file = label_image_path(m_folder, image.image, static_cast<int>(chain + 1));
    std::string why;
    const gray_plane& gray = data.gray;
    try {
        if (rating.centres.size() > max_label_classes)
            why = std::to_string(rating.centres.size()) + " classes do not fit a 16-bit label image";
        else if (gray.width <= 0 || gray.levels.size() != std::size_t(gray.width) * std::size_t(gray.height))
            why = "the reader did not hand back the image's pixels";
        else if (m_store.write(file, gray, label_lookup(data.h, rating.centres),
                               needs_sixteen_bits(rating.centres.size()), &why)) {
            ++m_written;
            return;
        }
    } catch (const std::exception& e) {
        why = e.what();
    }
    failed(file, why, err, prefix);
}

void label_saving::save_scored(std::size_t method, const image_request& image, const label_plane& labels,
                               std::FILE* err, const std::string& prefix) {
    const std::string file = label_image_path(m_folder, image.image, static_cast<int>(method + 1));
    std::string why;
    try {
        // The labels in use, ascending, numbered from 0.
        std::vector<std::int32_t> index_of(65536, -1);
        for (std::uint16_t label : labels.labels) index_of[label] = 0;
        std::int32_t classes = 0;
        for (std::int32_t& index : index_of)
            if (index == 0) index = classes++;
        label_plane indexed{labels.width, labels.height, std::vector<std::uint16_t>(labels.labels.size())};
        for (std::size_t i = 0; i < labels.labels.size(); ++i)
            indexed.labels[i] = static_cast<std::uint16_t>(index_of[labels.labels[i]]);
        if (m_store.write_plane(file, indexed, needs_sixteen_bits(std::size_t(classes)), &why)) {
            ++m_written;
            return;
        }
    } catch (const std::exception& e) {
        why = e.what();
    }
    failed(file, why, err, prefix);
}

void label_saving::failed(const std::string& file, const std::string& why, std::FILE* err, const std::string& prefix) {
    ++m_failed;
    if (m_first_failure.empty()) m_first_failure = "'" + file + "': " + why;
    if (err) std::fprintf(err, "%s: segmentation not saved to '%s': %s\n", prefix.c_str(), file.c_str(), why.c_str());
}

std::string label_saving::summary() const { return label_summary(m_written, m_failed, m_folder); }

}  // namespace strandel
