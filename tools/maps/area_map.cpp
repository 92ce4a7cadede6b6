#include "area_map.h"

#include "core/areas/sarovan_area.h"

#include "geography.h"
#include "image_output.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <tuple>

namespace morvelin::maps {
namespace {

// The seed points of the selection frame, one inside each separate region of an area, taken from the
// program's own area scheme so that the image and the frame cannot disagree.
const std::vector<std::vector<QPoint>>& seed_points() {
    static const std::vector<std::vector<QPoint>> seeds = [] {
        std::vector<std::vector<QPoint>> out;
        for (const auto& area : TSarovanArea::scheme_description().seed_points) {
            std::vector<QPoint>& points = out.emplace_back();
            for (const AreaSeedPoint& p : area) points.emplace_back(p.x, p.y);
        }
        return out;
    }();
    return seeds;
}

enum PaletteIndex : uchar { black, white, sea, other_land, other_coast, unselectable_land };
// None of these is a colour of the selection frame (white aside): a fill only ever replaces white or
// the selection greens, so sea, other land and the land of unseeded islands stay as they are.
const QList<QRgb> palette = {qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(204, 226, 242),
                             qRgb(234, 230, 218), qRgb(150, 146, 136), qRgb(246, 246, 246)};

// Areas too small for the scale are drawn as an ellipse (pixel centre and radii) that holds their seed.
struct Enlargement {
    int area;
    QPointF centre;
    double rx, ry;
};
const std::vector<Enlargement> enlargements = {
    {7, {334.0, 342.5}, 4.3, 4.3},  // Singapore, real centre about (332.6, 343)
    {17, {431.0, 138.6}, 4.3, 5.3}, // Hong Kong, real centre about (431, 141); the seed lies north of it
};

// Land that is narrower than a few pixels grows into the neighbouring sea inside a band, so that the
// area stays one region after coasts and borders are drawn.
struct Widening {
    int area;
    GeoBox band;
    double growth; // pixels
};
const std::vector<Widening> widenings = {
    {4, {98.0, 101.0, 9.4, 13.3}, 2.0}, // the Kra isthmus keeps Thailand's peninsula joined to the north
};

struct PolygonRef {
    int country;
    int polygon;
    bool operator<(const PolygonRef& o) const {
        return std::tie(country, polygon) < std::tie(o.country, o.polygon);
    }
};

} // namespace

namespace {

double distance_to_segment(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + ab * t);
    return std::hypot(d.x(), d.y());
}

double distance_to_polygon(const MapFrame& frame, const GeoBox& box, const Polygon& polygon, QPointF p) {
    if (project_polygon(frame, polygon, box, 1.0).contains(p)) return 0;
    double best = 1e9;
    for (const Ring& ring : polygon.rings) {
        const QPolygonF projected = project_ring(frame, ring, box, 1.0);
        for (qsizetype i = 0; i < projected.size(); ++i)
            best =
                std::min(best, distance_to_segment(p, projected[i], projected[(i + 1) % projected.size()]));
    }
    return best;
}

// Area labels per pixel (0 sea), drawn without antialiasing.
QImage label_raster(const Topology& topology, const MapFrame& frame, const GeoBox& box,
                    const std::map<PolygonRef, double>& growth) {
    QImage raster(frame.width, frame.height, QImage::Format_RGB32);
    raster.fill(qRgb(0, 0, 0));
    QPainter painter(&raster);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    // Other land first, then the areas.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t c = 0; c < topology.countries.size(); ++c) {
            const Country& country = topology.countries[c];
            for (const Polygon& polygon : country.polygons) {
                const int area = area_of_polygon(country, polygon);
                const bool offered = is_offered_area(area);
                if (offered != (pass == 1)) continue;
                painter.setBrush(QColor(offered ? area + 1 : other_land_label, 0, 0));
                painter.drawPath(project_polygon(frame, polygon, box, 1.0));
            }
        }
    }
    painter.end();

    // Growth only takes sea, so no neighbouring area loses land to it.
    auto grow = [&](const QPainterPath& path, int label, double pixels, const QRectF& clip) {
        QImage layer(raster.size(), QImage::Format_ARGB32);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing, false);
        if (!clip.isNull()) p.setClipRect(clip);
        p.setPen(QPen(QColor(label, 0, 0), 2 * pixels, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(label, 0, 0));
        p.drawPath(path);
        p.end();
        for (int y = 0; y < raster.height(); ++y)
            for (int x = 0; x < raster.width(); ++x)
                if (qAlpha(layer.pixel(x, y)) != 0 && qRed(raster.pixel(x, y)) == 0)
                    raster.setPixel(x, y, qRgb(label, 0, 0));
    };
    for (const Widening& widening : widenings) {
        const QRectF band = QRectF(to_canvas(frame, {widening.band.west, widening.band.north}, 1.0),
                                   to_canvas(frame, {widening.band.east, widening.band.south}, 1.0))
                                .normalized();
        for (const Country& country : topology.countries)
            for (const Polygon& polygon : country.polygons)
                if (area_of_polygon(country, polygon) == widening.area)
                    grow(project_polygon(frame, polygon, box, 1.0), widening.area + 1, widening.growth, band);
    }
    for (const auto& [ref, pixels] : growth) {
        const Country& country = topology.countries[static_cast<std::size_t>(ref.country)];
        const Polygon& polygon = country.polygons[static_cast<std::size_t>(ref.polygon)];
        grow(project_polygon(frame, polygon, box, 1.0), area_of_polygon(country, polygon) + 1, pixels, {});
    }

    QPainter top(&raster);
    top.setRenderHint(QPainter::Antialiasing, false);
    top.setPen(Qt::NoPen);
    for (const Enlargement& e : enlargements) {
        top.setBrush(QColor(e.area + 1, 0, 0));
        top.drawEllipse(e.centre + QPointF(0.5, 0.5), e.rx, e.ry);
    }
    return raster;
}

