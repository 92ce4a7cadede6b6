#include "core/sound/sonogram_view.h"

#include "core/sound/sonogram.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace morvelin {

namespace {
constexpr double min_span_s = 0.05;
constexpr double min_band_hz = 200;
} // namespace

void SonogramRange::clamp() {
    length_s = std::max(length_s, 0.0);
    top_hz = std::max(top_hz, min_band_hz);
    span_s = std::clamp(span_s, min_span_s, std::max(length_s, min_span_s));
    t0 = std::clamp(t0, 0.0, std::max(length_s - span_s, 0.0));
    high_hz = std::clamp(high_hz, min_band_hz, top_hz);
    low_hz = std::clamp(low_hz, 0.0, high_hz - min_band_hz);
}

void SonogramRange::zoom_time(double factor, double anchor_s) {
    if (!(factor > 0)) return;
    const double fraction = span_s > 0 ? (anchor_s - t0) / span_s : 0;
    span_s /= factor;
    span_s = std::clamp(span_s, min_span_s, std::max(length_s, min_span_s));
    t0 = anchor_s - fraction * span_s;
    clamp();
}

void SonogramRange::zoom_frequency(double factor, double anchor_hz) {
    if (!(factor > 0)) return;
    const double band = high_hz - low_hz;
    const double fraction = band > 0 ? (anchor_hz - low_hz) / band : 0;
    const double new_band = std::clamp(band / factor, min_band_hz, top_hz);
    low_hz = std::max(anchor_hz - fraction * new_band, 0.0);
    high_hz = low_hz + new_band;
    if (high_hz > top_hz) {
        high_hz = top_hz;
        low_hz = top_hz - new_band;
    }
    clamp();
}

void SonogramRange::scroll(double seconds) {
    t0 += seconds;
    clamp();
}

void SonogramRange::follow(double t) {
    if (t >= t0 && t <= t0 + span_s) return;
    t0 = t < t0 ? t - span_s * 0.9 : t - span_s * 0.1;
    clamp();
}

double sonogram_intensity(std::uint8_t level, const SonogramLook& look) {
    const double darkest = -20.0 + look.brightness;
    const double contrast = std::max(look.contrast, 1);
    return std::clamp((sonogram_db(level) - (darkest - contrast)) / contrast, 0.0, 1.0);
}

namespace {

// A perceptually ordered ramp from near black through purple and orange to pale yellow, in the manner
// of the magma map: these nine points, evenly spaced, interpolated in RGB.
constexpr std::array<std::array<double, 3>, 9> perceptual = {{
    {0, 0, 4},
    {28, 16, 68},
    {79, 18, 123},
    {129, 37, 129},
    {181, 54, 122},
    {229, 80, 100},
    {251, 135, 97},
    {254, 194, 135},
    {252, 253, 191},
}};

} // namespace

std::uint32_t sonogram_colour(double intensity, int colour_map) {
    intensity = std::clamp(intensity, 0.0, 1.0);
    if (colour_map != 1) {
        const auto grey = std::uint32_t(std::lround(255 * (1 - intensity)));
        return grey << 16 | grey << 8 | grey;
    }
    const double at = intensity * (perceptual.size() - 1);
    const auto i = std::min(std::size_t(at), perceptual.size() - 2);
    const double f = at - double(i);
    std::uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        const double v = perceptual[i][std::size_t(c)] * (1 - f) + perceptual[i + 1][std::size_t(c)] * f;
        rgb = rgb << 8 | std::uint32_t(std::lround(std::clamp(v, 0.0, 255.0)));
    }
    return rgb;
}

std::vector<std::uint32_t> sonogram_palette(const SonogramLook& look) {
    std::vector<std::uint32_t> palette(256);
    for (int level = 0; level < 256; ++level)
        palette[std::size_t(level)] = sonogram_colour(sonogram_intensity(std::uint8_t(level), look), look.colour_map);
    return palette;
}

double sonogram_axis_step(double span, int count) {
    if (!(span > 0) || count < 1) return 1;
    const double rough = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= rough) return m * power;
    return 10 * power;
}

} // namespace morvelin
