#include "core/pictures/map_table.h"

#include "core/data/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace morvelin {
namespace {

struct Corner {
    const char* map;
    double longitude, latitude;
    MapPixel pixel;
};

TEST(MapTable, EveryCornerOfEveryFrameProjectsOntoItsPixel) {
    const Corner corners[] = {
        {"SAROVAN_MAP_BITMAP", 70, 0, {5, 356}},   {"SAROVAN_MAP_BITMAP", 70, 20, {16, 163}},
        {"SAROVAN_MAP_BITMAP", 120, 0, {489, 356}}, {"SAROVAN_MAP_BITMAP", 120, 20, {487, 163}},
        {"INDIA_MAP", 70, 10, {36, 277}},           {"INDIA_MAP", 70, 30, {58, 23}},
        {"INDIA_MAP", 95, 10, {366, 276}},          {"INDIA_MAP", 95, 30, {334, 18}},
        {"INDOCHINA_MAP", 95, 10, {15, 299}},       {"INDOCHINA_MAP", 95, 25, {53, 44}},
        {"INDOCHINA_MAP", 110, 10, {258, 301}},     {"INDOCHINA_MAP", 110, 25, {277, 44}},
        {"INDONESIA_MAP", 100, -10, {79, 290}},     {"INDONESIA_MAP", 100, 5, {78, 44}},
        {"INDONESIA_MAP", 125, -10, {477, 290}},    {"INDONESIA_MAP", 125, 5, {483, 45}},
        {"PHILIPPINES_AND_TAIWAN_MAP", 120, 10, {68, 284}},
        {"PHILIPPINES_AND_TAIWAN_MAP", 120, 25, {72, 14}},
        {"PHILIPPINES_AND_TAIWAN_MAP", 130, 10, {240, 284}},
        {"PHILIPPINES_AND_TAIWAN_MAP", 130, 25, {237, 15}},
        {"CHINA_MAP", 100, 25, {218, 327}},         {"CHINA_MAP", 100, 40, {221, 172}},
        {"CHINA_MAP", 120, 25, {411, 314}},         {"CHINA_MAP", 120, 40, {382, 159}},
    };
    for (const Corner& corner : corners) {
        const DATA_Tmap_data* map = find_map_row(corner.map);
        ASSERT_NE(map, nullptr) << corner.map;
        const MapPixel p = map->project({corner.longitude, corner.latitude});
        EXPECT_EQ(p, corner.pixel) << corner.map << " " << corner.longitude << ", " << corner.latitude << " -> ("
                                   << p.x << ", " << p.y << ")";
    }
    EXPECT_EQ(map_table().size(), 6u);
    EXPECT_EQ(&map_table()[0], &whole_region_map());
}

TEST(MapTable, TheMidpointBlendsAllFourCorners) {
    // Halfway in both directions: the mean of the four corners (India: 198.5, 148.5).
    const MapPoint p = find_map_row("INDIA_MAP")->project_exact({82.5, 20});
    EXPECT_DOUBLE_EQ(p.x, (36 + 58 + 366 + 334) / 4.0);
    EXPECT_DOUBLE_EQ(p.y, (277 + 23 + 276 + 18) / 4.0);
}

TEST(MapTable, CountryNamesChooseTheirMapExactly) {
    const std::pair<const char*, const char*> cases[] = {
        {"China", "CHINA_MAP"},
        {"Hong Kong", "CHINA_MAP"},
        {"Pakistan", "INDIA_MAP"},
        {"Bangla Desh", "INDIA_MAP"},
        {"Bhutan", "INDIA_MAP"},
        {"Burma", "INDOCHINA_MAP"},
        {"Vietnam", "INDOCHINA_MAP"},
        {"Taiwan", "PHILIPPINES_AND_TAIWAN_MAP"},
        {"Philippines", "PHILIPPINES_AND_TAIWAN_MAP"},
        {"Singapore", "INDONESIA_MAP"},
        {"Brunei", "INDONESIA_MAP"},
        // Anything not named exactly has the whole region.
        {"hong kong", "SAROVAN_MAP_BITMAP"},
        {"Bangladesh", "SAROVAN_MAP_BITMAP"},
        {"Bolivia", "SAROVAN_MAP_BITMAP"},
        {"India ", "SAROVAN_MAP_BITMAP"},
        {"", "SAROVAN_MAP_BITMAP"},
    };
    for (const auto& [country, map] : cases)
        EXPECT_STREQ(map_for_country(country).resource_name, map) << '"' << country << '"';
}

TEST(MapTable, OnTheMapReachesTenPixelsBeyondTheClipArea) {
    const DATA_Tmap_data& india = *find_map_row("INDIA_MAP"); // clip 0..402 x 0..340
    const std::pair<MapPixel, bool> cases[] = {
        {{-10, 100}, true}, {{-11, 100}, false}, {{412, 100}, true},  {{413, 100}, false},
        {{100, -10}, true}, {{100, -11}, false}, {{100, 350}, true},  {{100, 351}, false},
        {{-10, -10}, true}, {{412, 350}, true},  {{-11, 350}, false}, {{200, 170}, true},
    };
    for (const auto& [pixel, on] : cases)
        EXPECT_EQ(india.on_map(pixel), on) << pixel.x << ", " << pixel.y;
}

TEST(MapTable, PositionsFarAwayOrNotFiniteAreOffEveryMap) {
    for (const DATA_Tmap_data& map : map_table()) {
        EXPECT_FALSE(map.on_map(map.project({-179, 89}))) << map.resource_name;
        EXPECT_FALSE(map.on_map(map.project({std::numeric_limits<double>::infinity(), 10}))) << map.resource_name;
        EXPECT_FALSE(map.on_map(map.project({std::nan(""), 10}))) << map.resource_name;
    }
}

TEST(MapTable, StoredCoordinatesBecomeDegrees) {
    EXPECT_EQ(coordinate_degrees(0), 0.0);
    EXPECT_EQ(coordinate_degrees(-60000), -10.0);
    EXPECT_DOUBLE_EQ(coordinate_degrees(27 * 6000 + 1020), 27.17);
    EXPECT_DOUBLE_EQ(coordinate_degrees(-(6 * 6000 + 3000)), -6.5);
    // The most negative stored number has no positive twin in 32 bits.
    EXPECT_DOUBLE_EQ(coordinate_degrees(std::numeric_limits<std::int32_t>::min()), -(357913 + 5648 / 6000.0));
}

TEST(MapTable, ALocalityHasAPositionOnlyWhenItsPlaceIsKnown) {
    Tlocality keoladeo;
    keoladeo.name = "Keoladeo National Park";
    keoladeo.position_1 = 27 * 6000 + 1020; // latitude
    keoladeo.position_2 = 77 * 6000 + 3120; // longitude
    const auto position = locality_position(keoladeo);
    ASSERT_TRUE(position.has_value());
    EXPECT_DOUBLE_EQ(position->latitude, 27.17);
    EXPECT_DOUBLE_EQ(position->longitude, 77.52);

    Tlocality unknown = keoladeo;
    unknown.position_1 = unknown.position_2 = 0;
    EXPECT_FALSE(locality_position(unknown).has_value());
    Tlocality zero = keoladeo;
    zero.name = "Zero Location";
    EXPECT_FALSE(locality_position(zero).has_value());
}

} // namespace
} // namespace morvelin
