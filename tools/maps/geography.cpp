#include "geography.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace morvelin::maps {

double ring_area_degrees(const Ring& ring) {
    double twice = 0;
    for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
        const GeoPoint& a = ring[i];
        const GeoPoint& b = ring[(i + 1) % n];
        twice += a.lon * b.lat - b.lon * a.lat;
    }
    return twice / 2;
}

GeoPoint centroid(const Ring& ring) {
    const double area = ring_area_degrees(ring);
    if (std::abs(area) < 1e-12) {
        GeoPoint sum;
        for (const GeoPoint& p : ring)
            sum = {sum.lon + p.lon, sum.lat + p.lat};
        const double n = static_cast<double>(std::max<std::size_t>(1, ring.size()));
        return {sum.lon / n, sum.lat / n};
    }
    double cx = 0, cy = 0;
    for (std::size_t i = 0, n = ring.size(); i < n; ++i) {
        const GeoPoint& a = ring[i];
        const GeoPoint& b = ring[(i + 1) % n];
        const double cross = a.lon * b.lat - b.lon * a.lat;
        cx += (a.lon + b.lon) * cross;
        cy += (a.lat + b.lat) * cross;
    }
    return {cx / (6 * area), cy / (6 * area)};
}

int area_of_polygon(const Country& country, const Polygon& polygon) {
    const QString& name = country.name;
    const GeoPoint c = polygon.rings.empty() ? GeoPoint{} : centroid(polygon.rings.front());
    auto area = [](const char* code) {
        for (std::size_t i = 0; i < area_codes.size(); ++i)
            if (std::string_view(area_codes[i]) == code) return static_cast<int>(i);
        return -1;
    };
    if (name == "India" || name == "Pakistan" || name == "Bangladesh" || name == "Bhutan" ||
        name == "Siachen Glacier" || name == "Maldives")
        return area("IN");
    if (name == "Sri Lanka") return area("SR");
    if (name == "Nepal") return area("NE");
    if (name == "Myanmar") return area("BU");
    if (name == "Thailand") return area("TH");
    if (name == "Laos" || name == "Vietnam" || name == "Cambodia") return area("IC");
    if (name == "Singapore") return area("SI");
    if (name == "Brunei") return area("BO");
    if (name == "China" || name == "Macao") return area("CH");
    if (name == "Hong Kong") return area("HK");
    if (name == "Taiwan") return area("TA");
    if (name == "Philippines" || name == "Scarborough Reef") return area("PH");
    if (name == "Timor-Leste") return area("LE");
    if (name == "Malaysia") return c.lon < 105 ? area("MA") : area("BO");
    if (name == "Indonesia") {
        // Borneo (Kalimantan and its coastal islands).
        if (c.lon > 108.0 && c.lon < 119.5 && c.lat > -4.3 && c.lat < 4.5) return area("BO");
        // Sumatra with Bangka, Belitung, Riau, Lingga, Nias, Mentawai, Simeulue.
        if (c.lon < 108.5 && c.lat > -6.3) return area("SU");
        if (c.lat < -5.0 && c.lon < 114.8) return area("JA");
        if (c.lat < -7.9 && c.lon >= 114.8 && c.lon < 115.8) return area("BA");
        if (c.lat < -7.5 && c.lon >= 115.8) return area("LE");
        if (c.lon > 127.0 && c.lat > -1.0) return area("HA");
        if (c.lon > 124.8 || (c.lon > 123.5 && c.lat < -1.2 && c.lat > -2.6)) return area("MO");
        return area("SW");
    }
    return -1;
}

GeoBox covering_box(const MapFrame& frame, double margin) {
    GeoBox box{1e9, -1e9, 1e9, -1e9};
    for (int i = 0; i <= 10; ++i) {
        const double t = i / 10.0;
        for (const QPointF& pixel : {QPointF(t * frame.width, 0), QPointF(t * frame.width, frame.height),
                                     QPointF(0, t * frame.height), QPointF(frame.width, t * frame.height)}) {
            const GeoPoint p = frame.unproject(pixel);
            box.west = std::min(box.west, p.lon);
            box.east = std::max(box.east, p.lon);
            box.south = std::min(box.south, p.lat);
            box.north = std::max(box.north, p.lat);
        }
    }
    return {box.west - margin, box.east + margin, box.south - margin, box.north + margin};
}

