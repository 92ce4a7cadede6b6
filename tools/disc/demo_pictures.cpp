#include "demo_pictures.h"

#include "core/foundation/bitmap.h"
#include "core/foundation/lzw.h"
#include "core/foundation/scrambled_stream.h"

#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace morvelin::demo {

namespace fs = std::filesystem;

void ensure_gui_application() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    if (QCoreApplication::instance())
        return; // a plain core application: drawing works, text is left out (see draw_picture)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "morvelin-disc";
    static char* argv[] = {name, nullptr};
    // Kept for the life of the process: tools and tests may draw more than once.
    static auto* application = new QGuiApplication(argc, argv);
    (void)application;
}

namespace {

class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 1u) {}
    double uniform() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return (state_ & 0xFFFFFF) / 16777216.0;
    }
    double range(double low, double high) { return low + (high - low) * uniform(); }

private:
    std::uint32_t state_;
};

struct Shape {
    double body_w = 1.0, body_h = 0.62; // body ellipse, in units of the bird size
    double head = 0.26;                 // head radius
    double neck = 0.0;                  // neck length
    double bill = 0.22, bill_curve = 0.0, bill_depth = 0.07;
    double tail = 0.45, tail_spread = 0.12, tail_angle = 0.35;
    double legs = 0.25;
    bool casque = false, crest = false, dark_bill = true, hooked = false;
};

// Proportions of each kind of bird; a name not in the table gets the default shape.
struct ShapeEntry {
    const char* name;
    Shape shape;
};

