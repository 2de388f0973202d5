// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/native_image_gegl.h"

#include <gegl.h>
#include <gio/gio.h>
extern "C" {
#include <operation/gegl-operation-handlers.h>  // has no C++ guard of its own
}

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "decoding/file_check.h"
#include "decoding/gif_rows.h"
#include "decoding/in_process_reader.h"
#include "decoding/jpeg_rows.h"
#include "decoding/png_rows.h"
#include "framework/pixel_layout.h"
#include "evaluation/pixel_pairs.h"

namespace strandel {

namespace {

// Rows read at a time: the decoded buffer is GEGL's, our copy stays small.
constexpr int strip_rows = 64;

// A decoded image, released with it.
class decoded_image {
public:
    decoded_image() = default;
    decoded_image(const decoded_image&) = delete;
    decoded_image& operator=(const decoded_image&) = delete;
    ~decoded_image() {
        if (m_buffer) g_object_unref(m_buffer);
    }

    // Decodes `file` with `loader` (none: GEGL has none for it); false with
    // the reason in `why` when it cannot.
    bool load(const std::string& file, const char* loader, std::string* why);

    int width() const { return m_extent.width; }
    int height() const { return m_extent.height; }
    bool gray() const;
    bool alpha() const { return babl_format_has_alpha(gegl_buffer_get_format(m_buffer)); }
    GeglBuffer* buffer() const { return m_buffer; }

