#include "map_frames.h"

#include <cmath>
#include <stdexcept>

namespace morvelin::maps {

QPointF MapFrame::project(GeoPoint p) const {
    const MapPoint pixel = row->project_exact({p.lon, p.lat});
    return {pixel.x, pixel.y};
}

GeoPoint MapFrame::unproject(QPointF pixel) const {
    // Newton's method on the bilinear blend; the frames are nearly rectangular, so it converges fast.
    double fx = 0.5, fy = 0.5;
    for (int i = 0; i < 50; ++i) {
        const QPointF p = sw + (nw - sw) * fy + ((se - sw) + (ne - nw - (se - sw)) * fy) * fx;
        const QPointF d_fx = (se - sw) + (ne - nw - (se - sw)) * fy;
        const QPointF d_fy = (nw - sw) + (ne - nw - (se - sw)) * fx;
        const QPointF r = p - pixel;
        const double det = d_fx.x() * d_fy.y() - d_fx.y() * d_fy.x();
        const double step_x = (r.x() * d_fy.y() - r.y() * d_fy.x()) / det;
        const double step_y = (d_fx.x() * r.y() - d_fx.y() * r.x()) / det;
        fx -= step_x;
        fy -= step_y;
        if (std::abs(step_x) + std::abs(step_y) < 1e-12) break;
    }
    return {west + fx * (east - west), south + fy * (north - south)};
}

const std::vector<MapFrame>& map_frames() {
    // The program's own table, so that the images and the program's projection cannot drift apart.
    static const std::vector<MapFrame> frames = [] {
        std::vector<MapFrame> out;
        for (const DATA_Tmap_data& row : map_table())
            out.push_back({QString::fromLatin1(row.resource_name), row.is_jpeg, row.image_width, row.image_height,
                           row.west, row.east, row.south, row.north, QPointF(row.sw.x, row.sw.y),
                           QPointF(row.nw.x, row.nw.y), QPointF(row.se.x, row.se.y), QPointF(row.ne.x, row.ne.y), &row});
        return out;
    }();
    return frames;
}

const MapFrame& map_frame(const QString& name) {
    for (const MapFrame& frame : map_frames())
        if (frame.name == name) return frame;
    throw std::runtime_error("no map frame " + name.toStdString());
}

} // namespace morvelin::maps
