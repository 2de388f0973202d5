// SPDX-License-Identifier: GPL-3.0-or-later
// Reads the images of a benchmark ahead of the batch, on worker threads.
//
// The batch asks for its images one after the other, in list order, and runs
// the chain on each before asking for the next. Decoding an image (and its
// manual segmentation) and counting its pixels costs far more than the chain
// and is independent from one image to the next, so workers do it ahead. The
// answers still come back in list order, on the batch's thread, so the
// chain, the random draws and the report do not depend on scheduling.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "batch/image_reader.h"

namespace strandel {

class prefetching_reader {
public:
    // `images` is the list the batch will walk; only the positions whose
    // `wanted` entry is true are read (the others are answered with
    // read_status::no_layer, which leaves their positions out of the
    // report). With jobs = 1 every image is read when asked for, on the
    // caller's thread; with more, `jobs` workers read up to twice as many
    // images ahead, and no further, so memory stays bounded whatever the
    // length of the list.
    prefetching_reader(std::vector<image_request> images, std::vector<bool> wanted, int jobs, image_reader read);
    prefetching_reader(const prefetching_reader&) = delete;
    prefetching_reader& operator=(const prefetching_reader&) = delete;
    // Lets the workers finish the image in hand and joins them.
    ~prefetching_reader();

    // The image_reader the batch calls: must be asked for the images in
    // list order (positions not wanted included).
    read_status operator()(const image_request& request, image_data& data, std::string* why);

    // Positions asked for so far.
    std::size_t position() const { return m_position; }

private:
    struct slot {
        std::size_t ticket = static_cast<std::size_t>(-1);  // which wanted image it holds
        read_status status = read_status::unreadable;
        std::string why;
        image_data data;
    };

    void work();
    read_status read_now(const image_request& request, image_data& data, std::string* why);

    const std::vector<image_request> m_images;
    const std::vector<bool> m_wanted;
    const image_reader m_read;
    std::vector<std::size_t> m_order;  // the wanted positions, in list order
    std::size_t m_position = 0;        // next position the batch asks for

    // Ticket k is the k-th wanted position; it is read into slot k % size.
    std::vector<std::unique_ptr<slot>> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next_ticket = 0;  // next ticket a worker takes
    std::size_t m_consumed = 0;     // tickets handed to the batch
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace strandel
