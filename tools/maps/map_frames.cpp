#include "map_frames.h"

#include <cmath>
#include <stdexcept>

namespace morvelin::maps {

QPointF MapFrame::project(GeoPoint p) const {
    const double fx = (p.lon - west) / (east - west);
    const double fy = (p.lat - south) / (north - south);
    return sw + (nw - sw) * fy + ((se - sw) + (ne - nw - (se - sw)) * fy) * fx;
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
    static const std::vector<MapFrame> frames = {
        {"SAROVAN_MAP_BITMAP", false, 574, 472, 70, 120, 0, 20, {5, 356}, {16, 163}, {489, 356}, {487, 163}},
        {"INDIA_MAP", true, 402, 340, 70, 95, 10, 30, {36, 277}, {58, 23}, {366, 276}, {334, 18}},
        {"INDOCHINA_MAP", true, 304, 368, 95, 110, 10, 25, {15, 299}, {53, 44}, {258, 301}, {277, 44}},
        {"INDONESIA_MAP", true, 514, 316, 100, 125, -10, 5, {79, 290}, {78, 44}, {477, 290}, {483, 45}},
        {"PHILIPPINES_AND_TAIWAN_MAP",
         true,
         192,
         366,
         120,
         130,
         10,
         25,
         {68, 284},
         {72, 14},
         {240, 284},
         {237, 15}},
        {"CHINA_MAP", true, 473, 396, 100, 120, 25, 40, {218, 327}, {221, 172}, {411, 314}, {382, 159}},
    };
    return frames;
}

const MapFrame& map_frame(const QString& name) {
    for (const MapFrame& frame : map_frames())
        if (frame.name == name) return frame;
    throw std::runtime_error("no map frame " + name.toStdString());
}

} // namespace morvelin::maps
