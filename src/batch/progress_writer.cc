// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/progress_writer.h"

#include <utility>

namespace strandel {

namespace {

void write_line(std::FILE* out, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), out);
    std::fflush(out);
}

}  // namespace

std::string progress_text(std::size_t position, std::size_t total, const std::string& file, double seconds,
                          bool skipped) {
    char time[64];
    std::snprintf(time, sizeof time, "%.2f", seconds);
    return std::to_string(position + 1) + "/" + std::to_string(total) + " " + file + " " + time + " s" +
           (skipped ? " (skipped)" : "");
}

progress_writer::progress_writer(const std::vector<image_request>& images, std::FILE* out, std::string prefix)
    : m_images(images), m_out(out), m_prefix(std::move(prefix)) {}

void progress_writer::asked(std::size_t position) {
    finish();
    m_position = position;
    m_start = std::chrono::steady_clock::now();
}

void progress_writer::read(read_status status) {
    m_skipped = status == read_status::unreadable;
    m_open = status != read_status::no_layer;
}

void progress_writer::finish() {
    if (!m_open || !m_out) return;
    m_open = false;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    write_line(m_out, m_prefix + ": " +
                          progress_text(m_position, m_images.size(), m_images[m_position].image, seconds, m_skipped) + "\n");
}

void progress_writer::summary(int lines, double seconds) {
    if (!m_out) return;
    char text[64];
    std::snprintf(text, sizeof text, " report lines in %.2f s\n", seconds);
    write_line(m_out, m_prefix + ": " + std::to_string(lines) + text);
}

}  // namespace strandel
