#pragma once
// The five JPEG maps of parts of the region (India, Indochina, Indonesia, the Philippines and Taiwan,
// China), drawn with the same bilinear corner projection as the program uses.

#include "topojson.h"

#include <QImage>
#include <QStringList>

#include <vector>

namespace morvelin::maps {

struct RegionMap {
    QString name;
    QImage image;    // at the size of the map's row
    QImage image_2x; // the same map at twice the size, for high-density screens
    // 8-bit mask at the map's size: 0 sea, n > 0 the n-th country of the legend.
    QImage countries;
    QString legend; // "1=India;2=Pakistan;..."
    QStringList report;
};

std::vector<RegionMap> render_region_maps(const Topology& topology);

} // namespace morvelin::maps
