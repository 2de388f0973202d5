// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/gif_rows.h"

#include <gif_lib.h>

#include <cstring>
#include <vector>

#include "decoding/file_check.h"
#include "framework/histogram.h"

namespace strandel {

namespace {

// A GIF read whole by giflib (it decodes no other way): one byte per pixel.
class gif_file {
public:
    gif_file() = default;
    gif_file(const gif_file&) = delete;
    gif_file& operator=(const gif_file&) = delete;
    ~gif_file() {
        int ignored = 0;
        if (m_gif) DGifCloseFile(m_gif, &ignored);
    }

    bool load(const std::string& file, std::string* why) {
        int error = 0;
        m_gif = DGifOpenFileName(file.c_str(), &error);
        if (!m_gif) return broken(error, why);
        if (!fits_histogram(std::uint64_t(std::max(m_gif->SWidth, 0)), std::uint64_t(std::max(m_gif->SHeight, 0)), why))
            return false;
        if (DGifSlurp(m_gif) != GIF_OK) return broken(m_gif->Error, why);
        if (m_gif->ImageCount != 1) {
            *why = "it holds " + std::to_string(m_gif->ImageCount) +
                   " frames (an animated GIF); only GIFs of one image are read: save the frame wanted alone";
            return false;
        }
        const GifImageDesc& frame = m_gif->SavedImages[0].ImageDesc;
        if (frame.Left != 0 || frame.Top != 0 || frame.Width != m_gif->SWidth || frame.Height != m_gif->SHeight) {
            *why = "its image does not cover its whole screen; only GIFs whose image does are read";
            return false;
        }
        m_colours = frame.ColorMap ? frame.ColorMap : m_gif->SColorMap;
        if (!m_colours || frame.Width <= 0 || frame.Height <= 0) {
            *why = m_colours ? "it holds no pixels" : "it has no colour table";
            return false;
        }
        return true;
    }

    int width() const { return m_gif->SWidth; }
    int height() const { return m_gif->SHeight; }
    const unsigned char* indices(int y) const {
        return m_gif->SavedImages[0].RasterBits + std::size_t(y) * std::size_t(width());
    }
    // Each index's colour, 3 bytes an index; indices past the table's end
    // read as black.
    std::vector<unsigned char> palette() const {
        std::vector<unsigned char> rgb(256 * 3, 0);
        for (int i = 0; i < m_colours->ColorCount && i < 256; ++i) {
            const GifColorType& c = m_colours->Colors[i];
            rgb[std::size_t(i) * 3] = c.Red;
            rgb[std::size_t(i) * 3 + 1] = c.Green;
            rgb[std::size_t(i) * 3 + 2] = c.Blue;
        }
        return rgb;
    }

private:
    static bool broken(int error, std::string* why) {
        const char* message = GifErrorString(error);
        *why = std::string("not a readable GIF (") + (message ? message : "unknown error") + ")";
        return false;
    }

    GifFileType* m_gif = nullptr;
    const ColorMapObject* m_colours = nullptr;
};

class gif_rows : public pixel_rows {
public:
    explicit gif_rows(std::unique_ptr<gif_file> gif)
        : pixel_rows(gif->width(), gif->height(), true), m_gif(std::move(gif)), m_palette(m_gif->palette()),
          m_row(std::size_t(width())) {}

    const unsigned char* next_row(std::string*) override {
        const unsigned char* index = m_gif->indices(m_next++);
        for (unsigned char& g : m_row) {
            const unsigned char* rgb = &m_palette[std::size_t(*index++) * 3];
            g = colour_gray(rgb[0], rgb[1], rgb[2]);
        }
        return m_row.data();
    }

private:
    std::unique_ptr<gif_file> m_gif;
    std::vector<unsigned char> m_palette, m_row;
    int m_next = 0;
};

class gif_rgb_rows : public rgb_rows {
public:
    explicit gif_rgb_rows(std::unique_ptr<gif_file> gif) : m_gif(std::move(gif)), m_palette(m_gif->palette()) {}
    int width() const override { return m_gif->width(); }
    int height() const override { return m_gif->height(); }
    bool next_row(unsigned char* rgb, std::string*) override {
        const unsigned char* index = m_gif->indices(m_next++);
        for (int x = 0; x < width(); ++x, rgb += 3) std::memcpy(rgb, &m_palette[std::size_t(index[x]) * 3], 3);
        return true;
    }

private:
    std::unique_ptr<gif_file> m_gif;
    std::vector<unsigned char> m_palette;
    int m_next = 0;
};

}  // namespace

open_result open_gif_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                          std::string* why) {
    auto gif = std::make_unique<gif_file>();
    if (!gif->load(file, why)) return open_result::failed;
    if (role == row_role::labels) return open_result::not_covered;
    *rows = std::make_unique<gif_rows>(std::move(gif));
    return open_result::opened;
}

open_result open_gif_rgb_rows(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why) {
    auto gif = std::make_unique<gif_file>();
    if (!gif->load(file, why)) return open_result::failed;
    *rows = std::make_unique<gif_rgb_rows>(std::move(gif));
    return open_result::opened;
}

bool gif_is_readable(const std::string& file, std::string* why) {
    gif_file gif;
    return gif.load(file, why);
}

}  // namespace strandel