// Coasts and area borders black (a border runs on the side of the higher area number, so no white
// pixel of one area touches one of another, diagonals included), other land in its own colours, and a
// black frame round the image.
QImage colour_map(const QImage& raster) {
    const int w = raster.width(), h = raster.height();
    auto label_at = [&](int x, int y) { return qRed(raster.pixel(x, y)); };
    QImage image(w, h, QImage::Format_Indexed8);
    image.setColorTable(palette);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int label = label_at(x, y);
            uchar colour = sea;
            if (label != 0) {
                bool coast = false, border = false;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        const int other = label_at(nx, ny);
                        if (other == label) continue;
                        const bool four_neighbour = dx == 0 || dy == 0;
                        const bool other_is_area = other != 0 && other != other_land_label;
                        if (!other_is_area && four_neighbour) coast = true;
                        if (other_is_area && label != other_land_label && label > other) border = true;
                    }
                }
                if (label == other_land_label)
                    colour = coast ? other_coast : other_land;
                else
                    colour = (coast || border) ? black : white;
            }
            image.setPixel(x, y, colour);
        }
    }
    for (int x = 0; x < w; ++x)
        image.setPixel(x, 0, black), image.setPixel(x, h - 1, black);
    for (int y = 0; y < h; ++y)
        image.setPixel(0, y, black), image.setPixel(w - 1, y, black);
    return image;
}

bool inside(const QImage& image, QPoint p) {
    return image.rect().contains(p);
}

// 8-connected regions of white pixels; -1 elsewhere.
std::vector<int> white_regions(const QImage& image, int& count) {
    const int w = image.width(), h = image.height();
    std::vector<int> region(static_cast<std::size_t>(w * h), -1);
    count = 0;
    for (int start = 0; start < w * h; ++start) {
        if (region[static_cast<std::size_t>(start)] >= 0 || image.pixelIndex(start % w, start / w) != white)
            continue;
        std::deque<int> queue{start};
        region[static_cast<std::size_t>(start)] = count;
        while (!queue.empty()) {
            const int p = queue.front();
            queue.pop_front();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = p % w + dx, ny = p / w + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const int n = ny * w + nx;
                    if (region[static_cast<std::size_t>(n)] >= 0 || image.pixelIndex(nx, ny) != white)
                        continue;
                    region[static_cast<std::size_t>(n)] = count;
                    queue.push_back(n);
                }
        }
        ++count;
    }
    return region;
}

} // namespace

