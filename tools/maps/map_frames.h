#pragma once
// The region maps of this edition, taken from the program's map table (core/pictures/map_table.h):
// image size and the geographic reference frame whose four corners are pinned to pixel positions. A
// position is placed with the program's own projection, so everything drawn here lands where the
// program will put a locality.

#include "topojson.h"

#include "core/pictures/map_table.h"

#include <QPointF>
#include <QString>

#include <vector>

namespace morvelin::maps {

struct MapFrame {
    QString name; // resource name
    bool is_jpeg = true;
    int width = 0;
    int height = 0;
    double west = 0, east = 0, south = 0, north = 0;
    QPointF sw, nw, se, ne; // pixel positions of the frame corners
    const DATA_Tmap_data* row = nullptr;

    // Pixel position (not rounded) of a geographic position; valid outside the frame too.
    QPointF project(GeoPoint p) const;
    // The geographic position that projects onto a pixel position.
    GeoPoint unproject(QPointF pixel) const;
};

const std::vector<MapFrame>& map_frames();
const MapFrame& map_frame(const QString& name);

} // namespace morvelin::maps