// clang-format off
const ShapeEntry shape_table[] = {
    {"crow", {.bill = 0.3, .bill_depth = 0.1, .tail = 0.5}},
    {"gamebird",
     {.body_w = 1.15, .body_h = 0.75, .head = 0.22, .bill = 0.12, .tail = 0.7, .tail_angle = 0.1,
      .legs = 0.3}},
    {"duck",
     {.body_w = 1.25, .body_h = 0.6, .head = 0.24, .neck = 0.15, .bill = 0.26, .bill_depth = 0.08,
      .tail = 0.2, .legs = 0.0}},
    {"woodpecker", {.bill = 0.34, .tail = 0.5, .tail_angle = 0.8, .crest = true}},
    {"barbet", {.body_w = 0.95, .body_h = 0.7, .head = 0.3, .bill = 0.24, .bill_depth = 0.1, .tail = 0.3}},
    {"hornbill",
     {.body_w = 1.2, .bill = 0.7, .bill_curve = 0.2, .bill_depth = 0.16, .tail = 0.9, .casque = true,
      .dark_bill = false}},
    {"trogon", {.body_h = 0.75, .bill = 0.12, .bill_depth = 0.09, .tail = 0.95, .tail_angle = 1.2}},
    {"roller", {.head = 0.3, .bill = 0.3, .bill_depth = 0.1, .tail = 0.55}},
    {"kingfisher",
     {.body_w = 0.85, .body_h = 0.62, .head = 0.33, .bill = 0.6, .bill_depth = 0.12, .tail = 0.28,
      .legs = 0.1, .dark_bill = false}},
    {"beeeater", {.bill = 0.5, .bill_curve = 0.15, .bill_depth = 0.05, .tail = 0.9, .tail_spread = 0.06}},
    {"cuckoo",
     {.body_w = 1.1, .body_h = 0.52, .bill = 0.24, .bill_curve = 0.08, .tail = 1.0, .tail_angle = 0.6}},
    {"parrot",
     {.head = 0.3, .bill = 0.2, .bill_depth = 0.16, .tail = 1.0, .tail_angle = 1.0, .dark_bill = false,
      .hooked = true}},
    {"swift",
     {.body_w = 1.0, .body_h = 0.42, .head = 0.22, .bill = 0.08, .tail = 0.5, .tail_spread = 0.2,
      .legs = 0.0}},
    {"owl",
     {.body_w = 0.85, .body_h = 0.95, .head = 0.42, .bill = 0.1, .bill_depth = 0.1, .tail = 0.25,
      .tail_angle = 1.3, .legs = 0.12, .hooked = true}},
    {"nightjar",
     {.body_w = 1.2, .body_h = 0.5, .head = 0.27, .bill = 0.08, .tail = 0.7, .tail_angle = 0.2,
      .legs = 0.05}},
    {"pigeon",
     {.body_w = 1.15, .body_h = 0.72, .head = 0.22, .bill = 0.14, .bill_depth = 0.05, .tail = 0.55,
      .legs = 0.18}},
    {"rail",
     {.body_w = 1.0, .body_h = 0.6, .bill = 0.3, .bill_depth = 0.08, .tail = 0.2, .legs = 0.55,
      .dark_bill = false}},
    {"crane",
     {.body_w = 1.1, .body_h = 0.55, .head = 0.17, .neck = 0.8, .bill = 0.5, .bill_curve = 0.02,
      .bill_depth = 0.08, .tail = 0.3, .legs = 1.1, .dark_bill = false}},
    {"heron",
     {.body_w = 1.1, .body_h = 0.55, .head = 0.17, .neck = 0.8, .bill = 0.5, .bill_curve = 0.02,
      .bill_depth = 0.08, .tail = 0.3, .legs = 1.1, .dark_bill = false}},
    {"stork",
     {.body_w = 1.1, .body_h = 0.55, .head = 0.17, .neck = 0.8, .bill = 0.55, .bill_curve = 0.0,
      .bill_depth = 0.08, .tail = 0.3, .legs = 1.1, .dark_bill = false}},
    {"wader",
     {.body_w = 1.0, .body_h = 0.55, .head = 0.2, .neck = 0.12, .bill = 0.42, .bill_curve = 0.06,
      .bill_depth = 0.04, .tail = 0.3, .legs = 0.6}},
    {"tern",
     {.body_w = 1.15, .body_h = 0.45, .head = 0.22, .bill = 0.35, .bill_depth = 0.06, .tail = 0.7,
      .tail_spread = 0.18, .legs = 0.1, .dark_bill = false}},
    {"raptor",
     {.body_w = 1.1, .body_h = 0.75, .head = 0.26, .bill = 0.18, .bill_depth = 0.12, .tail = 0.7,
      .tail_angle = 1.1, .legs = 0.25, .hooked = true}},
    {"grebe",
     {.body_w = 1.2, .body_h = 0.5, .head = 0.2, .neck = 0.2, .bill = 0.18, .bill_depth = 0.06, .tail = 0.15,
      .legs = 0.0, .hooked = false}},
    {"cormorant",
     {.body_w = 1.2, .body_h = 0.5, .head = 0.2, .neck = 0.45, .bill = 0.35, .bill_depth = 0.06, .tail = 0.15,
      .legs = 0.0, .hooked = true}},
    {"pitta",
     {.body_w = 0.9, .body_h = 0.75, .head = 0.3, .bill = 0.24, .bill_depth = 0.09, .tail = 0.12,
      .legs = 0.45}},
    {"sunbird",
     {.body_w = 0.85, .body_h = 0.5, .head = 0.22, .bill = 0.42, .bill_curve = 0.18, .bill_depth = 0.035,
      .tail = 0.45}},
    {"finch", {.body_w = 0.9, .body_h = 0.62, .head = 0.27, .bill = 0.16, .bill_depth = 0.13, .tail = 0.45}},
};
// clang-format on

Shape shape_of(const std::string& name) {
    for (const ShapeEntry& entry : shape_table)
        if (name == entry.name) return entry.shape;
    return {};
}

QColor colour(const std::string& name) {
    QColor c = QColor::fromString(QString::fromStdString(colour_value(name)));
    return c.isValid() ? c : QColor(Qt::gray);
}

