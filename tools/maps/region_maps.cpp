#include "region_maps.h"

#include "geography.h"
#include "map_frames.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace morvelin::maps {
namespace {

// The countries each map is chosen for; they are drawn in the land colour, their neighbours paler.
const std::map<QString, std::set<QString>> home_countries = {
    {"INDIA_MAP", {"India", "Pakistan", "Sri Lanka", "Bangladesh", "Nepal", "Bhutan", "Siachen Glacier"}},
    {"INDOCHINA_MAP", {"Myanmar", "Thailand", "Laos", "Cambodia", "Vietnam"}},
    {"INDONESIA_MAP", {"Malaysia", "Singapore", "Brunei", "Indonesia"}},
    {"PHILIPPINES_AND_TAIWAN_MAP", {"Philippines", "Taiwan", "Scarborough Reef"}},
    {"CHINA_MAP", {"China", "Hong Kong", "Macao"}},
};

// Territories that may be too small to see; they get a ring when they are.
const std::set<QString> ringed_territories = {"Singapore", "Hong Kong", "Macao"};

struct Label {
    QString text;
    GeoPoint at; // centre of the text
    enum Kind { country, small_country, island, sea } kind;
};

// Names set on every map that shows the place; the map clips what falls outside.
const std::vector<Label> labels = {
    {"INDIA", {78.5, 22.0}, Label::country},
    {"PAKISTAN", {68.6, 27.6}, Label::country},
    {"NEPAL", {83.6, 28.45}, Label::small_country},
    {"BHUTAN", {90.5, 27.45}, Label::small_country},
    {"BANGLADESH", {90.1, 24.3}, Label::small_country},
    {"SRI LANKA", {83.9, 7.2}, Label::small_country},
    {"AFGHANISTAN", {66.0, 33.5}, Label::country},
    {"BURMA", {96.0, 21.8}, Label::country},
    {"THAILAND", {101.2, 15.6}, Label::country},
    {"LAOS", {102.6, 19.6}, Label::small_country},
    {"CAMBODIA", {104.9, 12.75}, Label::small_country},
    {"VIETNAM", {105.6, 21.6}, Label::small_country},
    {"MALAYSIA", {102.2, 4.3}, Label::small_country},
    {"MALAYSIA", {117.6, 5.0}, Label::small_country},
    {"BRUNEI", {113.2, 5.4}, Label::small_country},
    {"SINGAPORE", {106.0, 1.7}, Label::small_country},
    {"INDONESIA", {113.6, -1.6}, Label::country},
    {"PHILIPPINES", {124.7, 16.4}, Label::small_country},
    {"TAIWAN", {121.0, 23.75}, Label::small_country},
    {"CHINA", {106.0, 33.5}, Label::country},
    {"HONG KONG", {115.0, 21.7}, Label::small_country},
    {"MONGOLIA", {104.0, 44.0}, Label::country},
    {"TIMOR-LESTE", {125.9, -8.85}, Label::small_country},
    {"Sumatra", {100.8, -0.6}, Label::island},
    {"Java", {110.0, -7.3}, Label::island},
    {"Borneo", {114.6, 0.3}, Label::island},
    {"Sulawesi", {121.3, -1.8}, Label::island},
    {"Luzon", {121.2, 16.6}, Label::island},
    {"Mindanao", {125.0, 7.6}, Label::island},
    {"Palawan", {118.0, 10.0}, Label::island},
    {"Hainan", {109.7, 19.2}, Label::island},
    {"Arabian Sea", {70.6, 14.5}, Label::sea},
    {"Bay of Bengal", {88.0, 15.0}, Label::sea},
    {"Andaman Sea", {96.3, 11.5}, Label::sea},
    {"Gulf of Thailand", {101.6, 9.9}, Label::sea},
    {"South China\nSea", {111.0, 14.5}, Label::sea},
    {"South China Sea", {109.8, 5.6}, Label::sea},
    {"Java Sea", {110.5, -5.0}, Label::sea},
    {"Indian Ocean", {103.0, -8.5}, Label::sea},
    {"Sulu Sea", {120.8, 8.5}, Label::sea},
    {"Celebes Sea", {122.5, 3.5}, Label::sea},
    {"Philippine Sea", {127.2, 18.5}, Label::sea},
    {"East China Sea", {124.5, 29.5}, Label::sea},
    {"Yellow Sea", {123.0, 35.5}, Label::sea},
};

const QColor sea_colour(182, 212, 234);
const QColor home_land(251, 247, 234);
const QColor other_land(226, 223, 214);
const QColor coast_colour(62, 96, 128);
const QColor border_colour(150, 112, 98);
const QColor graticule_colour(255, 255, 255, 110);

QFont label_font(Label::Kind kind, double scale) {
    QFont font("Liberation Sans");
    font.setPixelSize(static_cast<int>(std::lround((kind == Label::country ? 11 : 9.5) * scale)));
    font.setBold(kind == Label::country || kind == Label::small_country);
    font.setItalic(kind == Label::island || kind == Label::sea);
    font.setLetterSpacing(QFont::AbsoluteSpacing, (kind == Label::country ? 1.2 : 0.4) * scale);
    return font;
}

void draw_label(QPainter& painter, const QString& text, QPointF centre, const QFont& font,
                const QColor& colour, const QColor& halo, double scale) {
    QPainterPath path;
    const QFontMetricsF metrics(font);
    const QStringList lines = text.split('\n');
    const double first =
        centre.y() + metrics.capHeight() / 2 - (lines.size() - 1) * metrics.lineSpacing() / 2;
    for (qsizetype i = 0; i < lines.size(); ++i)
        path.addText(
            QPointF(centre.x() - metrics.horizontalAdvance(lines[i]) / 2, first + i * metrics.lineSpacing()),
            font, lines[i]);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(halo, 2.2 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
}

QString degrees(int value, char positive, char negative) {
    if (value == 0) return QString("0°");
    return QString("%1°%2").arg(std::abs(value)).arg(value > 0 ? positive : negative);
}

QImage draw_map(const Topology& topology, const MapFrame& frame, double scale) {
    const GeoBox box = covering_box(frame, 3.0);
    const std::set<QString>& home = home_countries.at(frame.name);
    QImage image(static_cast<int>(frame.width * scale), static_cast<int>(frame.height * scale),
                 QImage::Format_RGB32);
    image.fill(sea_colour);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    // Land.
    painter.setPen(Qt::NoPen);
    for (const Country& country : topology.countries) {
        painter.setBrush(home.count(country.name) ? home_land : other_land);
        for (const Polygon& polygon : country.polygons)
            painter.drawPath(project_polygon(frame, polygon, box, scale));
    }

    // Graticule every 5 degrees: straight lines, since the blend is linear along each parallel and meridian.
    painter.setPen(QPen(graticule_colour, 0.8 * scale));
    for (int lon = -180; lon <= 180; lon += 5) {
        if (lon < box.west || lon > box.east) continue;
        painter.drawLine(to_canvas(frame, {double(lon), box.south}, scale),
                         to_canvas(frame, {double(lon), box.north}, scale));
    }
    for (int lat = -90; lat <= 90; lat += 5) {
        if (lat < box.south || lat > box.north) continue;
        painter.drawLine(to_canvas(frame, {box.west, double(lat)}, scale),
                         to_canvas(frame, {box.east, double(lat)}, scale));
    }

    // Borders between countries, then coasts (arcs used by one country only).
    for (const Arc& arc : topology.arcs) {
        if (arc.countries.empty()) continue;
        const bool border = arc.countries.size() > 1;
        if (border)
            painter.setPen(QPen(border_colour, 0.9 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        else
            painter.setPen(QPen(coast_colour, 0.75 * scale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const QPolygonF& piece : project_line(frame, arc.points, box, scale))
            painter.drawPolyline(piece);
    }

    // Territories too small for the scale get a ring round them.
    for (const Country& country : topology.countries) {
        if (!ringed_territories.count(country.name) || !home.count(country.name)) continue;
        QRectF bounds;
        for (const Polygon& polygon : country.polygons)
            bounds |= project_polygon(frame, polygon, box, scale).boundingRect();
        if (bounds.isEmpty() || !QRectF(image.rect()).intersects(bounds)) continue;
        if (std::max(bounds.width(), bounds.height()) < 6 * scale) {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(coast_colour, 0.9 * scale));
            painter.drawEllipse(bounds.center(), 5.0 * scale, 5.0 * scale);
        }
    }

    // Graticule labels along the bottom and left edges.
    QFont small("Liberation Sans");
    small.setPixelSize(static_cast<int>(std::lround(8.5 * scale)));
    const QFontMetricsF small_metrics(small);
    const double h = image.height(), w = image.width();
    for (int lon = -180; lon <= 180; lon += 5) {
        if (lon < box.west || lon > box.east) continue;
        const QPointF a = to_canvas(frame, {double(lon), box.south}, scale);
        const QPointF b = to_canvas(frame, {double(lon), box.north}, scale);
        const double t = (h - 3 * scale - a.y()) / (b.y() - a.y());
        const double x = a.x() + t * (b.x() - a.x());
        const QString text = degrees(lon, 'E', 'W');
        const double tw = small_metrics.horizontalAdvance(text);
        if (x - tw / 2 < 28 * scale || x + tw / 2 > w - 4 * scale) continue;
        draw_label(painter, text, QPointF(x, h - 3 * scale - small_metrics.capHeight() / 2), small,
                   QColor(60, 84, 110), QColor(255, 255, 255, 200), scale * 0.8);
    }
    for (int lat = -90; lat <= 90; lat += 5) {
        if (lat < box.south || lat > box.north) continue;
        const QPointF a = to_canvas(frame, {box.west, double(lat)}, scale);
        const QPointF b = to_canvas(frame, {box.east, double(lat)}, scale);
        const double t = (3 * scale - a.x()) / (b.x() - a.x());
        const double y = a.y() + t * (b.y() - a.y());
        const QString text = degrees(lat, 'N', 'S');
        const double tw = small_metrics.horizontalAdvance(text);
        if (y < 10 * scale || y > h - 14 * scale) continue;
        draw_label(painter, text, QPointF(3 * scale + tw / 2, y - 5 * scale), small, QColor(60, 84, 110),
                   QColor(255, 255, 255, 200), scale * 0.8);
    }

    // Names.
    for (const Label& label : labels) {
        const QPointF at = to_canvas(frame, label.at, scale);
        const QFont font = label_font(label.kind, scale);
        double half = 0;
        for (const QString& line : label.text.split('\n'))
            half = std::max(half, QFontMetricsF(font).horizontalAdvance(line) / 2);
        if (at.x() - half < 2 * scale || at.x() + half > w - 2 * scale || at.y() < 8 * scale ||
            at.y() > h - 12 * scale)
            continue;
        QColor colour;
        switch (label.kind) {
        case Label::country:
        case Label::small_country:
            colour = QColor(112, 92, 72);
            break;
        case Label::island:
            colour = QColor(120, 104, 84);
            break;
        case Label::sea:
            colour = QColor(52, 98, 150);
            break;
        }
        const QColor halo =
            label.kind == Label::sea ? QColor(182, 212, 234, 180) : QColor(255, 255, 255, 170);
        draw_label(painter, label.text, at, font, colour, halo, scale);
    }

    // A thin frame keeps the map's edge clear against the window.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(96, 120, 140), scale));
    painter.drawRect(QRectF(0.5 * scale, 0.5 * scale, w - scale, h - scale));
    return image;
}

// Country index per pixel at the map's own size: pixel (i, j) belongs to the country whose polygon holds
// its centre.
QImage country_mask(const Topology& topology, const MapFrame& frame, QString& legend) {
    const GeoBox box = covering_box(frame, 3.0);
    QImage raster(frame.width, frame.height, QImage::Format_RGB32);
    raster.fill(qRgb(0, 0, 0));
    QPainter painter(&raster);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    QStringList names;
    for (const Country& country : topology.countries) {
        QPainterPath all;
        for (const Polygon& polygon : country.polygons)
            all.addPath(project_polygon(frame, polygon, box, 1.0));
        if (!all.boundingRect().intersects(QRectF(raster.rect()))) continue;
        names << country.name;
        const int index = static_cast<int>(names.size());
        painter.setBrush(QColor(index, 0, 0));
        for (const Polygon& polygon : country.polygons)
            painter.drawPath(project_polygon(frame, polygon, box, 1.0));
    }
    painter.end();
    QImage mask(raster.size(), QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours << (i == 0 ? qRgb(0, 0, 0)
                           : qRgb((i * 97) % 200 + 55, (i * 57) % 200 + 55, (i * 31) % 200 + 55));
    mask.setColorTable(colours);
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            mask.setPixel(x, y, static_cast<uint>(qRed(raster.pixel(x, y))));
    QStringList entries;
    for (int i = 0; i < names.size(); ++i)
        entries << QString("%1=%2").arg(i + 1).arg(names[i]);
    legend = entries.join(';');
    return mask;
}

} // namespace

std::vector<RegionMap> render_region_maps(const Topology& topology) {
    std::vector<RegionMap> maps;
    for (const MapFrame& frame : map_frames()) {
        if (!frame.is_jpeg) continue;
        RegionMap map;
        map.name = frame.name;
        map.image = draw_map(topology, frame, 1.0);
        map.image_2x = draw_map(topology, frame, 2.0);
        map.countries = country_mask(topology, frame, map.legend);
        const GeoPoint top_left = frame.unproject({0, 0}),
                       bottom_right = frame.unproject({double(frame.width), double(frame.height)});
        map.report << QString("%1: %2x%3, from %4E %5N to %6E %7N")
                          .arg(frame.name)
                          .arg(frame.width)
                          .arg(frame.height)
                          .arg(top_left.lon, 0, 'f', 2)
                          .arg(top_left.lat, 0, 'f', 2)
                          .arg(bottom_right.lon, 0, 'f', 2)
                          .arg(bottom_right.lat, 0, 'f', 2);
        maps.push_back(std::move(map));
    }
    return maps;
}

} // namespace morvelin::maps
