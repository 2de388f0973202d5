// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/jpeg_rows.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
#include <jpeglib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "decoding/file_check.h"
#include "framework/histogram.h"

namespace strandel {

// libjpeg's default error handler ends the process; this one jumps back to
// the setjmp of the call that failed. Every call into libjpeg that can fail
// sits in a function of its own with nothing to destroy between the two.
struct jpeg_decoder::state {
    jpeg_decompress_struct info;
    struct error_manager {
        jpeg_error_mgr base;
        std::jmp_buf jump;
        char message[JMSG_LENGTH_MAX];
    } error;
    std::FILE* file = nullptr;
    bool created = false;
    bool finished = false;
    std::vector<unsigned char> cmyk;

    ~state() {
        if (created) jpeg_destroy_decompress(&info);
        if (file) std::fclose(file);
    }

    static void on_error(j_common_ptr info) {
        error_manager* error = reinterpret_cast<error_manager*>(info->err);
        (*info->err->format_message)(info, error->message);
        std::longjmp(error->jump, 1);
    }
    // Warnings (a file cut short, extraneous bytes) are read past, as
    // GIMP's loader reads past them.
    static void on_message(j_common_ptr, int) {}

    bool create() {
        info.err = jpeg_std_error(&error.base);
        error.base.error_exit = on_error;
        error.base.emit_message = on_message;
        error.message[0] = '\0';
        if (setjmp(error.jump)) return false;
        jpeg_create_decompress(&info);
        created = true;
        jpeg_stdio_src(&info, file);
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);  // EXIF
        jpeg_save_markers(&info, JPEG_APP0 + 2, 0xFFFF);  // ICC profile
        return true;
    }
    bool read_header() {
        if (setjmp(error.jump)) return false;
        jpeg_read_header(&info, TRUE);
        return true;
    }
    bool start() {
        if (setjmp(error.jump)) return false;
        jpeg_start_decompress(&info);
        return true;
    }
    bool read_scanline(unsigned char* row) {
        if (setjmp(error.jump)) return false;
        JSAMPROW rows[1] = {row};
        return jpeg_read_scanlines(&info, rows, 1) == 1;
    }
    // What comes after the last row is read too, and, as in GIMP's loader,
    // whatever is broken there (a second frame, a bad marker) is read past.
    bool finish() {
        if (setjmp(error.jump)) return false;
        jpeg_finish_decompress(&info);
        finished = true;
        return true;
    }
    bool broken(std::string* why) const {
        *why = std::string("not a readable JPEG (") + (error.message[0] ? error.message : "no rows") + ")";
        return false;
    }
};

namespace {

// GIMP's settings: the floating-point inverse DCT and libjpeg's default
// (fancy) upsampling; CMYK and YCCK files decoded to CMYK and brought to
// RGB below.
void choose_output(jpeg_decompress_struct& info) {
    info.dct_method = JDCT_FLOAT;
    info.do_fancy_upsampling = TRUE;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE: info.out_color_space = JCS_GRAYSCALE; break;
    case JCS_CMYK:
    case JCS_YCCK: info.out_color_space = JCS_CMYK; break;
    default: info.out_color_space = JCS_RGB; break;
    }
}

// GIMP takes every CMYK JPEG's values as Adobe writes them (inverted):
// each colour byte is C x K / 255, rounded down.
void cmyk_to_rgb(const unsigned char* cmyk, unsigned char* rgb, int width) {
    for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
        const unsigned k = cmyk[3];
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(cmyk[c] * k / 255);
    }
}

int saved_orientation(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return exif_orientation(m->data, m->data_length);
    return 1;
}

// The stored rows of a decoder as gray levels: the gray byte, or the third
// byte of colour pixels.
class jpeg_file_rows : public pixel_rows {
public:
    explicit jpeg_file_rows(std::unique_ptr<jpeg_decoder> decoder)
        : pixel_rows(decoder->width(), decoder->height(), decoder->channels() != 1), m_decoder(std::move(decoder)),
          m_raw(std::size_t(width()) * std::size_t(m_decoder->channels())),
          m_gray(m_decoder->channels() == 1 ? 0 : width()) {}

