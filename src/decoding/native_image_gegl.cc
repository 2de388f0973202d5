// SPDX-License-Identifier: GPL-3.0-or-later
#include "decoding/native_image_gegl.h"

#include <gegl.h>
#include <gio/gio.h>
extern "C" {
#include <operation/gegl-operation-handlers.h>  // has no C++ guard of its own
}

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "decoding/image_header.h"
#include "evaluation/jaccard.h"
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

    // Decodes `file`; false with the reason in `why` when it cannot.
    bool load(const std::string& file, std::string* why);

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
        if (const char* loader = gegl_operation_handlers_get_loader(extension.c_str())) return loader;

    unsigned char head[256];
    std::size_t size = 0;
    if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
        size = std::fread(head, 1, sizeof head, f);
        std::fclose(f);
    }
    gboolean uncertain = FALSE;
    gchar* content_type = g_content_type_guess(nullptr, head, size, &uncertain);
    gchar* mime = content_type ? g_content_type_get_mime_type(content_type) : nullptr;
    const char* loader = mime ? gegl_operation_handlers_get_loader(mime) : nullptr;
    g_free(mime);
    g_free(content_type);
    return loader;
}

bool decoded_image::load(const std::string& file, std::string* why) {
    if (file.empty()) {
        *why = "the file name is empty";
        return false;
    }
    // gegl:load would show a missing file as a picture of an error message;
    // the loaders are called directly so that a failure is one.
    if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
        std::fclose(f);
    } else {
        *why = std::strerror(errno);
        return false;
    }
    const char* loader = loader_for(file);
    if (!loader) {
        *why = "GEGL has no loader for this kind of file";
        return false;
    }
    GeglNode* graph = gegl_node_new();
    GeglNode* load = gegl_node_new_child(graph, "operation", loader, "path", file.c_str(), nullptr);
    GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:buffer-sink", "buffer", &m_buffer, nullptr);
    gegl_node_link(load, sink);
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

}  // namespace

native_engine::native_engine() {
    gegl_init(nullptr, nullptr);
    // The runner decides how many images are decoded at once (--jobs);
    // GEGL's own worker threads would only compete with it.
    g_object_set(gegl_config(), "threads", 1, nullptr);
    // Loaders register their file types when their classes are made;
    // listing the operations makes them all, once, before any thread asks.
    guint count = 0;
    g_free(gegl_list_operations(&count));
}

native_engine::~native_engine() { gegl_exit(); }

read_status read_image_native(const image_request& request, image_data& data, std::string* why) {
    const std::string& file = request.image;
    std::string kind;
    if (is_palette_image(file, &kind)) {
        *why = "it is " + kind + ", whose pixels GIMP keeps as palette indices; the native engine reads only "
               "gray and colour images (convert it to gray or RGB first)";
        return read_status::unreadable;
    }
    decoded_image image;
    if (!image.load(file, why)) return read_status::unreadable;

    decoded_image manual;
    std::string ignored;
    const std::string& manual_file = request.manual;
    data.has_manual = false;
    if (std::FILE* f = manual_file.empty() ? nullptr : std::fopen(manual_file.c_str(), "rb")) {
        std::fclose(f);
        data.has_manual = manual.load(manual_file, &ignored) && manual.width() == image.width() &&
                          manual.height() == image.height();
    }

    const Babl* format = image_format(image);
    const int bpp = babl_format_get_bytes_per_pixel(format);
    clear_histogram(data.h);
    std::vector<unsigned char> pixels, labels;
    if (!data.has_manual) {
        for (int y = 0; y < image.height(); y += strip_rows) {
            const int rows = std::min(strip_rows, image.height() - y);
            image.read_rows(y, rows, format, pixels);
            add_pixels_to_histogram(pixels.data(), static_cast<std::size_t>(image.width()) * rows, bpp, data.h);
        }
        return read_status::ok;
    }

    const Babl* label_format = manual_format(manual);
    const int label_bpp = babl_format_get_bytes_per_pixel(label_format);
    data.manual.clear();
    for (int y = 0; y < image.height(); y += strip_rows) {
        const int rows = std::min(strip_rows, image.height() - y);
        image.read_rows(y, rows, format, pixels);
        manual.read_rows(y, rows, label_format, labels);
        add_pixel_pairs(pixels.data(), bpp, labels.data(), label_bpp, static_cast<std::size_t>(image.width()) * rows,
                        data.h, data.manual);
    }
    return read_status::ok;
}

}  // namespace strandel
