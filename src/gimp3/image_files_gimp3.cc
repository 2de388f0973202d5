// SPDX-License-Identifier: GPL-3.0-or-later
#include "gimp3/image_files_gimp3.h"

#include <cstdio>

#include "evaluation/jaccard.h"

namespace strandel {

GimpImage* load_image_file(const std::string& file) {
    GFile* handle = g_file_new_for_path(file.c_str());
    GimpImage* image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, handle);
    g_object_unref(handle);
    return image;
}

bool convert_to_8bit(GimpImage* image) {
    switch (gimp_image_get_precision(image)) {
    case GIMP_PRECISION_U8_LINEAR:
    case GIMP_PRECISION_U8_NON_LINEAR:
    case GIMP_PRECISION_U8_PERCEPTUAL: return true;
    default: return gimp_image_convert_precision(image, GIMP_PRECISION_U8_NON_LINEAR);
    }
}

GimpDrawable* first_layer(GimpImage* image) {
    GimpLayer** layers = gimp_image_get_layers(image);
    GimpDrawable* layer = layers && layers[0] ? GIMP_DRAWABLE(layers[0]) : nullptr;
    g_free(layers);
    return layer;
}

GimpDrawable* load_manual_segmentation_file(const std::string& file, GimpDrawable* like) {
    if (file.empty() || !like) return nullptr;
    if (std::FILE* probe = std::fopen(file.c_str(), "r"))
        std::fclose(probe);
    else
        return nullptr;
    GimpImage* manual = load_image_file(file);
    if (!manual) return nullptr;
    GimpDrawable* layer = first_layer(manual);
    const bool usable = (gimp_image_get_base_type(manual) == GIMP_GRAY || gimp_image_convert_grayscale(manual)) &&
                        convert_to_8bit(manual) && layer &&
                        gimp_drawable_get_width(layer) == gimp_drawable_get_width(like) &&
                        gimp_drawable_get_height(layer) == gimp_drawable_get_height(like);
    if (!usable) {
        gimp_image_delete(manual);
        return nullptr;
    }
    return layer;
}

GimpDrawable* load_manual_segmentation(GimpImage* image) {
    // The manual segmentation lies beside the file the image came from
    // (GIMP 2.10's file name of an image): the imported one, else its own.
    // GIMP 3 gives neither for an image a script loaded without showing.
    GFile* file = gimp_image_get_imported_file(image);
    if (!file) file = gimp_image_get_file(image);
    if (!file) return nullptr;
    gchar* path = g_file_get_path(file);
    const std::string name = path ? manual_segmentation_name(path) : std::string();
    g_free(path);
    return load_manual_segmentation_file(name, first_layer(image));
}

void release_manual_segmentation(GimpDrawable* manual) {
    if (manual) gimp_image_delete(gimp_item_get_image(GIMP_ITEM(manual)));
}

}  // namespace strandel