void draw_habitat(QPainter& p, const std::string& habitat, int w, int h, Random& r) {
    QLinearGradient sky(0, 0, 0, h);
    const bool dark = habitat == "forest";
    sky.setColorAt(0, dark ? QColor(150, 190, 170) : QColor(120, 170, 225));
    sky.setColorAt(1, dark ? QColor(60, 100, 60) : QColor(215, 232, 245));
    p.fillRect(0, 0, w, h, sky);
    p.setPen(Qt::NoPen);
    const double horizon = h * (habitat == "sky" ? 1.1 : r.range(0.62, 0.72));
    if (habitat == "forest") {
        for (int i = 0; i < 7; ++i) {
            const double x = r.range(0, w);
            p.setBrush(QColor(70, 50, 35));
            p.drawRect(QRectF(x, 0, w * r.range(0.02, 0.05), h));
        }
        for (int i = 0; i < 40; ++i) {
            p.setBrush(QColor::fromHsv(static_cast<int>(r.range(80, 140)), static_cast<int>(r.range(90, 200)),
                                       static_cast<int>(r.range(60, 150))));
            const double size = w * r.range(0.08, 0.2);
            p.drawEllipse(QPointF(r.range(0, w), r.range(-0.05, 0.55) * h), size, size * 0.7);
        }
        p.setBrush(QColor(60, 80, 40));
        p.drawRect(QRectF(0, horizon, w, h - horizon));
    } else if (habitat == "wetland" || habitat == "coast") {
        p.setBrush(habitat == "coast" ? QColor(60, 120, 170) : QColor(80, 130, 150));
        p.drawRect(QRectF(0, horizon, w, h - horizon));
        p.setPen(QPen(QColor(200, 225, 240, 150), std::max(1.0, h / 240.0)));
        for (int i = 0; i < 18; ++i) {
            const double y = r.range(horizon, h);
            const double x = r.range(0, w);
            p.drawLine(QPointF(x, y), QPointF(x + w * r.range(0.05, 0.2), y));
        }
        p.setPen(Qt::NoPen);
        if (habitat == "coast") {
            p.setBrush(QColor(225, 205, 160));
            QPainterPath beach;
            beach.moveTo(0, h);
            beach.lineTo(0, h * 0.85);
            beach.cubicTo(w * 0.4, h * 0.8, w * 0.7, h * 0.92, w, h * 0.88);
            beach.lineTo(w, h);
            p.drawPath(beach);
        } else {
            p.setPen(QPen(QColor(110, 120, 50), std::max(1.5, w / 320.0)));
            for (int i = 0; i < 60; ++i) {
                const double x = r.range(0, w);
                if (x > w * 0.3 && x < w * 0.7) continue;
                p.drawLine(QPointF(x, h), QPointF(x + r.range(-8, 8), horizon - h * r.range(0.0, 0.25)));
            }
            p.setPen(Qt::NoPen);
        }
    } else if (habitat == "mountain") {
        for (int layer = 0; layer < 2; ++layer) {
            p.setBrush(layer == 0 ? QColor(120, 135, 165) : QColor(80, 100, 120));
            QPolygonF hills;
            hills << QPointF(0, h);
            for (int i = 0; i <= 6; ++i)
                hills << QPointF(w * i / 6.0, horizon - h * r.range(0.1, 0.4) * (layer == 0 ? 1.0 : 0.5));
            hills << QPointF(w, h);
            p.drawPolygon(hills);
        }
        p.setBrush(QColor(45, 80, 55));
        for (int i = 0; i < 10; ++i) {
            const double x = r.range(0, w), base = r.range(horizon, h);
            const double size = h * r.range(0.08, 0.16);
            QPolygonF pine;
            pine << QPointF(x, base - size) << QPointF(x - size * 0.3, base) << QPointF(x + size * 0.3, base);
            p.drawPolygon(pine);
        }
    } else if (habitat == "urban") {
        p.setBrush(QColor(150, 140, 130));
        double x = 0;
        while (x < w) {
            const double bw = w * r.range(0.08, 0.18);
            const double bh = h * r.range(0.15, 0.4);
            p.drawRect(QRectF(x, horizon - bh, bw - 2, h));
            x += bw;
        }
        p.setPen(QPen(QColor(40, 40, 40), std::max(1.0, h / 300.0)));
        p.drawLine(QPointF(0, h * 0.25), QPointF(w, h * 0.3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(120, 120, 110));
        p.drawRect(QRectF(0, horizon, w, h - horizon));
    } else if (habitat == "sky") {
        p.setBrush(QColor(255, 255, 255, 190));
        for (int i = 0; i < 6; ++i) {
            const double x = r.range(0, w), y = r.range(0, h);
            for (int k = 0; k < 4; ++k)
                p.drawEllipse(QPointF(x + k * w * 0.04, y + r.range(-5, 5)), w * 0.06, h * 0.04);
        }
    } else { // grassland, scrub
        p.setBrush(habitat == "scrub" ? QColor(190, 170, 110) : QColor(150, 170, 80));
        p.drawRect(QRectF(0, horizon, w, h - horizon));
        if (habitat == "scrub") {
            for (int i = 0; i < 9; ++i) {
                p.setBrush(QColor::fromHsv(static_cast<int>(r.range(70, 110)), 120,
                                           static_cast<int>(r.range(70, 120))));
                p.drawEllipse(QPointF(r.range(0, w), r.range(horizon, h)), w * r.range(0.04, 0.09),
                              h * r.range(0.03, 0.07));
            }
        } else {
            p.setPen(QPen(QColor(110, 130, 50), std::max(1.0, w / 400.0)));
            for (int i = 0; i < 120; ++i) {
                const double x = r.range(0, w), y = r.range(horizon, h);
                p.drawLine(QPointF(x, y), QPointF(x + r.range(-4, 4), y - h * r.range(0.02, 0.06)));
            }
            p.setPen(Qt::NoPen);
        }
    }
}

// The bird facing right, centred at the origin, with a body about 1 unit long.
void draw_bird(QPainter& p, const Shape& s, const QColor& upper, const QColor& under, const QColor& accent,
               bool flight) {
    const QPen outline(upper.darker(170), 0.012);
    p.setPen(outline);
    const double bw = s.body_w / 2, bh = s.body_h / 2;
    // Tail.
    p.setBrush(upper.darker(115));
    QPolygonF tail;
    const double ta = s.tail_angle;
    const QPointF root(-bw * 0.75, -bh * 0.1);
    const QPointF tip(root.x() - s.tail * std::cos(ta * 0.6), root.y() + s.tail * std::sin(ta * 0.6));
    tail << QPointF(root.x() + 0.05, root.y() - 0.06) << QPointF(tip.x(), tip.y() - s.tail_spread)
         << QPointF(tip.x() - 0.02, tip.y() + s.tail_spread) << QPointF(root.x() + 0.05, root.y() + 0.08);
    p.drawPolygon(tail);
    // Legs.
    if (!flight && s.legs > 0) {
        p.setPen(QPen(QColor(90, 80, 70), 0.02));
        p.drawLine(QPointF(-0.05, bh * 0.8), QPointF(-0.08, bh + s.legs));
        p.drawLine(QPointF(0.07, bh * 0.8), QPointF(0.06, bh + s.legs));
        p.setPen(outline);
    }
    // Wings spread in flight.
    if (flight) {
        p.setBrush(upper.darker(125));
        QPolygonF wing;
        wing << QPointF(-0.15, -bh * 0.3) << QPointF(-0.45, -bh - 0.55) << QPointF(0.05, -bh - 0.45)
             << QPointF(0.2, -bh * 0.4);
        p.drawPolygon(wing);
    }
    // Body: upperparts above, underparts below.
    QLinearGradient body(0, -bh, 0, bh);
    body.setColorAt(0, upper);
    body.setColorAt(0.48, upper);
    body.setColorAt(0.56, under);
    body.setColorAt(1, under);
    p.setBrush(body);
    p.drawEllipse(QPointF(0, 0), bw, bh);
    if (!flight) {
        p.setBrush(upper.darker(120));
        p.drawEllipse(QPointF(-bw * 0.15, -bh * 0.2), bw * 0.62, bh * 0.55);
    } else {
        p.setBrush(upper.darker(110));
        QPolygonF far_wing;
        far_wing << QPointF(-0.1, -bh * 0.2) << QPointF(-0.3, bh + 0.45) << QPointF(0.15, bh + 0.3)
                 << QPointF(0.15, 0);
        p.drawPolygon(far_wing);
    }
    // Neck and head.
    const QPointF head(bw * 0.85 + s.neck * 0.35, -bh * 0.55 - s.neck);
    if (s.neck > 0) {
        p.setPen(QPen(under, s.head * 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(bw * 0.6, -bh * 0.2), head);
        p.setPen(outline);
    }
    if (s.crest) {
        p.setBrush(accent);
        QPolygonF crest;
        crest << QPointF(head.x() - s.head * 0.2, head.y() - s.head * 0.8)
              << QPointF(head.x() - s.head * 1.3, head.y() - s.head * 0.9)
              << QPointF(head.x() - s.head * 0.6, head.y() - s.head * 0.2);
        p.drawPolygon(crest);
    }
    p.setBrush(upper);
    p.drawEllipse(head, s.head, s.head);
    // Accent: a patch on the head (cheek, crown or throat).
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QPointF(head.x() - s.head * 0.15, head.y() + s.head * 0.35), s.head * 0.45, s.head * 0.3);
    // Eye.
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(head.x() + s.head * 0.35, head.y() - s.head * 0.15), s.head * 0.22, s.head * 0.22);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(head.x() + s.head * 0.38, head.y() - s.head * 0.15), s.head * 0.12, s.head * 0.12);
    // Bill.
    const QColor bill = s.dark_bill ? QColor(50, 45, 40) : accent.lighter(110);
    p.setPen(QPen(bill.darker(150), 0.008));
    p.setBrush(bill);
    const QPointF base(head.x() + s.head * 0.85, head.y() + s.head * 0.05);
    QPainterPath path;
    path.moveTo(base.x() - 0.02, base.y() - s.bill_depth / 2);
    const QPointF end(base.x() + s.bill,
                      base.y() + s.bill * s.bill_curve * 2 + (s.hooked ? s.bill_depth * 0.6 : 0));
    path.quadTo(QPointF(base.x() + s.bill * 0.6, base.y() - s.bill_depth / 2 - s.bill * s.bill_curve * 0.5),
                end);
    path.quadTo(QPointF(base.x() + s.bill * 0.5, base.y() + s.bill_depth / 2 + s.bill * s.bill_curve),
                QPointF(base.x() - 0.02, base.y() + s.bill_depth / 2));
    path.closeSubpath();
    p.drawPath(path);
    if (s.casque) {
        p.setBrush(accent);
        p.drawEllipse(QPointF(base.x() + s.bill * 0.35, base.y() - s.bill_depth * 0.9), s.bill * 0.35,
                      s.bill_depth * 0.45);
    }
}

