// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel classifiers: the class of one pixel when a segmentation is painted,
// from its gray level alone or from its gray level and its neighbours.
#pragma once

#include <libgimp/gimp.h>

#include <map>
#include <vector>

#include "evaluation/classification.h"
#include "framework/histogram.h"
#include "framework/registry.h"

namespace strandel {

class pixel_classifier {
public:
    explicit pixel_classifier(const char* label) : m_label(label) {}
    virtual ~pixel_classifier() = default;

    // The class index of the pixel of gray level `gray` at (x, y), in
    // drawable coordinates. `region` is initialised over `drawable`. The
    // last argument is not read by any classifier.
    virtual int operator()(const histogram& h, const std::vector<double>& centres, const class_map& classes,
                           GimpDrawable* drawable, GimpPixelRgn* region, unsigned char gray, int x, int y,
                           double weight) const = 0;

    const char* label() const { return m_label; }

private:
    const char* m_label;
};

// The nearest centre to the gray level (class 0 when there is no centre).
class pure_pixel_classifier : public pixel_classifier {
public:
    pure_pixel_classifier() : pixel_classifier("Pure Gray Level Classifier") {}
    int operator()(const histogram& h, const std::vector<double>& centres, const class_map& classes,
                   GimpDrawable* drawable, GimpPixelRgn* region, unsigned char gray, int x, int y,
                   double weight) const override;
};

// The class that is both near in gray level and frequent around the pixel:
// smallest |gray - centre| / votes over the 3 x 3 neighbourhood.
class pos_pixel_classifier : public pixel_classifier {
public:
    pos_pixel_classifier() : pixel_classifier("Position Sensitive Classifier") {}
    int operator()(const histogram& h, const std::vector<double>& centres, const class_map& classes,
                   GimpDrawable* drawable, GimpPixelRgn* region, unsigned char gray, int x, int y,
                   double weight) const override;
};

class pixel_classifier_repertoire : public registry<pixel_classifier_repertoire, pixel_classifier> {
    friend class registry<pixel_classifier_repertoire, pixel_classifier>;
};

// Adds the pure classifier, then the position-sensitive one.
void register_pixel_classifiers();

// Class votes of the 3 x 3 neighbourhood of (x, y), positions outside the
// region skipped: class index -> number of votes.
void neighbourhood(GimpPixelRgn* region, int x, int y, const std::vector<double>& centres,
                   std::map<int, int>* votes);

}  // namespace strandel
