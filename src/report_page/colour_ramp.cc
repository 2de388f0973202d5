// SPDX-License-Identifier: GPL-3.0-or-later
#include "report_page/colour_ramp.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace strandel {
namespace {

constexpr double pi = 3.14159265358979323846;

struct linear_rgb {
    double r, g, b;
};

// OKLab to linear sRGB (Ottosson's matrices).
linear_rgb from_oklab(double L, double a, double b) {
    const double l_ = L + 0.3963377774 * a + 0.2158037573 * b;
    const double m_ = L - 0.1055613458 * a - 0.0638541728 * b;
    const double s_ = L - 0.0894841775 * a - 1.2914855480 * b;
    const double l = l_ * l_ * l_, m = m_ * m_ * m_, s = s_ * s_ * s_;
    return {4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s,
            -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s,
            -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s};
}

bool in_gamut(const linear_rgb& c) {
    const double e = 1e-9;
    return c.r >= -e && c.r <= 1 + e && c.g >= -e && c.g <= 1 + e && c.b >= -e && c.b <= 1 + e;
}

unsigned char encoded(double linear) {
    const double v = std::clamp(linear, 0.0, 1.0);
    const double srgb = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return static_cast<unsigned char>(std::lround(srgb * 255));
}

std::array<rgb, 256> make_steps() {
    std::array<rgb, 256> steps{};
    for (int i = 0; i < 256; ++i) steps[i] = ramp_colour(i / 255.0);
    return steps;
}

}  // namespace

rgb ramp_colour(double t) {
    t = std::clamp(std::isnan(t) ? 0.5 : t, 0.0, 1.0);
    const double L = 0.30 + 0.62 * t, hue = (290 - 185 * t) * pi / 180;
    double chroma = 0.10 + 0.06 * t;
    // The largest chroma up to the wanted one that sRGB can show.
    if (!in_gamut(from_oklab(L, chroma * std::cos(hue), chroma * std::sin(hue)))) {
        double low = 0, high = chroma;
        for (int k = 0; k < 40; ++k) {
            const double mid = (low + high) / 2;
            (in_gamut(from_oklab(L, mid * std::cos(hue), mid * std::sin(hue))) ? low : high) = mid;
        }
        chroma = low;
    }
    const linear_rgb c = from_oklab(L, chroma * std::cos(hue), chroma * std::sin(hue));
    return {encoded(c.r), encoded(c.g), encoded(c.b)};
}

const rgb& ramp_step(int step) {
    static const std::array<rgb, 256> steps = make_steps();
    return steps[static_cast<std::size_t>(std::clamp(step, 0, 255))];
}

int ramp_step_of(double t) { return static_cast<int>(std::lround(std::clamp(std::isnan(t) ? 0.5 : t, 0.0, 1.0) * 255)); }

std::string css_colour(const rgb& colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.r, colour.g, colour.b);
    return text;
}

}  // namespace strandel