    // Copies rows [y, y + rows) in `format` into `pixels`.
    void read_rows(int y, int rows, const Babl* format, std::vector<unsigned char>& pixels) const {
        const GeglRectangle strip = {m_extent.x, m_extent.y + y, m_extent.width, rows};
        pixels.resize(static_cast<std::size_t>(m_extent.width) * rows * babl_format_get_bytes_per_pixel(format));
        gegl_buffer_get(m_buffer, &strip, 1.0, format, pixels.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    }

private:
    GeglBuffer* m_buffer = nullptr;
    GeglRectangle m_extent = {0, 0, 0, 0};
};

std::string lower_extension(const std::string& file) {
    const std::size_t dot = file.rfind('.');
    const std::size_t slash = file.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string extension = file.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// The GEGL loader for a file: by its extension, else by its content, as
// GIMP finds a loader for a file whatever its name.
const char* loader_for(const std::string& file) {
    const std::string extension = lower_extension(file);
    if (!extension.empty())
        if (const char* loader = gegl_operation_handlers_get_loader(extension.c_str()))
            if (std::strcmp(loader, "gegl:magick-load") != 0) return loader;

    unsigned char head[256];
    const std::size_t size = read_file_head(file, head, sizeof head);
    gboolean uncertain = FALSE;
    gchar* content_type = g_content_type_guess(nullptr, head, size, &uncertain);
    gchar* mime = content_type ? g_content_type_get_mime_type(content_type) : nullptr;
    const char* loader = mime ? gegl_operation_handlers_get_loader(mime) : nullptr;
    g_free(mime);
    g_free(content_type);
    // GEGL's last resort runs ImageMagick's command-line tool, where there
    // is one, and reads back what it wrote: no loader of GEGL's own.
    return loader && std::strcmp(loader, "gegl:magick-load") != 0 ? loader : nullptr;
}

bool decoded_image::load(const std::string& file, const char* loader, std::string* why) {
    // gegl:load would show a missing file as a picture of an error message;
    // the loaders are called directly so that a failure is one.
    if (!loader) {
        *why = "GEGL has no loader for this kind of file";
        return false;
    }
    GeglNode* graph = gegl_node_new();
    GeglNode* load = gegl_node_new_child(graph, "operation", loader, "path", file.c_str(), nullptr);
    GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:buffer-sink", "buffer", &m_buffer, nullptr);
    gegl_node_link(load, sink);
    // The loaders read the size from the header: an image too large to
    // count is refused before anything is decoded.
    const GeglRectangle declared = gegl_node_get_bounding_box(load);
    if (!fits_histogram(std::uint64_t(std::max(declared.width, 0)), std::uint64_t(std::max(declared.height, 0)), why)) {
        g_object_unref(graph);
        return false;
    }
    gegl_node_process(sink);
    g_object_unref(graph);
    if (m_buffer) m_extent = *gegl_buffer_get_extent(m_buffer);
    if (!m_buffer || m_extent.width <= 0 || m_extent.height <= 0) {
        *why = std::string("GEGL could not decode it (") + loader + ")";
        return false;
    }
    return true;
}

bool decoded_image::gray() const {
    // Gray models are named Y, Y', Y~, YA, Y'A, YaA and so on.
    const char* model = babl_get_name(babl_format_get_model(gegl_buffer_get_format(m_buffer)));
    return model && model[0] == 'Y';
}

// `channels` ("Y", "YA", "RGB" or "RGBA") as 8-bit values, in the decoded
// image's own colour space, so that no profile changes the file's values.
// An 8-bit linear image is read as it is, as GIMP keeps it; any other
// precision is brought to 8-bit perceptual values (GIMP's "8 bit gamma").
const Babl* eight_bit_format(const decoded_image& image, const std::string& channels) {
    const Babl* own = gegl_buffer_get_format(image.buffer());
    const std::string model = babl_get_name(babl_format_get_model(own));
    const bool linear_u8 = babl_format_get_type(own, 0) == babl_type("u8") &&
                           model.find('\'') == std::string::npos && model.find('~') == std::string::npos;
    std::string encoding;
    if (channels[0] == 'Y')
        encoding = linear_u8 ? "Y" : "Y'";
    else
        encoding = linear_u8 ? "RGB" : "R'G'B'";
    if (channels.back() == 'A') encoding += "A";
    return babl_format_with_space((encoding + " u8").c_str(), babl_format_get_space(own));
}

// The layout GIMP gives a plug-in for an 8-bit layer of this image.
const Babl* image_format(const decoded_image& image) {
    if (image.gray()) return eight_bit_format(image, image.alpha() ? "YA" : "Y");
    return eight_bit_format(image, image.alpha() ? "RGBA" : "RGB");
}

// A manual segmentation is read as a gray layer: colours are converted to
// gray (babl's luminance, as GIMP's conversion to grayscale), alpha kept
// beside the gray byte and ignored.
const Babl* manual_format(const decoded_image& manual) {
    return eight_bit_format(manual, manual.alpha() ? "YA" : "Y");
}

// The rows of an image decoded by GEGL, read in strips in the layout GIMP
// would give a plug-in, as gray levels (image) or labels.
class gegl_rows : public pixel_rows {
public:
    gegl_rows(std::unique_ptr<decoded_image> image, row_role role)
        : pixel_rows(image->width(), image->height(), role == row_role::image && !image->gray()), m_image(std::move(image)),
          m_format(role == row_role::image ? image_format(*m_image) : manual_format(*m_image)),
          m_bpp(babl_format_get_bytes_per_pixel(m_format)), m_gray(static_cast<std::size_t>(width())) {}

    const unsigned char* next_row(std::string*) override {
        if (m_next == m_strip_end) {
            const int rows = std::min(strip_rows, height() - m_next);
            m_image->read_rows(m_next, rows, m_format, m_strip);
            m_strip_start = m_next;
            m_strip_end = m_next + rows;
        }
        const unsigned char* p =
            m_strip.data() + static_cast<std::size_t>(m_next - m_strip_start) * width() * m_bpp;
        for (unsigned char& g : m_gray) {
            g = pixel_gray_level(p, m_bpp);  // a label is the first byte of a gray layer
            p += m_bpp;
        }
        ++m_next;
        return m_gray.data();
    }

private:
    std::unique_ptr<decoded_image> m_image;
    const Babl* m_format;
    int m_bpp;
    std::vector<unsigned char> m_strip, m_gray;
    int m_next = 0, m_strip_start = 0, m_strip_end = 0;
};

// Where GEGL's modules live, and the ones the native engine loads: the image
// file loaders, the core and the common operations (gegl:buffer-sink). The
// others (hundreds of shared libraries, from video codecs to PDF) are never
// used.
const char* const gegl_module_dir = STRANDEL_GEGL_MODULE_DIR;
bool needed_module(const std::string& name) {
    if (name == "ff-load.so" || name == "pdf-load.so") return false;  // video, documents
    const bool image_loader = name.size() > 8 && name.compare(name.size() - 8, 8, "-load.so") == 0;
    const bool common = name == "gegl-common.so" || name.compare(0, 19, "gegl-common-x86_64-") == 0;
    return image_loader || common || name == "gegl-core.so";
}

// Links the needed modules into `folder` (made here if need be, parents
// included); false when it cannot be made. Missing links are added each
// time, and links whose module is gone removed, so that the folder follows
// the installed GEGL; links in place stay, for other runs may be reading
// the folder at the same moment.
bool link_modules(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1))
        mkdir(folder.substr(0, slash).c_str(), 0700);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    DIR* dir = opendir(gegl_module_dir);
    if (!dir) return false;
    bool linked = true;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (!needed_module(name)) continue;
        const std::string link = folder + "/" + name;
        if (symlink((std::string(gegl_module_dir) + "/" + name).c_str(), link.c_str()) != 0 && errno != EEXIST)
            linked = false;
    }
    closedir(dir);
    if (DIR* links = opendir(folder.c_str())) {
        struct stat target;
        while (const dirent* entry = readdir(links)) {
            const std::string link = folder + "/" + entry->d_name;
            if (entry->d_name[0] != '.' && stat(link.c_str(), &target) != 0) unlink(link.c_str());
        }
        closedir(links);
    }
    return linked;
}

// The folder GEGL_PATH names, set by native_engine before any thread
// starts (the environment is not changed once threads run); empty when the
// environment named its own. It lives in the user's cache folder, as babl's
// cache does: GEGL reloads a module from it whenever it needs it again.
std::string module_folder;
std::once_flag gegl_started;
bool gegl_running = false;

// GEGL starts the first time a file needs it, so that runs on files the
// in-process reader decodes never pay for it.
void start_gegl() {
    std::call_once(gegl_started, [] {
        const bool linked = !module_folder.empty() && link_modules(module_folder);
        gegl_init(nullptr, nullptr);
        if (!module_folder.empty() && !linked) gegl_load_module_directory(gegl_module_dir);
        // The runner decides how many images are decoded at once (--jobs);
        // GEGL's own worker threads would only compete with it.
        g_object_set(gegl_config(), "threads", 1, nullptr);
        // Loaders register their file types when their classes are made;
        // listing the operations makes them all, once.
        guint count = 0;
        g_free(gegl_list_operations(&count));
        gegl_running = true;
    });
}

// From 8-bit RGB to 8-bit gray in the colour space an ICC profile
// describes (sRGB without one, or with one babl does not take), as GIMP
// converts an image holding that profile to grayscale.
const Babl* luminance_fish(const std::vector<unsigned char>& icc) {
    const Babl* space = nullptr;
    if (!icc.empty()) {
        const char* error = nullptr;
        space = babl_space_from_icc(reinterpret_cast<const char*>(icc.data()), int(icc.size()),
                                    BABL_ICC_INTENT_RELATIVE_COLORIMETRIC, &error);
    }
    return babl_fish(babl_format_with_space("R'G'B' u8", space), babl_format_with_space("Y' u8", space));
}

// A colour JPEG or GIF read as labels: decoded as the in-process reader
// decodes it, converted to gray by babl's luminance as GEGL's loader would
// have its rows converted (GEGL's JPEG loader itself reads uninitialised
// memory for a file cut short and ends the process on a damaged one; its
// GIF loader blackens transparent pixels, whose colour GIMP keeps).
class luminance_rows : public pixel_rows {
public:
    explicit luminance_rows(std::unique_ptr<rgb_rows> colour)
        : pixel_rows(colour->width(), colour->height()), m_colour(std::move(colour)),
          m_fish(luminance_fish(m_colour->icc_profile())), m_rgb(std::size_t(width()) * 3),
          m_gray(std::size_t(width())) {}

