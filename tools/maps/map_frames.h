#pragma once
// The region maps of this edition: image size and the geographic reference frame whose four corners
// are pinned to pixel positions. A position is placed by blending the corner pixels bilinearly, the
// same projection the map window uses, so everything drawn here lands where the program will put a
// locality.

#include "topojson.h"

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

    // Pixel position (not rounded) of a geographic position; valid outside the frame too.
    QPointF project(GeoPoint p) const;
    // The geographic position that projects onto a pixel position.
    GeoPoint unproject(QPointF pixel) const;
};

const std::vector<MapFrame>& map_frames();
const MapFrame& map_frame(const QString& name);

} // namespace morvelin::maps