namespace {

// One Sutherland-Hodgman pass against a half-plane given by inside() and the crossing point.
Ring clip_pass(const Ring& in, const std::function<bool(const GeoPoint&)>& inside,
               const std::function<GeoPoint(const GeoPoint&, const GeoPoint&)>& cross) {
    Ring out;
    if (in.empty()) return out;
    GeoPoint previous = in.back();
    bool previous_inside = inside(previous);
    for (const GeoPoint& current : in) {
        const bool current_inside = inside(current);
        if (current_inside) {
            if (!previous_inside) out.push_back(cross(previous, current));
            out.push_back(current);
        } else if (previous_inside) {
            out.push_back(cross(previous, current));
        }
        previous = current;
        previous_inside = current_inside;
    }
    return out;
}

Ring clip_ring(const Ring& ring, const GeoBox& box) {
    auto at_lon = [](double lon) {
        return [lon](const GeoPoint& a, const GeoPoint& b) {
            const double t = (lon - a.lon) / (b.lon - a.lon);
            return GeoPoint{lon, a.lat + t * (b.lat - a.lat)};
        };
    };
    auto at_lat = [](double lat) {
        return [lat](const GeoPoint& a, const GeoPoint& b) {
            const double t = (lat - a.lat) / (b.lat - a.lat);
            return GeoPoint{a.lon + t * (b.lon - a.lon), lat};
        };
    };
    Ring r = clip_pass(
        ring, [&](const GeoPoint& p) { return p.lon >= box.west; }, at_lon(box.west));
    r = clip_pass(
        r, [&](const GeoPoint& p) { return p.lon <= box.east; }, at_lon(box.east));
    r = clip_pass(
        r, [&](const GeoPoint& p) { return p.lat >= box.south; }, at_lat(box.south));
    r = clip_pass(
        r, [&](const GeoPoint& p) { return p.lat <= box.north; }, at_lat(box.north));
    return r;
}

} // namespace

QPolygonF project_ring(const MapFrame& frame, const Ring& ring, const GeoBox& box, double scale) {
    QPolygonF result;
    const Ring clipped = clip_ring(ring, box);
    if (clipped.size() < 3) return result;
    result.reserve(static_cast<qsizetype>(clipped.size()));
    for (const GeoPoint& p : clipped)
        result << to_canvas(frame, p, scale);
    return result;
}

QPainterPath project_polygon(const MapFrame& frame, const Polygon& polygon, const GeoBox& box, double scale) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const Ring& ring : polygon.rings) {
        const QPolygonF projected = project_ring(frame, ring, box, scale);
        if (!projected.isEmpty()) path.addPolygon(projected), path.closeSubpath();
    }
    return path;
}

QPointF to_canvas(const MapFrame& frame, GeoPoint p, double scale) {
    return (frame.project(p) + QPointF(0.5, 0.5)) * scale;
}

std::vector<QPolygonF> project_line(const MapFrame& frame, const std::vector<GeoPoint>& points,
                                    const GeoBox& box, double scale) {
    std::vector<QPolygonF> pieces;
    QPolygonF piece;
    auto inside = [&](const GeoPoint& p) {
        return p.lon >= box.west && p.lon <= box.east && p.lat >= box.south && p.lat <= box.north;
    };
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        // Liang-Barsky clipping of one segment.
        const GeoPoint a = points[i], b = points[i + 1];
        double t0 = 0, t1 = 1;
        const double dx = b.lon - a.lon, dy = b.lat - a.lat;
        bool visible = true;
        for (const auto& [p, q] : {std::pair{-dx, a.lon - box.west}, std::pair{dx, box.east - a.lon},
                                   std::pair{-dy, a.lat - box.south}, std::pair{dy, box.north - a.lat}}) {
            if (p == 0) {
                if (q < 0) visible = false;
            } else {
                const double t = q / p;
                if (p < 0)
                    t0 = std::max(t0, t);
                else
                    t1 = std::min(t1, t);
            }
        }
        if (!visible || t0 > t1) {
            if (piece.size() > 1) pieces.push_back(piece);
            piece.clear();
            continue;
        }
        const GeoPoint from{a.lon + t0 * dx, a.lat + t0 * dy}, to{a.lon + t1 * dx, a.lat + t1 * dy};
        if (piece.isEmpty() || t0 > 0) {
            if (piece.size() > 1) pieces.push_back(piece);
            piece.clear();
            piece << to_canvas(frame, from, scale);
        }
        piece << to_canvas(frame, to, scale);
        if (t1 < 1 || !inside(b)) {
            pieces.push_back(piece);
            piece.clear();
        }
    }
    if (piece.size() > 1) pieces.push_back(piece);
    return pieces;
}

} // namespace morvelin::maps
