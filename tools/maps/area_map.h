#pragma once
// SAROVAN_MAP_BITMAP: the whole-region map on which the user selects areas by clicking. Each offered
// area's land is white, bounded in black, and every white region holds a seed point of its own area,
// so a flood fill from a seed colours exactly that area's land.

#include "topojson.h"

#include <QImage>
#include <QStringList>

namespace morvelin::maps {

struct AreaMap {
    QImage image;  // 8-bit palette image, the program resource
    QImage labels; // 8-bit: 0 sea, area number + 1 for the land of an area, 21 for other land
    QStringList report;
};

AreaMap render_area_map(const Topology& topology);

// Label of land outside the scheme's areas in AreaMap::labels.
inline constexpr int other_land_label = 21;

} // namespace morvelin::maps