void draw_nest(QPainter& p, int w, int h, const QColor& egg) {
    p.setPen(QPen(QColor(80, 60, 40), h / 60.0));
    p.drawLine(QPointF(0, h * 0.72), QPointF(w, h * 0.66));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(140, 110, 70));
    p.drawChord(QRectF(w * 0.35, h * 0.5, w * 0.3, h * 0.3), 180 * 16, 180 * 16);
    p.setBrush(egg);
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QPointF(w * (0.43 + 0.07 * i), h * 0.64), w * 0.03, h * 0.045);
}

QByteArray jpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return bytes;
}

bool write_bytes(const fs::path& path, const char* data, std::size_t size, std::string& error) {
    std::error_code code;
    fs::create_directories(path.parent_path(), code);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

QSize photo_size(int number, bool many) {
    if (!many) return number % 3 == 2 ? QSize(800, 600) : QSize(640, 480);
    static const QSize sizes[] = {QSize(640, 480),   QSize(800, 600), QSize(480, 640),
                                  QSize(1600, 1200), QSize(320, 240), QSize(1024, 683)};
    return sizes[(number - 1) % 6];
}

// The corners of SAROVAN_MAP_BITMAP: longitudes 70..120, latitudes 0..20 at these pixels.
constexpr double region_west = 70, region_east = 120, region_south = 0, region_north = 20;
const QPointF corner_sw(5, 356), corner_nw(16, 163), corner_se(489, 356), corner_ne(487, 163);

} // namespace

