// SPDX-License-Identifier: GPL-3.0-or-later
// Painting a segmentation over an area of a GIMP drawable, tile strip by
// tile strip, with any pixel classifier; and the pair counts of an area
// against a manual segmentation. The preview and the whole-drawable run
// share both.
#pragma once

#include <libgimp/gimp.h>

#include <functional>
#include <vector>

#include "evaluation/classification.h"
#include "evaluation/jaccard.h"
#include "evaluation/pixel_classifier_gimp.h"
#include "framework/histogram.h"

namespace strandel {

// A segmentation to paint: the histogram it was computed from, the centres
// and the class map of those centres.
struct segmentation {
    const histogram* h;
    const std::vector<double>* centres;
    const class_map* classes;
};

// Receives painted rows: the first row's y, the number of rows and their
// bytes (the area's width times the drawable's bytes per pixel per row).
using row_sink = std::function<void(int y, int rows, const unsigned char* bytes)>;

// Paints the segmentation of the area (x, y, width, height) of `drawable`:
// every pixel is given its class by `classifier` and shown as paint_row
// shows it. The area is read a strip of tile rows at a time, with one row
// above and below for the neighbourhood, and handed to `sink` strip by
// strip. `progress` (may be empty) hears the fraction of rows done.
void paint_segmentation(GimpDrawable* drawable, int x, int y, int width, int height, const segmentation& s,
                        const pixel_classifier* classifier, const row_sink& sink,
                        const std::function<void(double)>& progress = nullptr);

// The pair counts of the area of `drawable` against the same area of
// `manual` and the histogram of that area; false when `manual` is null or
// not of the drawable's size.
bool count_against_manual(GimpDrawable* drawable, GimpDrawable* manual, int x, int y, int width, int height,
                          histogram* h, gray_label_counts* counts);

}  // namespace strandel
