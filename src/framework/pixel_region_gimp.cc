// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/pixel_region_gimp.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace strandel {

namespace {

unsigned tile_w() { return gimp_tile_width(); }
unsigned tile_h() { return gimp_tile_height(); }

}  // namespace

pixel_region::iterator::iterator(const pixel_region& r) : m_region(&r) {
    const unsigned cols = r.drawable()->ntile_cols;
    move_to_tile(unsigned(r.x()) / tile_w() + unsigned(r.y()) / tile_h() * cols);
}

pixel_region::iterator::iterator(const pixel_region& r, end_tag) : m_region(&r), m_at_end(true) {
    const unsigned cols = r.drawable()->ntile_cols;
    move_to_tile(unsigned(r.x() + r.width() - 1) / tile_w() + unsigned(r.y() + r.height() - 1) / tile_h() * cols);
}

pixel_region::iterator::iterator(const iterator& other)
    : m_region(other.m_region),
      m_tile(other.m_tile),
      m_span(other.m_span),
      m_stride(other.m_stride),
      m_rows_left(other.m_rows_left),
      m_at_end(other.m_at_end) {
    gimp_tile_ref(m_tile);
}

pixel_region::iterator& pixel_region::iterator::operator=(const iterator& other) {
    if (this == &other) return *this;
    // Reference the new tile first: it may be the very tile we release.
    gimp_tile_ref(other.m_tile);
    gimp_tile_unref(m_tile, m_region->dirty());
    m_region = other.m_region;
    m_tile = other.m_tile;
    m_span = other.m_span;
    m_stride = other.m_stride;
    m_rows_left = other.m_rows_left;
    m_at_end = other.m_at_end;
    return *this;
}

pixel_region::iterator::~iterator() { gimp_tile_unref(m_tile, m_region->dirty()); }

void pixel_region::iterator::move_to_tile(unsigned n) {
    GimpDrawable* d = m_region->drawable();
    const unsigned cols = d->ntile_cols;
    const int row = int(n / cols), col = int(n % cols);
    m_tile = gimp_drawable_get_tile(d, m_region->shadow(), row, col);
    gimp_tile_ref(m_tile);

    const int tx = col * int(tile_w()), ty = row * int(tile_h());
    const int ew = int(m_tile->ewidth), eh = int(m_tile->eheight), bpp = int(m_tile->bpp);
    const int x1 = std::max(m_region->x(), tx);
    const int y1 = std::max(m_region->y(), ty);
    const int x2 = std::min(m_region->x() + m_region->width() - 1, tx + ew - 1);
    const int y2 = std::min(m_region->y() + m_region->height() - 1, ty + eh - 1);
    if (x1 > x2 || y1 > y2) {
        // A caller bug; reading on would run off the tile's buffer.
        std::fprintf(stderr, "pixel_region: Given tile does not belong to the region (tile %u, region %d,%d %dx%d)\n",
                     n, m_region->x(), m_region->y(), m_region->width(), m_region->height());
        std::abort();
    }

    auto byte = [&](int px, int py) {
        return m_tile->data + ((py - ty) * ew + (px - tx)) * bpp;
    };
    m_span.first = byte(x1, y1);
    if (x1 == tx && x2 == tx + ew - 1) {
        // Full tile width: the rows follow each other in memory.
        m_span.second = byte(x2, y2) + bpp;
        m_rows_left = 0;
        m_stride = 0;
    } else {
        m_span.second = byte(x2, y1) + bpp;
        m_stride = ew * bpp;
        m_rows_left = y2 - y1;
    }
}

unsigned pixel_region::iterator::next_tile_number() const {
    const unsigned cols = m_region->drawable()->ntile_cols;
    const unsigned t = m_tile->tile_num;
    const unsigned c = t % cols, r = t / cols;
    const long tx = long(c) * tile_w(), ty = long(r) * tile_h();
    if (tx + long(m_tile->ewidth) < long(m_region->x()) + m_region->width()) return r * cols + c + 1;
    if (ty + long(m_tile->eheight) >= long(m_region->y()) + m_region->height()) return t;
    return unsigned(m_region->x()) / tile_w() + (r + 1) * cols;
}

pixel_region::iterator& pixel_region::iterator::operator++() {
    if (m_at_end) return *this;
    if (m_rows_left > 0) {
        m_span.first += m_stride;
        m_span.second += m_stride;
        --m_rows_left;
        return *this;
    }
    const unsigned next = next_tile_number();
    if (next == m_tile->tile_num) {
        m_at_end = true;
        return *this;
    }
    gimp_tile_unref(m_tile, m_region->dirty());
    move_to_tile(next);
    return *this;
}

bool pixel_region::iterator::operator==(const iterator& other) const {
    if (m_region != other.m_region) return false;
    if (m_at_end || other.m_at_end) return m_at_end == other.m_at_end;
    return m_tile->data == other.m_tile->data && m_rows_left == other.m_rows_left;
}

bool compute_histogram(GimpDrawable* drawable, histogram* h, int x, int y, int width, int height) {
    clear_histogram(*h);
    const int bpp = int(drawable->bpp);
    if (bpp < 1 || bpp > 4) return false;
    pixel_region region(drawable, x, y, width, height, false, false);
    const pixel_region::iterator end = region.end();
    for (pixel_region::iterator it = region.begin(); it != end; ++it) {
        const std::size_t pixels = std::size_t((*it).second - (*it).first) / std::size_t(bpp);
        add_pixels_to_histogram((*it).first, pixels, bpp, *h);
    }
    return true;
}

}  // namespace strandel