void project_on_region_map(double longitude, double latitude, int& x, int& y) {
    const double fx = (longitude - region_west) / (region_east - region_west);
    const double fy = (latitude - region_south) / (region_north - region_south);
    const QPointF p = corner_sw + (corner_nw - corner_sw) * fy +
                      ((corner_se - corner_sw) + (corner_ne - corner_nw - (corner_se - corner_sw)) * fy) * fx;
    x = static_cast<int>(std::lround(p.x()));
    y = static_cast<int>(std::lround(p.y()));
}

QImage draw_picture(const Content& content, const Species& species, const std::string& pose, int width,
                    int height, std::uint32_t seed, bool caption) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Random r(seed);
    draw_habitat(p, species.habitat, width, height, r);
    const QColor upper = colour(species.look[0]), under = colour(species.look[1]),
                 accent = colour(species.look[2]);
    if (pose == "nest") {
        draw_nest(p, width, height, under.lighter(150));
    } else if (pose != "habitat") {
        const Shape shape = shape_of(species.shape);
        const bool flight = pose == "flight";
        const bool tall = shape.neck > 0.4;
        const double size = std::min(width, height) * (tall ? 0.34 : 0.5) * r.range(0.9, 1.1);
        const double cx = width * r.range(0.42, 0.55);
        const double cy = height * (flight ? r.range(0.35, 0.5) : (tall ? 0.58 : 0.5));
        if (!flight) {
            // Perch or ground under the feet.
            const double feet = cy + size * (shape.body_h / 2 + shape.legs);
            p.setPen(Qt::NoPen);
            if (pose == "ground" || shape.legs > 0.5 || species.shape == "duck" || species.shape == "grebe") {
                p.setBrush(QColor(0, 0, 0, 40));
                p.drawEllipse(QPointF(cx, feet), size * 0.5, size * 0.06);
            } else {
                p.setPen(QPen(QColor(95, 70, 45), size * 0.07, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(0, feet + size * 0.06), QPointF(width, feet - size * 0.08));
            }
        }
        p.save();
        p.translate(cx, cy);
        p.scale(size, size);
        p.rotate(flight ? -8 : r.range(-6, 4));
        draw_bird(p, shape, upper, under, accent, flight);
        p.restore();
    }
    if (caption && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const QString text = QString::fromStdString(species.english) + "  (" +
                             QString::fromStdString(species.scientific) +
                             ")  \u2013  drawing, synthetic demo picture";
        QFont font("Liberation Sans");
        font.setPixelSize(std::max(9, height / 32));
        p.setFont(font);
        // Narrow pictures get the caption on two lines.
        const QRect needed =
            p.fontMetrics().boundingRect(QRect(0, 0, width - 16, height), Qt::TextWordWrap, text);
        const int bar = needed.height() + font.pixelSize();
        p.fillRect(QRect(0, height - bar, width, bar), QColor(0, 0, 0, 140));
        p.setPen(Qt::white);
        p.drawText(QRect(8, height - bar, width - 16, bar),
                   Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, text);
    }
    (void)content;
    return image;
}

