// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/label_png.h"

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "decoding/png_rows.h"
#include "framework/temporary_files.h"

namespace strandel {

namespace {

const char text_key[] = "Software";
const char text_value[] = "Strandel label image";

std::uint32_t big_endian(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// libpng reports errors by a long jump back to the setjmp of the call that
// failed: the calls that can fail sit in functions with nothing to destroy.
struct png_encoder {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char error[200] = "";

    ~png_encoder() {
        if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    }
    static void on_error(png_structp png, png_const_charp message) {
        png_encoder* self = static_cast<png_encoder*>(png_get_error_ptr(png));
        // A refused write ("Write Error") says why only through errno,
        // which encode() cleared before it started.
        const int system = errno;
        std::snprintf(self->error, sizeof self->error, "%s%s%s", message, system ? ": " : "",
                      system ? std::strerror(system) : "");
        png_longjmp(png, 1);
    }
    static void on_warning(png_structp, png_const_charp) {}

    bool start(std::FILE* file, int width, int height, bool sixteen) {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, on_error, on_warning);
        info = png ? png_create_info_struct(png) : nullptr;
        if (!info) return false;
        if (setjmp(png_jmpbuf(png))) return false;
        png_init_io(png, file);
        // Label images are long runs of a few values: the fastest deflate
        // level keeps them small, and saving costs little beside the run.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_IHDR(png, info, width, height, sixteen ? 16 : 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_NONE;
        text.key = const_cast<char*>(text_key);
        text.text = const_cast<char*>(text_value);
        png_set_text(png, info, &text, 1);
        png_write_info(png, info);
        return true;
    }
    bool row(const unsigned char* bytes) {
        if (setjmp(png_jmpbuf(png))) return false;
        png_write_row(png, bytes);
        return true;
    }
    bool finish() {
        if (setjmp(png_jmpbuf(png))) return false;
        png_write_end(png, nullptr);
        return true;
    }
};

bool encode(std::FILE* file, int width, int height, bool sixteen, const png_label_store::row_filler& fill,
            std::string* why) {
    png_encoder encoder;
    errno = 0;
    bool ok = encoder.start(file, width, height, sixteen);
    std::vector<std::uint16_t> values(static_cast<std::size_t>(width));
    std::vector<unsigned char> row(std::size_t(width) * (sixteen ? 2 : 1));
    for (int y = 0; ok && y < height; ++y) {
        fill(y, &values);
        if (sixteen)
            for (int x = 0; x < width; ++x) {
                row[2 * x] = static_cast<unsigned char>(values[x] >> 8);
                row[2 * x + 1] = static_cast<unsigned char>(values[x]);
            }
        else
            for (int x = 0; x < width; ++x) row[x] = static_cast<unsigned char>(values[x]);
        ok = encoder.row(row.data());
    }
    ok = ok && encoder.finish();
    if (!ok) *why = encoder.error[0] ? encoder.error : "libpng could not encode it";
    return ok;
}

}  // namespace

bool is_label_png(const std::string& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return false;
    unsigned char head[8];
    bool found = false;
    if (std::fread(head, 1, 8, f) == 8 && has_png_signature(head, 8)) {
        // The text chunk comes before the pixels: only the chunks before
        // the first IDAT are looked at.
        while (!found && std::fread(head, 1, 8, f) == 8) {
            const std::uint32_t length = big_endian(head);
            if (std::memcmp(head + 4, "IDAT", 4) == 0 || std::memcmp(head + 4, "IEND", 4) == 0 || length > (1u << 30))
                break;
            if (std::memcmp(head + 4, "tEXt", 4) == 0 && length == sizeof text_key + sizeof text_value - 1) {
                char body[sizeof text_key + sizeof text_value];
                found = std::fread(body, 1, length, f) == length && std::memcmp(body, text_key, sizeof text_key) == 0 &&
                        std::memcmp(body + sizeof text_key, text_value, sizeof text_value - 1) == 0;
                if (std::fseek(f, 4, SEEK_CUR) != 0) break;
            } else if (std::fseek(f, long(length) + 4, SEEK_CUR) != 0) {
                break;
            }
        }
    }
    std::fclose(f);
    return found;
}

bool png_label_store::may_replace(const std::string& file, std::string* why) const {
    struct stat info;
    if (lstat(file.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        *why = std::strerror(errno);
        return false;
    }
    if (S_ISREG(info.st_mode) && is_label_png(file)) return true;
    *why = S_ISREG(info.st_mode) ? "the file exists and is no label image of Strandel (it lacks the text chunk \"" +
                                       std::string(text_key) + ": " + text_value + "\"): it is not overwritten"
                                 : "something that is not a regular file is in the way: it is not overwritten";
    return false;
}

bool png_label_store::write(const std::string& file, const gray_plane& gray, const std::vector<std::uint16_t>& lookup,
                            bool sixteen, std::string* why) const {
    return write_encoded(file, gray.width, gray.height, sixteen, [&](int y, std::vector<std::uint16_t>* values) {
        const unsigned char* levels = gray.levels.data() + std::size_t(y) * std::size_t(gray.width);
        for (int x = 0; x < gray.width; ++x) (*values)[x] = lookup[levels[x]];
    }, why);
}

bool png_label_store::write_plane(const std::string& file, const label_plane& classes, bool sixteen,
                                  std::string* why) const {
    return write_encoded(file, classes.width, classes.height, sixteen, [&](int y, std::vector<std::uint16_t>* values) {
        std::copy_n(classes.labels.begin() + std::ptrdiff_t(y) * classes.width, classes.width, values->begin());
    }, why);
}

bool png_label_store::write_encoded(const std::string& file, int width, int height, bool sixteen,
                                    const row_filler& fill, std::string* why) const {
    if (!may_replace(file, why)) return false;
    const std::size_t slash = file.rfind('/');
    temporary_file temporary(file.substr(0, slash == std::string::npos ? 0 : slash + 1) + label_temporary_prefix);
    if (!temporary.ok()) {
        *why = std::strerror(temporary.error_number());
        return false;
    }
    std::FILE* out = fdopen(temporary.release_fd(), "wb");
    if (!out) {
        *why = std::strerror(errno);
        return false;
    }
    bool ok = encode(out, width, height, sixteen, fill, why);
    if (std::fclose(out) != 0 && ok) {
        *why = std::strerror(errno);
        ok = false;
    }
    // Checked again just before the rename: a file may have come meanwhile.
    ok = ok && may_replace(file, why);
    if (ok && !temporary.rename_to(file)) {
        *why = std::strerror(temporary.error_number());
        ok = false;
    }
    return ok;
}

}  // namespace strandel
