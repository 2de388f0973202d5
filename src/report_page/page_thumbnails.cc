// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/page_thumbnails.h"

#include <atomic>
#include <map>
#include <thread>

#include "batch/label_images.h"
#include "framework/message_text.h"

namespace strandel {
namespace {

thumbnail missing(const char* why) {
    thumbnail t;
    t.problem = why;
    return t;
}

image_thumbnails thumbnails_of(const comparison& c, int i, const std::string& segmentations,
                               const image_opener& open) {
    image_thumbnails t;
    const image_rows& image = c.images[i];
    t.image = image_thumbnail(image.key, open);
    const std::string manual = c.manual_segmentation(i);
    t.manual = manual.empty() ? missing("none") : image_thumbnail(manual, open);
    for (const chain_row& r : image.rows)
        t.labels.push_back(label_thumbnail(label_image_path(segmentations, image.image, r.chain + 1)));
    return t;
}

}  // namespace

std::vector<image_thumbnails> make_thumbnails(const comparison& c, const std::string& segmentations,
                                              const image_opener& open, int threads) {
    const int images = static_cast<int>(c.images.size());
    std::vector<image_thumbnails> all(images);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i; (i = next++) < images;) all[i] = thumbnails_of(c, i, segmentations, open);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return all;
}

std::string thumbnail_failures(const comparison& c, const std::string& segmentations,
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
            count(thumbnails[i].labels[s], "label image",
                  label_image_path(segmentations, image.image, image.rows[s].chain + 1));
    }
    std::string lines;
    for (const auto& entry : groups)
        lines += "  " + std::to_string(entry.second.count) + " " + entry.first.first +
                 (entry.second.count == 1 ? "" : "s") + ": " +
                 terminal_text(entry.first.second) + " (first: " + terminal_text(entry.second.first) + ")\n";
    return lines;
}

}  // namespace strandel
