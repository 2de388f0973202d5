// Segmenting a GIMP drawable: painting the classes of an area, tile strip
// by tile strip, and the whole run of the interactive procedure on a
// drawable (histogram, chain, painting as one undo step).
#pragma once

#include <libgimp/gimp.h>

#include <functional>
#include <string>
#include <vector>

#include "evaluation/classification.h"
#include "evaluation/pixel_classifier_gimp.h"
#include "evaluation/supervised_matches.h"
#include "framework/histogram.h"
#include "framework/pass.h"

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

// What segmenting a whole drawable produced.
struct drawable_segmentation {
    histogram h;
    std::vector<std::vector<double>> outcome;  // centres after each pass
    bool has_manual = false;
    supervised_matches supervised;             // of the last pass, when has_manual
};

// Segments the whole drawable with `chain` and paints the result into it
// with `classifier`, inside one undo group, showing progress in GIMP's
// status bar. `manual` (may be null) is the image's manual segmentation;
// its matches are taken before the drawable is painted over. False, with
// the reason in `error`, when the drawable cannot be segmented.
bool segment_drawable(GimpDrawable* drawable, const std::vector<pass*>& chain, const pixel_classifier* classifier,
                      GimpDrawable* manual, drawable_segmentation* result, std::string* error);

// The pair counts of the area of `drawable` against the same area of
// `manual` and the histogram of that area; false when `manual` is null or
// not of the drawable's size.
bool count_against_manual(GimpDrawable* drawable, GimpDrawable* manual, int x, int y, int width, int height,
                          histogram* h, gray_label_counts* counts);

}  // namespace strandel
