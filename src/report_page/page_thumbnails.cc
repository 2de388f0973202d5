// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/page_thumbnails.h"

#include <atomic>
#include <filesystem>
#include <thread>

#include "batch/label_images.h"

namespace strandel {
namespace {

thumbnail missing(const char* why) {
    thumbnail t;
    t.problem = why;
    return t;
}

image_thumbnails thumbnails_of(const comparison& c, int i, const std::string& segmentations,
                               const image_decoder& decoder) {
    image_thumbnails t;
    const int chains = static_cast<int>(c.chains.size());
    std::string table;
    for (int k = 0; k < chains && table.empty(); ++k)
        if (const result_row* r = c.row(i, k)) table = r->table;
    t.image = image_thumbnail(locate(c.images[i].image, table), decoder);
    const std::string manual = c.manual_segmentation(i);
    t.manual = manual.empty() ? missing("none") : image_thumbnail(locate(manual, table), decoder);
    for (int k = 0; k < chains; ++k)
        t.labels.push_back(c.row(i, k) ? label_thumbnail(label_image_path(segmentations, c.images[i].image, k + 1))
                                       : missing("none"));
    return t;
}

}  // namespace

std::string locate(const std::string& path, const std::string& table) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (path.empty() || fs::path(path).is_absolute() || fs::exists(path, ignored)) return path;
    const fs::path beside = fs::path(table).parent_path() / path;
    return fs::exists(beside, ignored) ? beside.string() : path;
}

std::vector<image_thumbnails> make_thumbnails(const comparison& c, const std::string& segmentations,
                                              const image_decoder& decoder, int threads) {
    const int images = static_cast<int>(c.images.size());
    std::vector<image_thumbnails> all(images);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int i; (i = next++) < images;) all[i] = thumbnails_of(c, i, segmentations, decoder);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return all;
}

}  // namespace strandel