    const unsigned char* next_row(std::string* why) override {
        if (!m_decoder->read_row(m_raw.data(), why)) return nullptr;
        if (m_gray.empty()) return m_raw.data();
        const unsigned char* p = m_raw.data();
        for (unsigned char& g : m_gray) {
            g = colour_gray(p[0], p[1], p[2]);
            p += 3;
        }
        return m_gray.data();
    }

private:
    std::unique_ptr<jpeg_decoder> m_decoder;
    std::vector<unsigned char> m_raw, m_gray;
};

class jpeg_rgb_rows : public rgb_rows {
public:
    explicit jpeg_rgb_rows(std::unique_ptr<jpeg_decoder> decoder) : m_decoder(std::move(decoder)) {}
    int width() const override { return m_decoder->width(); }
    int height() const override { return m_decoder->height(); }
    bool next_row(unsigned char* rgb, std::string* why) override { return m_decoder->read_row(rgb, why); }
    int orientation() const override { return m_decoder->orientation(); }
    std::vector<unsigned char> icc_profile() const override { return m_decoder->icc_profile(); }

private:
    std::unique_ptr<jpeg_decoder> m_decoder;
};

// Where shown pixel (x, y) of an image stored `width` x `height` lies in
// the stored image, for each EXIF orientation.
std::size_t stored_index(int orientation, int x, int y, int width, int height) {
    int sx = x, sy = y;
    switch (orientation) {
    case 2: sx = width - 1 - x; break;                         // mirrored
    case 3: sx = width - 1 - x; sy = height - 1 - y; break;    // turned half way
    case 4: sy = height - 1 - y; break;                        // flipped
    case 5: sx = y; sy = x; break;                             // transposed
    case 6: sx = y; sy = height - 1 - x; break;                // turned clockwise
    case 7: sx = width - 1 - y; sy = height - 1 - x; break;    // transversed
    case 8: sx = width - 1 - y; sy = x; break;                 // turned counter-clockwise
    default: break;
    }
    return std::size_t(sy) * std::size_t(width) + std::size_t(sx);
}

class reoriented_rows : public pixel_rows {
public:
    reoriented_rows(std::unique_ptr<pixel_rows> stored, int orientation)
        : pixel_rows(orientation >= 5 ? stored->height() : stored->width(),
                     orientation >= 5 ? stored->width() : stored->height(), stored->colour()),
          m_stored(std::move(stored)), m_orientation(orientation), m_row(std::size_t(width())) {}

    const unsigned char* next_row(std::string* why) override {
        if (m_next == 0 && !read_stored(why)) return nullptr;
        const int sw = m_stored->width(), sh = m_stored->height();
        for (int x = 0; x < width(); ++x) m_row[std::size_t(x)] = m_plane[stored_index(m_orientation, x, m_next, sw, sh)];
        ++m_next;
        return m_row.data();
    }

private:
    bool read_stored(std::string* why) {
        const std::size_t w = std::size_t(m_stored->width());
        m_plane.resize(w * std::size_t(m_stored->height()));
        for (int y = 0; y < m_stored->height(); ++y) {
            const unsigned char* row = m_stored->next_row(why);
            if (!row) return false;
            std::memcpy(m_plane.data() + std::size_t(y) * w, row, w);
        }
        return true;
    }

    std::unique_ptr<pixel_rows> m_stored;
    int m_orientation;
    int m_next = 0;
    std::vector<unsigned char> m_plane, m_row;
};

unsigned read16(const unsigned char* p, bool big) { return big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]); }
unsigned long read32(const unsigned char* p, bool big) {
    return big ? (static_cast<unsigned long>(read16(p, true)) << 16 | read16(p + 2, true))
               : (static_cast<unsigned long>(read16(p + 2, false)) << 16 | read16(p, false));
}

}  // namespace

jpeg_decoder::jpeg_decoder(std::size_t memory_limit)
    : m_state(std::make_unique<state>()), m_memory_limit(memory_limit) {}
jpeg_decoder::~jpeg_decoder() = default;

