// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/tiff_check.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoding/file_check.h"
#include "decoding/wide_image.h"

namespace strandel {

namespace {

// libtiff's messages go to the file's own handlers, never to standard error.
int keep_error(TIFF*, void* message, const char*, const char* format, va_list arguments) {
    std::vsnprintf(static_cast<char*>(message), 256, format, arguments);
    return 1;
}
int ignore_warning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class tiff_file {
public:
    explicit tiff_file(const std::string& file) {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, keep_error, m_message);
        TIFFOpenOptionsSetWarningHandlerExtR(options, ignore_warning, nullptr);
        m_tiff = TIFFOpenExt(file.c_str(), "r", options);
        TIFFOpenOptionsFree(options);
    }
    ~tiff_file() {
        if (m_tiff) TIFFClose(m_tiff);
    }
    tiff_file(const tiff_file&) = delete;
    tiff_file& operator=(const tiff_file&) = delete;

    TIFF* get() const { return m_tiff; }
    bool broken(std::string* why) const {
        *why = std::string("not a readable TIFF (") + (m_message[0] ? m_message : "it does not decode") + ")";
        return false;
    }

    // Every strip (or tile) of the current page.
    bool decodes() const {
        const bool tiled = TIFFIsTiled(m_tiff);
        const tmsize_t size = tiled ? TIFFTileSize(m_tiff) : TIFFStripSize(m_tiff);
        if (size <= 0) return false;
        std::vector<unsigned char> buffer(static_cast<std::size_t>(size));
        const uint32_t pieces = tiled ? TIFFNumberOfTiles(m_tiff) : TIFFNumberOfStrips(m_tiff);
        for (uint32_t i = 0; i < pieces; ++i) {
            const tmsize_t read = tiled ? TIFFReadEncodedTile(m_tiff, i, buffer.data(), size)
                                        : TIFFReadEncodedStrip(m_tiff, i, buffer.data(), size);
            if (read < 0) return false;
        }
        return true;
    }

private:
    TIFF* m_tiff = nullptr;
    char m_message[256] = "";
};

}  // namespace

bool tiff_decodes_completely(const std::string& file, std::string* why) {
    tiff_file tiff(file);
    if (!tiff.get()) return tiff.broken(why);
    const tdir_t pages = TIFFNumberOfDirectories(tiff.get());
    if (pages > 1) {
        *why = "it holds " + std::to_string(pages) +
               " pages (a multi-page TIFF); only single-page TIFFs are read: save the page wanted alone";
        return false;
    }
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    if (!fits_histogram(width, height, why)) return false;
    return tiff.decodes() || tiff.broken(why);
}

namespace {

int tiff_field(TIFF* tiff, ttag_t tag) {
    uint16_t value = 0;
    TIFFGetFieldDefaulted(tiff, tag, &value);
    return value;
}

// Copies `rows` x `columns` samples of one strip or tile at (x, y).
void place_piece(const unsigned char* piece, int bits, int piece_width, int x, int y, int rows, wide_image* image) {
    const int c = image->channels;
    for (int r = 0; r < rows && y + r < image->height; ++r)
        for (int col = 0; col < piece_width && x + col < image->width; ++col)
            for (int s = 0; s < c; ++s) {
                const std::size_t at = (std::size_t(r) * piece_width + col) * c + s;
                std::uint16_t value;
                if (bits == 16)
                    std::memcpy(&value, piece + 2 * at, 2);
                else
                    value = piece[at];
                image->samples[((std::size_t(y + r) * image->width) + (x + col)) * c + s] = value;
            }
}

}  // namespace

bool tiff_is_16_bit(const std::string& file) {
    tiff_file tiff(file);
    return tiff.get() && tiff_field(tiff.get(), TIFFTAG_BITSPERSAMPLE) == 16 &&
           tiff_field(tiff.get(), TIFFTAG_SAMPLEFORMAT) == SAMPLEFORMAT_UINT;
}

int tiff_samples_per_pixel(const std::string& file) {
    tiff_file tiff(file);
    return tiff.get() ? tiff_field(tiff.get(), TIFFTAG_SAMPLESPERPIXEL) : 0;
}

bool read_tiff_samples(const std::string& file, wide_image* image, std::string* why) {
    tiff_file tiff(file);
    TIFF* t = tiff.get();
    if (!t) return tiff.broken(why);
    uint32_t width = 0, height = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
    if (!fits_histogram(width, height, why)) return false;
    const int bits = tiff_field(t, TIFFTAG_BITSPERSAMPLE), channels = tiff_field(t, TIFFTAG_SAMPLESPERPIXEL);
    if ((bits != 8 && bits != 16) || tiff_field(t, TIFFTAG_SAMPLEFORMAT) != SAMPLEFORMAT_UINT || channels < 1 ||
        channels > 4 || (channels > 1 && tiff_field(t, TIFFTAG_PLANARCONFIG) != PLANARCONFIG_CONTIG)) {
        *why = "only TIFFs of 8- or 16-bit unsigned samples, 1 to 4 a pixel stored together, are read whole";
        return false;
    }
    image->width = int(width);
    image->height = int(height);
    image->channels = channels;
    image->samples.assign(std::size_t(width) * height * channels, 0);
    const bool tiled = TIFFIsTiled(t);
    uint32_t piece_width = width, piece_height = 0;
    if (tiled) {
        TIFFGetField(t, TIFFTAG_TILEWIDTH, &piece_width);
        TIFFGetField(t, TIFFTAG_TILELENGTH, &piece_height);
    } else {
        TIFFGetFieldDefaulted(t, TIFFTAG_ROWSPERSTRIP, &piece_height);
        piece_height = std::min(piece_height, height);
    }
    const tmsize_t size = tiled ? TIFFTileSize(t) : TIFFStripSize(t);
    if (size <= 0 || piece_width == 0 || piece_height == 0) return tiff.broken(why);
    std::vector<unsigned char> piece(static_cast<std::size_t>(size));
    const uint32_t across = tiled ? (width + piece_width - 1) / piece_width : 1;
    const uint32_t pieces = tiled ? TIFFNumberOfTiles(t) : TIFFNumberOfStrips(t);
    for (uint32_t i = 0; i < pieces; ++i) {
        const tmsize_t read = tiled ? TIFFReadEncodedTile(t, i, piece.data(), size) : TIFFReadEncodedStrip(t, i, piece.data(), size);
        if (read < 0) return tiff.broken(why);
        const int x = int((i % across) * piece_width), y = int((i / across) * piece_height);
        place_piece(piece.data(), bits, int(piece_width), x, y, int(piece_height), image);
    }
    return true;
}

}  // namespace strandel