    const unsigned char* next_row(std::string* why) override {
        if (!m_colour->next_row(m_rgb.data(), why)) return nullptr;
        babl_process(m_fish, m_rgb.data(), m_gray.data(), width());
        return m_gray.data();
    }

private:
    std::unique_ptr<rgb_rows> m_colour;
    const Babl* m_fish;
    std::vector<unsigned char> m_rgb, m_gray;
};

}  // namespace

open_result open_gegl_rows(const std::string& file, row_role role, std::unique_ptr<pixel_rows>* rows,
                           std::string* why) {
    if (!fit_for_other_decoders(file, why)) return open_result::failed;
    // GEGL's JPEG and GIF loaders read otherwise than GIMP's (see
    // luminance_rows): they are never given a file.
    if (role == row_role::labels) {
        std::unique_ptr<rgb_rows> colour;
        const open_result opened = open_colour_labels(file, &colour, why);
        if (opened == open_result::failed) return opened;
        if (opened == open_result::opened) {
            start_gegl();  // babl
            const int orientation = colour->orientation();
            *rows = oriented_rows(std::make_unique<luminance_rows>(std::move(colour)), orientation);
            return opened;
        }
    }
    unsigned char head[8];
    const std::size_t size = read_file_head(file, head, sizeof head);
    if (has_jpeg_signature(head, size) || has_gif_signature(head, size)) return open_in_process(file, role, rows, why);

    start_gegl();
    const char* loader = loader_for(file);
    // Every JPEG is decoded above: a file GEGL would give its JPEG loader
    // (by its name) is none, and that loader ends the process on it.
    if (loader && std::strcmp(loader, "gegl:jpg-load") == 0) {
        *why = "it is not a JPEG file, whatever its name says";
        return open_result::failed;
    }
    auto image = std::make_unique<decoded_image>();
    if (!image->load(file, loader, why)) return open_result::failed;
    *rows = std::make_unique<gegl_rows>(std::move(image), role);
    return open_result::opened;
}

native_engine::native_engine() {
    // babl's cache of conversions, written by GIMP, holds hundreds of
    // megabytes that babl would rebuild at start-up for the few conversions
    // used here.
    setenv("BABL_INHIBIT_CACHE", "1", 0);
    if (std::getenv("GEGL_PATH")) return;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    if (cache && *cache == '/')
        module_folder = std::string(cache) + "/strandel/gegl-loaders";
    else if (home && *home == '/')
        module_folder = std::string(home) + "/.cache/strandel/gegl-loaders";
    else
        return;
    setenv("GEGL_PATH", module_folder.c_str(), 1);
}

native_engine::~native_engine() {
    if (gegl_running) gegl_exit();
}

}  // namespace strandel
