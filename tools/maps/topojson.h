#pragma once
// Reading the countries of a TopoJSON topology (Natural Earth as packaged by the npm module world-atlas).

#include <QString>

#include <vector>

namespace morvelin::maps {

struct GeoPoint {
    double lon = 0; // degrees, east positive
    double lat = 0; // degrees, north positive
};

using Ring = std::vector<GeoPoint>;

// One polygon: the outer ring followed by its holes.
struct Polygon {
    std::vector<Ring> rings;
};

struct Country {
    QString name;
    std::vector<Polygon> polygons;
};

// A shared boundary or coastline of the topology, decoded to degrees.
struct Arc {
    std::vector<GeoPoint> points;
    // Countries whose rings use this arc: one for a coastline, two for a land border.
    std::vector<int> countries;
};

struct Topology {
    std::vector<Country> countries;
    std::vector<Arc> arcs;
};

// Reads the object "countries" of the file; throws std::runtime_error with a readable text on bad input.
Topology read_countries_topology(const QString& file_name);

} // namespace morvelin::maps
