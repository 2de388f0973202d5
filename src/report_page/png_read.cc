// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/png_read.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/text_lines.h"

namespace strandel {
namespace {

// libpng's read state and the file for one decode. libpng reports errors by
// longjmp, so every call into it sits in a member function that sets the
// jump first and creates nothing with a destructor after it.
class png_source {
public:
    explicit png_source(const std::string& path) {
        // Non-blocking, so that a FIFO is looked at instead of waited on.
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        struct stat info;
        if (fd < 0 || fstat(fd, &info) != 0) {
            m_why = std::strerror(errno);
            if (fd >= 0) ::close(fd);
            return;
        }
        if (!S_ISREG(info.st_mode)) {
            m_why = "it is " + kind_of_special_file(info.st_mode) + ", not a regular file";
            ::close(fd);
            return;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        m_file = fdopen(fd, "rb");
        unsigned char signature[8];
        if (!m_file || std::fread(signature, 1, 8, m_file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
            m_why = "not a PNG file";
            return;
        }
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, keep_error, warning_ignored);
        if (m_png) m_info = png_create_info_struct(m_png);
        if (!m_info) {
            m_why = "out of memory";
            return;
        }
        png_init_io(m_png, m_file);
        png_set_sig_bytes(m_png, 8);
    }
    ~png_source() {
        if (m_png) png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr);
        if (m_file) std::fclose(m_file);
    }
    png_source(const png_source&) = delete;
    png_source& operator=(const png_source&) = delete;

    const std::string& why() const { return m_why; }
    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }
    std::uint32_t width() const { return m_width; }
    std::uint32_t height() const { return m_height; }
    int channels() const { return m_channels; }
    int depth() const { return m_depth; }

    // Reads the header, lets `transform` set libpng's conversions (false:
    // not an image of the kind wanted), and prepares the rows.
    template <typename Transform>
    bool start(Transform transform) {
        if (!m_info) return false;
        if (setjmp(png_jmpbuf(m_png))) return failed();
        png_read_info(m_png, m_info);
        m_width = png_get_image_width(m_png, m_info);
        m_height = png_get_image_height(m_png, m_info);
        m_depth = png_get_bit_depth(m_png, m_info);
        const std::uint64_t pixels = std::uint64_t(m_width) * m_height;
        if (pixels > largest_shown_image) return refuse("more pixels than any benchmark image has");
        m_interlaced = png_get_interlace_type(m_png, m_info) != PNG_INTERLACE_NONE;
        if (m_interlaced && pixels > largest_interlaced_png)
            return refuse("an interlaced PNG of more than " + std::to_string(largest_interlaced_png) +
                          " pixels (it is decoded whole)");
        if (!transform(m_png, m_info)) return refuse("a colour PNG, which is no label image");
        if (m_interlaced) png_set_interlace_handling(m_png);
        png_read_update_info(m_png, m_info);
        m_channels = png_get_channels(m_png, m_info);
        m_row_bytes = png_get_rowbytes(m_png, m_info);
        return true;
    }

    // The next row as libpng gives it after the transforms.
    const unsigned char* next() {
        if (m_interlaced) return next_of_whole();
        m_row.resize(m_row_bytes);
        if (setjmp(png_jmpbuf(m_png))) return nullptr;
        png_read_row(m_png, m_row.data(), nullptr);
        return m_row.data();
    }

private:
    const unsigned char* next_of_whole() {
        if (m_whole.empty()) {
            m_whole.resize(m_row_bytes * m_height);
            m_pointers.resize(m_height);
            for (std::uint32_t y = 0; y < m_height; ++y) m_pointers[y] = m_whole.data() + y * m_row_bytes;
            if (!read_whole()) return nullptr;
        }
        return m_next < m_height ? m_pointers[m_next++] : nullptr;
    }
    bool read_whole() {
        if (setjmp(png_jmpbuf(m_png))) return false;
        png_read_image(m_png, m_pointers.data());
        return true;
    }
    bool refuse(const std::string& why) {
        m_why = why;
        return false;
    }
    bool failed() {
        if (m_why.empty()) m_why = "not a PNG libpng decodes";
        return false;
    }
    // A file that does not decode gets a placeholder and a note; libpng's
    // own handler would print to standard error.
    static void keep_error(png_structp png, png_const_charp message) {
        auto* self = static_cast<png_source*>(png_get_error_ptr(png));
        if (self->m_why.empty()) self->m_why = std::string("damaged PNG (") + message + ")";
        png_longjmp(png, 1);
    }
    static void warning_ignored(png_structp, png_const_charp) {}

