// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/tiff_check.h"

#include <tiffio.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "decoding/file_check.h"

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

}  // namespace strandel