namespace {

struct RegionMap {
    QImage map;    // indexed 8-bit
    QImage labels; // 0 sea, area + 1, 21 other land
};

std::optional<RegionMap> load_region_map(const fs::path& resources, std::string& error) {
    RegionMap region;
    region.map = QImage(QString::fromStdString((resources / "bitmaps" / "SAROVAN_MAP_BITMAP.png").string()));
    region.labels =
        QImage(QString::fromStdString((resources / "masks" / "SAROVAN_MAP_BITMAP.areas.png").string()));
    if (region.map.isNull() || region.labels.isNull() || region.map.size() != QSize(574, 472) ||
        region.labels.size() != region.map.size()) {
        error = "the region map and its area labels are needed: " + (resources / "bitmaps").string() +
                "/SAROVAN_MAP_BITMAP.png and " + (resources / "masks").string() +
                "/SAROVAN_MAP_BITMAP.areas.png";
        return std::nullopt;
    }
    region.map = region.map.convertToFormat(QImage::Format_Indexed8);
    region.labels = region.labels.convertToFormat(QImage::Format_Grayscale8);
    return region;
}

std::vector<bool> area_set(const std::vector<std::string>& codes) {
    std::vector<bool> set(area_codes().size(), false);
    for (const auto& code : codes)
        if (const int index = area_index(code); index >= 0) set[index] = true;
    return set;
}

int label_area(const RegionMap& region, int x, int y) {
    if (x < 0 || y < 0 || x >= region.labels.width() || y >= region.labels.height()) return -1;
    const int label = region.labels.constScanLine(y)[x];
    return label >= 1 && label <= 20 ? label - 1 : -1;
}

// The region map with the species' range painted over the land of its areas (black borders kept).
Bytes plain_distribution(const RegionMap& region, const Species& species, bool rle8) {
    const auto range = area_set(species.areas), range2 = area_set(species.range2);
    std::vector<std::uint32_t> palette;
    for (QRgb entry : region.map.colorTable())
        palette.push_back(entry & 0xFFFFFF);
    const auto first_range = static_cast<std::uint8_t>(palette.size());
    palette.push_back(0xD8553B); // resident range
    palette.push_back(0x5B7FD6); // second range
    const int w = region.map.width(), h = region.map.height();
    Bytes pixels(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uchar* row = region.map.constScanLine(y);
        for (int x = 0; x < w; ++x) {
            std::uint8_t index = row[x];
            const int area = label_area(region, x, y);
            if (area >= 0 && qGray(region.map.color(index)) > 128) {
                if (range2[area])
                    index = first_range + 1;
                else if (range[area])
                    index = first_range;
            }
            pixels[static_cast<std::size_t>(y) * w + x] = index;
        }
    }
    return make_bmp_file_8bit(w, h, palette, pixels, rle8);
}

// A mask over the map's geographic frame: pure red for the range, pure blue for the second range.
Bytes mask_distribution(const RegionMap& region, const Species& species, const MapInfo& map, bool rle8) {
    const auto range = area_set(species.areas), range2 = area_set(species.range2);
    const int w = static_cast<int>(std::lround((map.east - map.west) * map.pixels));
    const int h = static_cast<int>(std::lround((map.north - map.south) * map.pixels));
    Bytes pixels(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int mx = 0, my = 0;
            project_on_region_map(map.west + (x + 0.5) / map.pixels, map.north - (y + 0.5) / map.pixels, mx,
                                  my);
            const int area = label_area(region, mx, my);
            if (area >= 0)
                pixels[static_cast<std::size_t>(y) * w + x] = range2[area] ? 2 : (range[area] ? 1 : 0);
        }
    return make_bmp_file_8bit(w, h, {0xFFFFFF, 0xFF0000, 0x0000FF}, pixels, rle8);
}

} // namespace

