#pragma once
// What the sonogram window shows: the stretch of time and the band of frequencies on screen, how a
// level becomes a shade, the two colour maps and the axes' steps. Plain arithmetic, so that the window
// only draws.

#include <cstdint>
#include <vector>

namespace morvelin {

struct SonogramRange {
    double length_s = 0;   // the recording's length
    double top_hz = 24000; // half the sample rate
    double t0 = 0;         // seconds at the left edge
    double span_s = 10;    // seconds across
    double low_hz = 0;
    double high_hz = 12000;

    // Keeps the window inside the recording and the band (a span never below 50 ms, a band never
    // below 200 Hz).
    void clamp();
    // factor > 1 zooms in, around the time or frequency at `anchor` (which stays where it is).
    void zoom_time(double factor, double anchor_s);
    void zoom_frequency(double factor, double anchor_hz);
    void scroll(double seconds);
    // Moves the window so that t is on screen, a page at a time (for the play cursor).
    void follow(double t);
};

// How levels look: levels from -20 + brightness dB up are darkest, those `contrast` dB below that and
// lower lightest (so more brightness makes a lighter picture).
struct SonogramLook {
    int colour_map = 0; // 0 grey on white, 1 the perceptual map
    int brightness = 0;
    int contrast = 70;
};

// 0 (no energy) .. 1 (strongest) for a stored level.
double sonogram_intensity(std::uint8_t level, const SonogramLook& look);
// 0xRRGGBB of an intensity: grey on white (0 white, 1 black) or the perceptual map (0 dark, 1 light).
std::uint32_t sonogram_colour(double intensity, int colour_map);
// The colours of all 256 levels for a look.
std::vector<std::uint32_t> sonogram_palette(const SonogramLook& look);

// A step of 1, 2 or 5 times a power of ten such that `span` holds about `count` steps.
double sonogram_axis_step(double span, int count);

} // namespace morvelin
