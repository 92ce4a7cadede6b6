#include "core/pictures/map_table.h"

#include "core/data/data_texts.h"
#include "core/data/records.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace morvelin {

namespace {

// Resource, JPEG, left margin, clip left, clip right, width, right margin, top margin, clip top, clip
// bottom, height, bottom margin, west, east, south, north, SW, NW, SE, NE.
constexpr std::array<DATA_Tmap_data, 6> rows{{
    {"SAROVAN_MAP_BITMAP", false, 0, 0, 574, 574, 0, 0, 0, 472, 472, 0, 70, 120, 0, 20,
     {5, 356}, {16, 163}, {489, 356}, {487, 163}},
    {"INDIA_MAP", true, 10, 0, 402, 402, 50, 10, 0, 340, 340, 0, 70, 95, 10, 30,
     {36, 277}, {58, 23}, {366, 276}, {334, 18}},
    {"INDOCHINA_MAP", true, 10, 0, 304, 304, 100, 10, 0, 368, 368, 0, 95, 110, 10, 25,
     {15, 299}, {53, 44}, {258, 301}, {277, 44}},
    {"INDONESIA_MAP", true, 5, 0, 514, 514, 90, 5, 0, 316, 316, 0, 100, 125, -10, 5,
     {79, 290}, {78, 44}, {477, 290}, {483, 45}},
    {"PHILIPPINES_AND_TAIWAN_MAP", true, 5, 0, 192, 192, 90, 5, 0, 366, 366, 0, 120, 130, 10, 25,
     {68, 284}, {72, 14}, {240, 284}, {237, 15}},
    {"CHINA_MAP", true, 5, 0, 473, 473, 90, 5, 0, 396, 396, 0, 100, 120, 25, 40,
     {218, 327}, {221, 172}, {411, 314}, {382, 159}},
}};

struct CountryMap {
    std::string_view country;
    std::string_view map;
};

constexpr CountryMap country_maps[] = {
    {"China", "CHINA_MAP"},
    {"Hong Kong", "CHINA_MAP"},
    {"Pakistan", "INDIA_MAP"},
    {"India", "INDIA_MAP"},
    {"Sri Lanka", "INDIA_MAP"},
    {"Bangla Desh", "INDIA_MAP"},
    {"Nepal", "INDIA_MAP"},
    {"Bhutan", "INDIA_MAP"},
    {"Burma", "INDOCHINA_MAP"},
    {"Thailand", "INDOCHINA_MAP"},
    {"Laos", "INDOCHINA_MAP"},
    {"Cambodia", "INDOCHINA_MAP"},
    {"Vietnam", "INDOCHINA_MAP"},
    {"Philippines", "PHILIPPINES_AND_TAIWAN_MAP"},
    {"Taiwan", "PHILIPPINES_AND_TAIWAN_MAP"},
    {"Malaysia", "INDONESIA_MAP"},
    {"Singapore", "INDONESIA_MAP"},
    {"Brunei", "INDONESIA_MAP"},
    {"Indonesia", "INDONESIA_MAP"},
};

double blend(double sw, double nw, double se, double ne, double fx, double fy) {
    return sw + (nw - sw) * fy + ((se - sw) + (ne - nw - (se - sw)) * fy) * fx;
}

int rounded(double value) {
    // Far outside any map: kept well inside int so that the tolerance arithmetic cannot overflow.
    if (!std::isfinite(value)) return value > 0 ? 1 << 29 : -(1 << 29);
    return static_cast<int>(std::lround(std::clamp(value, -1e9, 1e9)));
}

} // namespace

MapPoint DATA_Tmap_data::project_exact(GeoPosition position) const {
    const double fx = (position.longitude - west) / (east - west);
    const double fy = (position.latitude - south) / (north - south);
    return {blend(sw.x, nw.x, se.x, ne.x, fx, fy), blend(sw.y, nw.y, se.y, ne.y, fx, fy)};
}

MapPixel DATA_Tmap_data::project(GeoPosition position) const {
    const MapPoint p = project_exact(position);
    return {rounded(p.x), rounded(p.y)};
}

bool DATA_Tmap_data::on_map(MapPixel pixel) const {
    return clip_left - on_map_tolerance <= pixel.x && pixel.x <= clip_right + on_map_tolerance &&
           clip_top - on_map_tolerance <= pixel.y && pixel.y <= clip_bottom + on_map_tolerance;
}

std::span<const DATA_Tmap_data> map_table() { return rows; }

const DATA_Tmap_data& whole_region_map() { return rows[0]; }

const DATA_Tmap_data* find_map_row(std::string_view resource_name) {
    for (const DATA_Tmap_data& row : rows)
        if (resource_name == row.resource_name) return &row;
    return nullptr;
}

const DATA_Tmap_data& map_for_country(std::string_view country) {
    for (const CountryMap& entry : country_maps)
        if (entry.country == country) return *find_map_row(entry.map);
    return whole_region_map();
}

double coordinate_degrees(std::int32_t value) {
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(value));
    const double degrees = static_cast<double>(magnitude / 6000) + static_cast<double>(magnitude % 6000) / 6000.0;
    return value < 0 ? -degrees : degrees;
}

std::optional<GeoPosition> locality_position(const Tlocality& locality) {
    if (!has_known_place(locality)) return std::nullopt;
    return GeoPosition{coordinate_degrees(locality.position_2), coordinate_degrees(locality.position_1)};
}

} // namespace morvelin
