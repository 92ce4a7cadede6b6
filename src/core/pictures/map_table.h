#pragma once
// The region maps of this edition: one row per map image of the program's resources, with the window
// margins around it, the area in which a position counts as on the map, and the geographic frame whose
// four corners are pinned to pixels. The map generator (tools/maps) draws the images from these same
// rows, so a locality marked by the program lands on the drawn coastline.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace morvelin {

struct Tlocality;

struct MapPoint {
    double x = 0, y = 0;
};

struct MapPixel {
    int x = 0, y = 0;
    friend bool operator==(const MapPixel&, const MapPixel&) = default;
};

struct GeoPosition {
    double longitude = 0; // degrees, east positive
    double latitude = 0;  // degrees, north positive
};

struct DATA_Tmap_data {
    const char* resource_name = "";
    bool is_jpeg = false;
    int left_margin = 0, clip_left = 0, clip_right = 0, image_width = 0, right_margin = 0;
    int top_margin = 0, clip_top = 0, clip_bottom = 0, image_height = 0, bottom_margin = 0;
    double west = 0, east = 0, south = 0, north = 0;
    MapPoint sw, nw, se, ne; // pixels of the corners (west, south), (west, north), (east, south), (east, north)

    // The unrounded pixel of a position: the bilinear blend of the corner pixels (valid outside the
    // frame too).
    MapPoint project_exact(GeoPosition position) const;
    // The same rounded to the nearest pixel.
    MapPixel project(GeoPosition position) const;
    // The pixel lies within the clip area enlarged by 10 pixels on every side.
    bool on_map(MapPixel pixel) const;
};

constexpr int on_map_tolerance = 10;

// The rows of this edition; the first is the whole region.
std::span<const DATA_Tmap_data> map_table();
const DATA_Tmap_data& whole_region_map();
// The row of a resource name, or null.
const DATA_Tmap_data* find_map_row(std::string_view resource_name);

// The map for a locality's country, compared exactly ("Hong Kong" has the China map); any other
// country, or none, has the whole region.
const DATA_Tmap_data& map_for_country(std::string_view country);

// A stored coordinate (1/6000 degree) in degrees: |v| div 6000 + (|v| mod 6000) / 6000, negative when
// v is below 0.
double coordinate_degrees(std::int32_t value);
// The locality's place in degrees (latitude from its first position, longitude from its second), or
// none when its place is unknown.
std::optional<GeoPosition> locality_position(const Tlocality& locality);

} // namespace morvelin
