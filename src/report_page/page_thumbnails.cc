// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/page_thumbnails.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <map>
#include <thread>

#include "batch/ground_truth.h"
#include "batch/label_images.h"
#include "framework/message_text.h"
#include "report_page/colour_ramp.h"

namespace strandel {
namespace {

thumbnail missing(const char* why) {
    thumbnail t;
    t.problem = why;
    return t;
}

// The recipe of a label thumbnail: its colours.
std::string label_recipe(const label_colouring& colouring) {
    std::string recipe = "label 1";
    for (double t : colouring.positions) recipe += " " + std::to_string(ramp_step_of(t));
    return recipe;
}

image_thumbnails thumbnails_of(const comparison& c, int i, const label_files& labels,
                               const image_opener& open, thumbnail_store& store) {
    image_thumbnails t;
    const image_rows& image = c.images[i];
    t.image = store.get(image.key, "image 1", [&] { return encode_image_thumbnail(image.key, open); });
    const std::string manual = c.manual_segmentation(i);
    t.manual = manual.empty() ? missing("none")
                              : store.get(manual, "truth 1", [&] { return encode_truth_thumbnail(manual, open); });
    for (std::size_t s = 0; s < image.rows.size(); ++s) {
        const std::string path = labels.path(c, i, image.rows[s].chain);
        const label_colouring colouring = colouring_of(c, i, static_cast<int>(s));
        t.labels.push_back(
            store.get(path, label_recipe(colouring), [&] { return encode_label_thumbnail(path, colouring); }));
    }
    return t;
}

}  // namespace

label_colouring colouring_of(const comparison& c, int image, int slot) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const chain_row& r : c.images[image].rows)
        for (double centre : c.rows[r.row].centres)
            if (std::isfinite(centre)) {
                low = std::min(low, centre);
                high = std::max(high, centre);
            }
    label_colouring colouring;
    for (double centre : c.rows[c.images[image].rows[slot].row].centres)
        colouring.positions.push_back(!std::isfinite(centre) ? 0.5 : high > low ? (centre - low) / (high - low) : 0.5);
    return colouring;
}

std::string label_files::path(const comparison& c, int image, int chain) const {
    const auto pattern = scored.find(c.chains[chain]);
    if (pattern != scored.end()) return ground_truth_path(pattern->second, c.images[image].key, "");
    return label_image_path(folder, c.images[image].image, chain + 1);
}

std::vector<image_thumbnails> make_thumbnails(const comparison& c, const label_files& labels,
                                              const image_opener& open, int threads, thumbnail_store& store) {
    const int images = static_cast<int>(c.images.size());
    std::vector<image_thumbnails> all(images);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i; (i = next++) < images;) all[i] = thumbnails_of(c, i, labels, open, store);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return all;
}

std::string thumbnail_failures(const comparison& c, const label_files& labels,
                               const std::vector<image_thumbnails>& thumbnails, int* failed, int* made) {
    struct group {
        int count = 0;
        std::string first;
    };
    std::map<std::pair<std::string, std::string>, group> groups;  // (kind, reason)
    *failed = *made = 0;
    const auto count = [&](const thumbnail& t, const char* kind, const std::string& path) {
        if (t.problem == "none") return;
        ++*made;
        if (t.ok()) return;
        ++*failed;
        group& g = groups[{kind, t.reason}];
        if (g.count++ == 0) g.first = path;
    };
    for (std::size_t i = 0; i < thumbnails.size(); ++i) {
        const image_rows& image = c.images[i];
        count(thumbnails[i].image, "image", image.key);
        count(thumbnails[i].manual, "manual segmentation", c.manual_segmentation(static_cast<int>(i)));
        for (std::size_t s = 0; s < image.rows.size(); ++s)
            count(thumbnails[i].labels[s], "label image", labels.path(c, static_cast<int>(i), image.rows[s].chain));
    }
    std::string lines;
    for (const auto& entry : groups)
        lines += "  " + std::to_string(entry.second.count) + " " + entry.first.first +
                 (entry.second.count == 1 ? "" : "s") + ": " +
                 terminal_text(entry.first.second) + " (first: " + terminal_text(entry.second.first) + ")\n";
    return lines;
}

}  // namespace strandel