int jpeg_decoder::width() const { return int(m_state->info.output_width); }
int jpeg_decoder::height() const { return int(m_state->info.output_height); }
int jpeg_decoder::channels() const { return m_state->info.out_color_space == JCS_GRAYSCALE ? 1 : 3; }

bool jpeg_decoder::open(const std::string& file, std::string* why) {
    state& s = *m_state;
    s.file = std::fopen(file.c_str(), "rb");
    if (!s.file) {
        *why = std::strerror(errno);
        return false;
    }
    if (!s.create() || !s.read_header()) return s.broken(why);
    if (m_memory_limit) s.info.mem->max_memory_to_use = long(m_memory_limit);
    if (!fits_histogram(s.info.image_width, s.info.image_height, why)) return false;
    choose_output(s.info);
    if (!s.start()) return s.broken(why);
    if (s.info.out_color_space == JCS_CMYK) s.cmyk.resize(std::size_t(s.info.output_width) * 4);
    m_orientation = saved_orientation(s.info);
    JOCTET* icc = nullptr;
    unsigned int icc_length = 0;
    if (jpeg_read_icc_profile(&s.info, &icc, &icc_length) && icc) {
        m_icc.assign(icc, icc + icc_length);
        std::free(icc);
    }
    return true;
}

bool jpeg_decoder::read_row(unsigned char* row, std::string* why) {
    state& s = *m_state;
    if (s.info.output_scanline >= s.info.output_height) return s.broken(why);
    unsigned char* target = s.cmyk.empty() ? row : s.cmyk.data();
    if (!s.read_scanline(target)) return s.broken(why);
    if (!s.cmyk.empty()) cmyk_to_rgb(target, row, width());
    if (s.info.output_scanline == s.info.output_height) s.finish();
    return true;
}

open_result open_jpeg_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                           std::string* why) {
    auto decoder = std::make_unique<jpeg_decoder>();
    if (!decoder->open(file, why)) return open_result::failed;
    if (role == row_role::labels && decoder->channels() != 1) return open_result::not_covered;
    const int orientation = decoder->orientation();
    *rows = oriented_rows(std::make_unique<jpeg_file_rows>(std::move(decoder)), orientation);
    return open_result::opened;
}

open_result open_jpeg_rgb_rows(const std::string& file, std::unique_ptr<rgb_rows>* rows, std::string* why) {
    auto decoder = std::make_unique<jpeg_decoder>();
    if (!decoder->open(file, why)) return open_result::failed;
    if (decoder->channels() != 3) return open_result::not_covered;
    *rows = std::make_unique<jpeg_rgb_rows>(std::move(decoder));
    return open_result::opened;
}

std::unique_ptr<pixel_rows> oriented_rows(std::unique_ptr<pixel_rows> stored, int orientation) {
    if (orientation < 2 || orientation > 8) return stored;
    return std::make_unique<reoriented_rows>(std::move(stored), orientation);
}

int exif_orientation(const unsigned char* bytes, std::size_t size) {
    // "Exif\0\0", then a TIFF header: byte order, 42, the first directory's
    // offset; the directory: a count, then 12-byte entries.
    const std::size_t tiff = 6;
    if (size < tiff + 8 || std::memcmp(bytes, "Exif\0\0", 6) != 0) return 1;
    const unsigned char* t = bytes + tiff;
    const std::size_t length = size - tiff;
    const bool big = t[0] == 'M' && t[1] == 'M';
    if (!big && !(t[0] == 'I' && t[1] == 'I')) return 1;
    if (read16(t + 2, big) != 42) return 1;
    const unsigned long directory = read32(t + 4, big);
    if (directory > length || length - directory < 2) return 1;
    const unsigned entries = read16(t + directory, big);
    for (unsigned i = 0; i < entries; ++i) {
        const unsigned long at = directory + 2 + 12ul * i;
        if (at + 12 > length) return 1;
        const unsigned char* entry = t + at;
        // Orientation: tag 0x0112, type SHORT, one value.
        if (read16(entry, big) != 0x0112) continue;
        if (read16(entry + 2, big) != 3) return 1;
        const unsigned value = read16(entry + 8, big);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}

}  // namespace strandel