    std::FILE* m_file = nullptr;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    std::string m_why;
    std::uint32_t m_width = 0, m_height = 0, m_next = 0;
    int m_channels = 0, m_depth = 8;
    bool m_interlaced = false;
    std::size_t m_row_bytes = 0;
    std::vector<unsigned char> m_row, m_whole;
    std::vector<png_bytep> m_pointers;
};

class png_image_rows : public image_row_source {
public:
    png_image_rows(std::unique_ptr<png_source> source)
        : image_row_source(static_cast<int>(source->width()), static_cast<int>(source->height()), source->channels()),
          m_source(std::move(source)) {}
    const unsigned char* next_row(std::string* why) override {
        const unsigned char* row = m_source->next();
        if (!row) *why = m_source->why().empty() ? "damaged PNG" : m_source->why();
        return row;
    }

private:
    std::unique_ptr<png_source> m_source;
};

class png_label_rows : public label_rows {
public:
    png_label_rows(std::unique_ptr<png_source> source)
        : label_rows(static_cast<int>(source->width()), static_cast<int>(source->height())),
          m_source(std::move(source)), m_labels(width()) {}
    const std::uint16_t* next_row(std::string* why) override {
        const unsigned char* row = m_source->next();
        if (!row) {
            *why = m_source->why().empty() ? "damaged PNG" : m_source->why();
            return nullptr;
        }
        const bool sixteen = m_source->depth() == 16;
        for (int x = 0; x < width(); ++x)
            m_labels[x] = sixteen ? static_cast<std::uint16_t>(row[2 * x] << 8 | row[2 * x + 1]) : row[x];
        return m_labels.data();
    }

private:
    std::unique_ptr<png_source> m_source;
    std::vector<std::uint16_t> m_labels;
};

}  // namespace

std::unique_ptr<image_row_source> open_png_rows(const std::string& path, std::string* why) {
    auto source = std::make_unique<png_source>(path);
    const auto to_8_bit_gray_or_rgb = [](png_structp png, png_infop info) {
        const int type = png_get_color_type(png, info);
        if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
        if (type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
        png_set_scale_16(png);
        if (type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
        return true;
    };
    if (!source->start(to_8_bit_gray_or_rgb) || (source->channels() != 1 && source->channels() != 3)) {
        *why = source->why().empty() ? "an unusual PNG" : source->why();
        return nullptr;
    }
    return std::make_unique<png_image_rows>(std::move(source));
}

std::unique_ptr<label_rows> open_label_rows(const std::string& path, std::string* why) {
    auto source = std::make_unique<png_source>(path);
    const auto raw_indices = [](png_structp png, png_infop info) {
        const int type = png_get_color_type(png, info);
        if (type != PNG_COLOR_TYPE_GRAY && type != PNG_COLOR_TYPE_GRAY_ALPHA && type != PNG_COLOR_TYPE_PALETTE)
            return false;
        // One byte per pixel for 1, 2 and 4 bits, values unscaled.
        if (png_get_bit_depth(png, info) < 8) png_set_packing(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_strip_alpha(png);
        return true;
    };
    if (!source->start(raw_indices) || source->channels() != 1) {
        *why = source->why().empty() ? "an unusual PNG" : source->why();
        return nullptr;
    }
    return std::make_unique<png_label_rows>(std::move(source));
}

}  // namespace strandel
