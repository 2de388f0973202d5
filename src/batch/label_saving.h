// SPDX-License-Identifier: GPL-3.0-or-later
// The label images of one run (--save-segmentations): checked before
// anything is written, their folder made and proven writable just before
// the run starts (and taken back when the run is refused after all), every
// image saved or named with its reason, and a closing count.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "batch/image_rating.h"
#include "batch/image_reader.h"
#include "batch/label_images.h"
#include "batch/run_plan.h"

namespace strandel {

class label_saving {
public:
    label_saving(std::string folder, const label_store& store) : m_folder(std::move(folder)), m_store(store) {}

    // Before anything is written, and creating nothing: no two images with
    // one stem, no label image that is an input of the run, and nothing in
    // the way that is no label image of this store.
    bool check(const std::string& list_file, const run_plan& plan, std::string* error) const;

    // Makes the folder when missing, proves that a file can be written in
    // it (a temporary file made and removed) and removes the temporary
    // files a killed run left there (`removed` counts them).
    bool prepare(std::size_t* removed, std::string* error);
    // Removes the folders prepare() made, when they are still empty: a
    // refused run creates nothing.
    void undo();

    // Saves chain `chain`'s (from 0) label image of one image; a failure is
    // named on `err` ("<prefix>: segmentation not saved to 'FILE': why"),
    // counted, and ends nothing.
    void save(std::size_t chain, const image_request& image, const image_data& data, const image_rating& rating,
              std::FILE* err, const std::string& prefix);

    // Saves scored method `method`'s (numbered after the chains, from 0)
    // segmentation of one image as a label image: its labels in ascending
    // order become the class indices 0, 1, ...
    void save_scored(std::size_t method, const image_request& image, const label_plane& labels, std::FILE* err,
                     const std::string& prefix);

    std::size_t written() const { return m_written; }
    std::size_t failed() const { return m_failed; }
    const std::string& folder() const { return m_folder; }
    // "N label images written to 'DIR'", and how many could not be.
    std::string summary() const;
    // "'FILE': why" of the first label image that could not be written.
    const std::string& first_failure() const { return m_first_failure; }

private:
    // Counts a label image that could not be written, and names it.
    void failed(const std::string& file, const std::string& why, std::FILE* err, const std::string& prefix);

    std::string m_folder;
    const label_store& m_store;
    std::vector<std::string> m_made;  // folders prepare() created, outermost first
    std::size_t m_written = 0, m_failed = 0;
    std::string m_first_failure;
};

}  // namespace strandel