bool write_pictures(const Content& content, const std::string& root_text, const std::string& demo_folder,
                    const std::string& resources, std::string& error) {
    ensure_gui_application();
    const fs::path root(root_text);

    // Photos and thumbnails.
    std::vector<int> photo_counts(content.species.size(), 0);
    for (const auto& photo : content.photos)
        ++photo_counts[photo.species];
    std::vector<bool> thumbnail_done(content.species.size(), false);
    for (const auto& photo : content.photos) {
        const Species& species = content.species[photo.species];
        const std::string folder = folder_8_3(content.families[species.family].folder);
        const QSize size = photo_size(photo.number, photo_counts[photo.species] > 6);
        const std::uint32_t seed = static_cast<std::uint32_t>(species.unique_id * 1000 + photo.number);
        const QByteArray bytes =
            jpeg(draw_picture(content, species, photo.pose, size.width(), size.height(), seed, true), 82);
        if (bytes.isEmpty()) {
            error = "JPEG encoding failed (Qt image formats plugin missing?)";
            return false;
        }
        Bytes stored(bytes.begin(), bytes.end());
        if (photo.store == "scrambled")
            stored = scramble_picture(stored, PictureScrambling::scrambled);
        else if (photo.store == "scramble2")
            stored = scramble_picture(stored, PictureScrambling::scramble2);
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, ".%03d", photo.number);
        if (!write_bytes(root / "big_pict" / folder / (std::to_string(species.unique_id) + suffix),
                         reinterpret_cast<const char*>(stored.data()), stored.size(), error))
            return false;
        // The thumbnail shows the bird of the species' first counted photo.
        if (!thumbnail_done[photo.species] && !photo.nss) {
            thumbnail_done[photo.species] = true;
            const QByteArray small =
                jpeg(draw_picture(content, species, photo.pose, 120, 90, seed, false), 85);
            if (!write_bytes(root / "smalpict" / folder / (std::to_string(species.unique_id) + ".jpg"),
                             small.data(), static_cast<std::size_t>(small.size()), error))
                return false;
        }
    }

    // Distribution maps: plain bitmaps, RLE8 bitmaps and LZW containers of either, in turn.
    std::string map_error;
    const auto region = load_region_map(resources, map_error);
    if (!region) {
        error = map_error;
        return false;
    }
    int turn = 0;
    for (const auto& species : content.species) {
        if (species.maps.empty()) continue;
        const std::string folder = folder_8_3(content.families[species.family].folder);
        // Slot 1 is the reference marked main (the program swaps a main second reference to the front).
        std::vector<MapRef> references = species.maps;
        if (references.size() == 2 && references[1].main && !references[0].main)
            std::swap(references[0], references[1]);
        for (std::size_t slot = 0; slot < references.size(); ++slot) {
            const MapRef& ref = references[slot];
            const MapInfo* map = content.map(ref.map);
            const int storage = turn++ % 20;
            const bool rle8 = ref.mask ? storage % 2 == 0 : (storage >= 1 && storage <= 9) || storage >= 16;
            const bool container = ref.mask ? storage % 4 == 1 : storage >= 10;
            Bytes bmp = ref.mask ? mask_distribution(*region, species, *map, rle8)
                                 : plain_distribution(*region, species, rle8);
            if (container) bmp = make_compressed_container(bmp);
            const int number = ref.mask ? static_cast<int>(slot) + 1 : 1;
            const fs::path path = root / "distmaps" / folder /
                                  (std::to_string(species.unique_id) + "-" + std::to_string(number) + ".bmp");
            if (fs::exists(path)) {
                error =
                    species.scientific + ": two distribution maps would share " + path.filename().string();
                return false;
            }
            if (!write_bytes(path, reinterpret_cast<const char*>(bmp.data()), bmp.size(), error))
                return false;
        }
    }

    // Site descriptions.
    for (const auto& page : content.site_pages) {
        std::error_code code;
        fs::create_directories(root / "localities", code);
        fs::copy_file(fs::path(demo_folder) / "sites" / page, root / "localities" / page,
                      fs::copy_options::overwrite_existing, code);
        if (code) {
            error = "cannot copy site page " + page + ": " + code.message();
            return false;
        }
    }
    return true;
}

} // namespace morvelin::demo
