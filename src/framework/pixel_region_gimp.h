// SPDX-License-Identifier: GPL-3.0-or-later
// Tile-by-tile reading of a rectangle of a GIMP drawable, in the longest
// contiguous byte runs ("spans") the tile layout allows, and the gray-level
// histogram computed that way.
#pragma once

#include <libgimp/gimp.h>

#include <utility>

#include "framework/histogram.h"
#include "framework/pixel_layout.h"

namespace strandel {

class pixel_region {
public:
    // The rectangle must lie inside the drawable, width and height >= 1.
    pixel_region(GimpDrawable* drawable, int x, int y, int width, int height, bool shadow, bool dirty)
        : m_drawable(drawable), m_x(x), m_y(y), m_width(width), m_height(height), m_shadow(shadow), m_dirty(dirty) {}

    GimpDrawable* drawable() const { return m_drawable; }
    int x() const { return m_x; }
    int y() const { return m_y; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    bool shadow() const { return m_shadow; }
    bool dirty() const { return m_dirty; }

    // Walks the rectangle tile by tile (rows of tiles top to bottom, left to
    // right in a row). Each iterator holds exactly one tile reference for its
    // whole life, so references balance however iterators are copied.
    class iterator {
    public:
        struct end_tag {};
        using span = std::pair<unsigned char*, unsigned char*>;

        explicit iterator(const pixel_region& r);
        iterator(const pixel_region& r, end_tag);
        iterator(const iterator& other);
        iterator& operator=(const iterator& other);
        ~iterator();

        const span& operator*() const { return m_span; }
        iterator& operator++();
        bool operator==(const iterator& other) const;
        bool operator!=(const iterator& other) const { return !(*this == other); }

        unsigned next_tile_number() const;
        void move_to_tile(unsigned n);
        GimpTile* tile() const { return m_tile; }

    private:
        const pixel_region* m_region;
        GimpTile* m_tile = nullptr;
        span m_span{nullptr, nullptr};
        int m_stride = 0;
        int m_rows_left = 0;
        bool m_at_end = false;
    };

    iterator begin() const { return iterator(*this); }
    iterator end() const { return iterator(*this, iterator::end_tag()); }

private:
    GimpDrawable* m_drawable;
    int m_x, m_y, m_width, m_height;
    bool m_shadow, m_dirty;
};

// Replaces `h` by the gray-level counts of the rectangle (x, y, width,
// height) of `drawable`: 1 and 2 bytes per pixel by their gray byte, 3 and 4
// by their third byte; alpha is ignored. Returns false, leaving `h` all
// zero, for a pixel size it cannot read (such as high bit depth).
bool compute_histogram(GimpDrawable* drawable, histogram* h, int x, int y, int width, int height);

}  // namespace strandel
