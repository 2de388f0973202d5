// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/prefetching_reader.h"

#include <exception>
#include <utility>

namespace strandel {

prefetching_reader::prefetching_reader(std::vector<image_request> images, std::vector<bool> wanted, int jobs,
                                       image_reader read)
    : m_images(std::move(images)), m_wanted(std::move(wanted)), m_read(std::move(read)) {
    for (std::size_t i = 0; i < m_images.size(); ++i)
        if (i < m_wanted.size() && m_wanted[i]) m_order.push_back(i);
    if (jobs <= 1 || m_order.size() <= 1) return;

    // Twice as many slots as workers: a worker that finishes while the
    // batch is busy can start on the next image instead of waiting.
    m_slots.resize(2 * static_cast<std::size_t>(jobs));
    for (auto& s : m_slots) s = std::make_unique<slot>();
    for (int j = 0; j < jobs; ++j) m_workers.emplace_back(&prefetching_reader::work, this);
}

prefetching_reader::~prefetching_reader() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& t : m_workers) t.join();
}

read_status prefetching_reader::read_now(const image_request& request, image_data& data, std::string* why) {
    try {
        forget_ground_truths(data);
        return m_read(request, data, why);
    } catch (const std::exception& e) {
        // Most likely an image too large for memory: skip it, go on.
        *why = e.what();
        return read_status::unreadable;
    }
}

void prefetching_reader::work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] {
            return m_stopping || m_next_ticket >= m_order.size() || m_next_ticket < m_consumed + m_slots.size();
        });
        if (m_stopping || m_next_ticket >= m_order.size()) return;
        const std::size_t ticket = m_next_ticket++;
        slot& s = *m_slots[ticket % m_slots.size()];
        lock.unlock();

        // The slot is free: the batch took its previous ticket, and no other
        // worker holds a ticket that maps to it inside the window.
        std::string why;
        const read_status status = read_now(m_images[m_order[ticket]], s.data, &why);

        lock.lock();
        s.status = status;
        s.why = std::move(why);
        s.ticket = ticket;
        m_changed.notify_all();
    }
}

read_status prefetching_reader::operator()(const image_request& request, image_data& data, std::string* why) {
    const std::size_t position = m_position++;
    // The batch walks the same list; a caller that strays from it is
    // served directly rather than with another file's pixels.
    if (position >= m_images.size() || m_images[position].image != request.image ||
        m_images[position].manual != request.manual)
        return read_now(request, data, why);
    if (position >= m_wanted.size() || !m_wanted[position]) return read_status::no_layer;
    if (m_workers.empty()) return read_now(request, data, why);

    std::unique_lock<std::mutex> lock(m_mutex);
    const std::size_t ticket = m_consumed;
    slot& s = *m_slots[ticket % m_slots.size()];
    m_changed.wait(lock, [&] { return s.ticket == ticket; });
    // Swapping hands the batch the counts and gives the slot the batch's
    // previous buffers back, so no image allocates its 512 KiB table anew.
    std::swap(s.data, data);
    *why = std::move(s.why);
    const read_status status = s.status;
    ++m_consumed;
    lock.unlock();
    m_changed.notify_all();
    return status;
}

}  // namespace strandel