AreaMap render_area_map(const Topology& topology) {
    const MapFrame& frame = map_frame("SAROVAN_MAP_BITMAP");
    const GeoBox box = covering_box(frame, 3.0);
    const int w = frame.width;
    const auto& seeds = seed_points();
    AreaMap result;

    // 1. Islands whose seed misses their white interior (the seed lies on the coast or just off it at
    // this scale) grow into the sea, half a pixel at a time, until every seed of an offered area is in.
    std::map<PolygonRef, double> growth;
    QImage raster, image;
    for (int round = 0;; ++round) {
        raster = label_raster(topology, frame, box, growth);
        image = colour_map(raster);
        bool grown = false;
        for (std::size_t area = 0; area < seeds.size(); ++area) {
            if (!is_offered_area(static_cast<int>(area))) continue;
            for (const QPoint& s : seeds[area]) {
                if (image.pixelIndex(s) == white && qRed(raster.pixel(s)) == static_cast<int>(area) + 1)
                    continue;
                std::optional<PolygonRef> nearest;
                double best = 1e9;
                for (std::size_t c = 0; c < topology.countries.size(); ++c)
                    for (std::size_t p = 0; p < topology.countries[c].polygons.size(); ++p) {
                        const Polygon& polygon = topology.countries[c].polygons[p];
                        if (area_of_polygon(topology.countries[c], polygon) != static_cast<int>(area))
                            continue;
                        const double d =
                            distance_to_polygon(frame, box, polygon, QPointF(s) + QPointF(0.5, 0.5));
                        if (d < best)
                            best = d, nearest = PolygonRef{static_cast<int>(c), static_cast<int>(p)};
                    }
                if (nearest && best < 4 && growth[*nearest] < 2.5) {
                    growth[*nearest] += 0.5;
                    grown = true;
                }
            }
        }
        if (!grown || round == 10) break;
    }
    for (const auto& [ref, pixels] : growth)
        result.report << QString("grown by %1 px: a polygon of %2 at %3")
                             .arg(pixels)
                             .arg(topology.countries[static_cast<std::size_t>(ref.country)].name)
                             .arg([&] {
                                 const GeoPoint c =
                                     centroid(topology.countries[static_cast<std::size_t>(ref.country)]
                                                  .polygons[static_cast<std::size_t>(ref.polygon)]
                                                  .rings.front());
                                 return QString("%1E %2N").arg(c.lon, 0, 'f', 2).arg(c.lat, 0, 'f', 2);
                             }());

    // 2. Seeds of areas this edition does not offer must not lie on white land of an offered area, or a
    // click there would select them too; a single black pixel keeps them off it.
    for (std::size_t area = 0; area < seeds.size(); ++area) {
        if (is_offered_area(static_cast<int>(area))) continue;
        for (const QPoint& s : seeds[area])
            if (inside(image, s) && image.pixelIndex(s) == white) {
                image.setPixel(s, black);
                result.report << QString("seed of %1 at (%2, %3) lay on white land: blackened")
                                     .arg(area_codes[area])
                                     .arg(s.x())
                                     .arg(s.y());
            }
    }

    // 3. A white region without a seed would turn green on a click and never change back; such islands
    // keep the look of land but in a near-white that no fill replaces.
    int count = 0;
    std::vector<int> region = white_regions(image, count);
    std::vector<std::set<int>> seeded(static_cast<std::size_t>(count));
    for (std::size_t area = 0; area < seeds.size(); ++area)
        for (const QPoint& s : seeds[area])
            if (inside(image, s) && region[static_cast<std::size_t>(s.y() * w + s.x())] >= 0)
                seeded[static_cast<std::size_t>(region[static_cast<std::size_t>(s.y() * w + s.x())])].insert(
                    static_cast<int>(area));
    std::map<int, int> unseeded_pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < w; ++x) {
            const int r = region[static_cast<std::size_t>(y * w + x)];
            if (r >= 0 && seeded[static_cast<std::size_t>(r)].empty()) {
                image.setPixel(x, y, unselectable_land);
                ++unseeded_pixels[qRed(raster.pixel(x, y))];
            }
        }
    for (const auto& [label, pixels] : unseeded_pixels)
        result.report << QString("islands without a seed in %1: %2 pixels")
                             .arg(area_codes[static_cast<std::size_t>(label - 1)])
                             .arg(pixels);
    for (int r = 0; r < count; ++r)
        if (seeded[static_cast<std::size_t>(r)].size() > 1)
            result.report << QString("PROBLEM: a white region holds the seeds of %1 areas")
                                 .arg(seeded[static_cast<std::size_t>(r)].size());

    for (std::size_t area = 0; area < seeds.size(); ++area) {
        for (const QPoint& s : seeds[area]) {
            if (!inside(image, s)) continue;
            const GeoPoint g = frame.unproject(s);
            const int label = qRed(raster.pixel(s));
            const bool on_white = image.pixelIndex(s) == white;
            const bool fine = is_offered_area(static_cast<int>(area))
                                  ? on_white && label == static_cast<int>(area) + 1
                                  : !on_white;
            result.report << QString("%1 seed %2 (%3, %4) at %5E %6N: label %7, %8")
                                 .arg(fine ? "ok" : "PROBLEM:")
                                 .arg(area_codes[area])
                                 .arg(s.x())
                                 .arg(s.y())
                                 .arg(g.lon, 0, 'f', 2)
                                 .arg(g.lat, 0, 'f', 2)
                                 .arg(label)
                                 .arg(on_white ? "white" : "not white");
        }
    }

    result.image = image;
    QImage labels(raster.size(), QImage::Format_Indexed8);
    QList<QRgb> grey;
    for (int i = 0; i < 256; ++i)
        grey << qRgb(i, i, i);
    labels.setColorTable(grey);
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < w; ++x)
            labels.setPixel(x, y, static_cast<uint>(qRed(raster.pixel(x, y))));
    result.labels = labels;
    return result;
}

} // namespace morvelin::maps
