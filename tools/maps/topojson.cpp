#include "topojson.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

namespace morvelin::maps {
namespace {

[[noreturn]] void fail(const QString& text) {
    throw std::runtime_error(text.toStdString());
}

std::vector<Arc> decode_arcs(const QJsonObject& topology) {
    const QJsonArray transform_scale = topology["transform"]["scale"].toArray();
    const QJsonArray transform_translate = topology["transform"]["translate"].toArray();
    const bool quantized = transform_scale.size() == 2 && transform_translate.size() == 2;
    const double sx = quantized ? transform_scale[0].toDouble() : 1.0;
    const double sy = quantized ? transform_scale[1].toDouble() : 1.0;
    const double tx = quantized ? transform_translate[0].toDouble() : 0.0;
    const double ty = quantized ? transform_translate[1].toDouble() : 0.0;

    std::vector<Arc> arcs;
    const QJsonArray stored = topology["arcs"].toArray();
    arcs.reserve(stored.size());
    for (const QJsonValue& stored_arc : stored) {
        Arc arc;
        // Quantized arcs are delta-encoded integer positions.
        double x = 0, y = 0;
        for (const QJsonValue& position : stored_arc.toArray()) {
            const QJsonArray p = position.toArray();
            if (p.size() < 2) fail("TopoJSON arc position with fewer than two numbers");
            if (quantized) {
                x += p[0].toDouble();
                y += p[1].toDouble();
                arc.points.push_back({x * sx + tx, y * sy + ty});
            } else {
                arc.points.push_back({p[0].toDouble(), p[1].toDouble()});
            }
        }
        arcs.push_back(std::move(arc));
    }
    return arcs;
}

Ring decode_ring(const QJsonArray& arc_indexes, std::vector<Arc>& arcs, int country) {
    Ring ring;
    for (const QJsonValue& value : arc_indexes) {
        const int index = value.toInt();
        // A negative index ~i names arc i walked backwards.
        const bool reversed = index < 0;
        const int arc_index = reversed ? ~index : index;
        if (arc_index < 0 || arc_index >= static_cast<int>(arcs.size()))
            fail(QString("TopoJSON ring refers to arc %1 of %2").arg(arc_index).arg(arcs.size()));
        Arc& arc = arcs[static_cast<std::size_t>(arc_index)];
        arc.countries.push_back(country);
        std::vector<GeoPoint> points = arc.points;
        if (reversed) std::reverse(points.begin(), points.end());
        // Consecutive arcs share their joining point.
        auto first = points.begin();
        if (!ring.empty() && first != points.end()) ++first;
        ring.insert(ring.end(), first, points.end());
    }
    return ring;
}

Polygon decode_polygon(const QJsonArray& rings, std::vector<Arc>& arcs, int country) {
    Polygon polygon;
    for (const QJsonValue& ring : rings)
        polygon.rings.push_back(decode_ring(ring.toArray(), arcs, country));
    return polygon;
}

} // namespace

Topology read_countries_topology(const QString& file_name) {
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly)) fail("cannot open " + file_name);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (document.isNull()) fail(file_name + ": " + error.errorString());
    const QJsonObject topology = document.object();
    if (topology["type"].toString() != "Topology") fail(file_name + " is not a TopoJSON topology");

    Topology result;
    result.arcs = decode_arcs(topology);
    const QJsonArray geometries = topology["objects"]["countries"]["geometries"].toArray();
    if (geometries.isEmpty()) fail(file_name + " has no object \"countries\"");
    for (const QJsonValue& value : geometries) {
        const QJsonObject geometry = value.toObject();
        const int index = static_cast<int>(result.countries.size());
        Country country;
        country.name = geometry["properties"]["name"].toString();
        const QString type = geometry["type"].toString();
        if (type == "Polygon") {
            country.polygons.push_back(decode_polygon(geometry["arcs"].toArray(), result.arcs, index));
        } else if (type == "MultiPolygon") {
            for (const QJsonValue& polygon : geometry["arcs"].toArray())
                country.polygons.push_back(decode_polygon(polygon.toArray(), result.arcs, index));
        }
        result.countries.push_back(std::move(country));
    }
    return result;
}

} // namespace morvelin::maps
