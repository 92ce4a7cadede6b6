#pragma once
// Geometry shared by the map renderers: polygons clipped to a frame and projected to pixels, and the
// areas of this edition's area scheme as groups of Natural Earth country polygons.

#include "map_frames.h"
#include "topojson.h"

#include <QPainterPath>
#include <QPolygonF>

#include <array>
#include <vector>

namespace morvelin::maps {

// The areas in scheme order; the index is the area number.
inline constexpr std::array<const char*, 20> area_codes = {"IN", "SR", "NE", "BU", "TH", "IC", "MA",
                                                           "SI", "BO", "SU", "JA", "BA", "LE", "SW",
                                                           "HA", "MO", "CH", "HK", "TA", "PH"};

inline bool is_offered_area(int area) {
    return area >= 0 && area < 20 && (area < 12 || area > 15);
}

// Area number of one polygon of a country, or -1 for land outside the areas. Indonesian and
// Malaysian islands are told apart by where their outer ring lies.
int area_of_polygon(const Country& country, const Polygon& polygon);

GeoPoint centroid(const Ring& ring);
double ring_area_degrees(const Ring& ring);

// The geographic box that covers a frame's image with a margin, for clipping before projection (the
// bilinear blend is only well-behaved near its frame).
struct GeoBox {
    double west, east, south, north;
};
GeoBox covering_box(const MapFrame& frame, double margin_degrees);

// Ring clipped to the box and projected; empty when nothing is left.
QPolygonF project_ring(const MapFrame& frame, const Ring& ring, const GeoBox& box, double scale);
QPainterPath project_polygon(const MapFrame& frame, const Polygon& polygon, const GeoBox& box, double scale);
// An open line (an arc) clipped to the box and projected, as the pieces that remain.
std::vector<QPolygonF> project_line(const MapFrame& frame, const std::vector<GeoPoint>& points,
                                    const GeoBox& box, double scale);

// Painter coordinates at the given scale of a geographic position: the projection gives the centre of
// a pixel, so pixel (i, j) is the square from (i, j) to (i + 1, j + 1) at scale 1.
QPointF to_canvas(const MapFrame& frame, GeoPoint p, double scale);

} // namespace morvelin::maps
