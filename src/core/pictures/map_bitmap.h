#pragma once
// The picture of the map window: the map image with a species' distribution drawn over it and the
// marker of a locality, built on plain 32-bit pixels so that it is checked pixel by pixel without a
// display.

#include "core/pictures/map_table.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

struct Tspecies;

// Pixels as 0xFFRRGGBB, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    RgbImage() = default;
    RgbImage(int w, int h, std::uint32_t fill);
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    std::uint32_t pixel(int x, int y) const { return pixels[index(x, y)]; }
    void set_pixel(int x, int y, std::uint32_t colour) { pixels[index(x, y)] = colour; }
    bool empty() const { return pixels.empty(); }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
    }
};

namespace map_colour {
constexpr std::uint32_t white = 0xFFFFFFFF;
constexpr std::uint32_t red = 0xFFFF0000;
constexpr std::uint32_t blue = 0xFF0000FF;
} // namespace map_colour

struct MapRect {
    int left = 0, top = 0, width = 0, height = 0;
    friend bool operator==(const MapRect&, const MapRect&) = default;
};

// Draws source stretched into rect of dest, dropping or repeating whole pixels; the parts of rect
// outside dest are left out.
void stretch_nearest(const RgbImage& source, RgbImage& dest, MapRect rect);
// The image enlarged factor times in each direction, every pixel repeated (never blended).
RgbImage scaled_nearest(const RgbImage& image, int factor);

// A map pixel under an overlay pixel at (x, y): pure red marks the range with a blue diagonal
// cross-hatch on the pixels whose x + y or x - y is divisible by 3; pure blue marks the second range
// in pure blue; any other overlay colour leaves the map pixel.
std::uint32_t merged_pixel(std::uint32_t map, std::uint32_t overlay, int x, int y);
// Merges an overlay of the map's size into the map.
void merge_distribution_overlay(RgbImage& map, const RgbImage& overlay);

// The locality marker centred on (x, y) of a map drawn scale times enlarged: a red 5 x 5 square without
// its corners, every pixel of the 7 x 7 square around it with |dx| + |dy| below 6 that is not red
// turned white. Pixels outside the image are left out.
void draw_locality_marker(RgbImage& image, int x, int y, int scale = 1);

// The rectangle on the map that a mask slot covers: the projections of its two geographic corners,
// (bounds[0], bounds[1]) and (bounds[2], bounds[3]), each longitude then latitude. No value, and a
// message naming the map, when the bounds are not finite or give an empty or huge rectangle.
std::optional<MapRect> mask_rectangle(const DATA_Tmap_data& map, const std::string& map_name,
                                      const std::array<double, 4>& bounds, std::string& message);

// What the map window shows for a species and a locality.
struct MapView {
    const DATA_Tmap_data* map = nullptr;
    std::optional<GeoPosition> position; // the locality's place, when known
    MapPixel pixel;                      // its projection (image coordinates)
    bool marked = false;                 // it has a place on the map
    bool has_distribution_map = false;
};

// Chooses the map by the locality's country, except that a distribution drawn for the whole region (a
// first slot that is not a mask) always has the whole region, so that the marker is projected onto the
// map it is drawn on; then projects the locality.
MapView choose_map_view(const Tspecies* species, const Tlocality* locality);

// The distribution file of a slot: base directory + "distmaps/" + the 8.3 media folder + "/" + unique
// ID + "-" + number + ".bmp"; number is the slot for a mask and 1 otherwise.
std::string distribution_file(const Tspecies& species, int slot, const std::string& base_directory);

// Draws the species' distribution over base (the map image at its own size): the flat bitmap of a first
// slot that is not a mask, then every mask slot in its own rectangle. A missing file leaves the map
// without that part; a damaged file or unusable bounds show their message (flags 16) once and leave it
// out too. Returns whether anything was drawn.
bool draw_distribution(RgbImage& base, const MapView& view, const Tspecies& species,
                       const std::string& base_directory);

// The map bitmap of the window: total width (margins included) x image height, filled with
// background, the image (drawn scale times enlarged) at (left margin, 0).
RgbImage map_bitmap(const RgbImage& image, const DATA_Tmap_data& map, std::uint32_t background, int scale);
// A pixel of the image in map-bitmap coordinates.
inline MapPixel bitmap_pixel(const DATA_Tmap_data& map, MapPixel image_pixel) {
    return {image_pixel.x + map.left_margin, image_pixel.y};
}

// Whether a point lies on a marker at (marker_x, marker_y): |dx| < 3 and dx² + dy² < 7.
bool marker_hit(int dx, int dy);
// The first marker in list order hit by (x, y), or -1.
int hit_marker(const std::vector<std::optional<MapPixel>>& markers, int x, int y);

} // namespace morvelin
