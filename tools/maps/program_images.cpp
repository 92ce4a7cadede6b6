#include "program_images.h"

#include "image_output.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <functional>
#include <random>

namespace morvelin::maps {
namespace {

using Draw = std::function<void(QPainter&)>;

// The house colours of the program's small images.
const QColor ink(44, 56, 66);
const QColor frame_grey(118, 128, 136);
const QColor leaf_green(46, 125, 80);
const QColor accent_red(200, 48, 36);
const QColor sky_blue(74, 132, 186);

// Renders a drawing made in 1x units at the given scale. Images drawn with the AND raster operation in
// the species text get an opaque white background (white leaves the text background as it is); the
// others are transparent.
QImage render(int width, int height, double scale, bool white_background, const Draw& draw) {
    QImage image(static_cast<int>(width * scale), static_cast<int>(height * scale), QImage::Format_ARGB32);
    image.fill(white_background ? Qt::white : Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(scale, scale);
    draw(painter);
    painter.end();
    if (white_background) return image.convertToFormat(QImage::Format_RGB32);
    return image;
}

void write_pair(const QString& folder, const QString& name, int width, int height, bool white_background,
                const Draw& draw, const std::map<QString, QString>& texts = {}) {
    save_png(render(width, height, 1, white_background, draw), folder + "/" + name + ".png", texts);
    save_png(render(width, height, 2, white_background, draw), folder + "/" + name + "@2x.png", texts);
}

// A pen whose one-unit lines fall exactly on pixels at 1x when drawn through half-unit coordinates.
QPen line(const QColor& colour, double width = 1.0) {
    return QPen(colour, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
}

// ---- fold boxes ----

// A square box with a plus or minus whose bars reach `arm` from the centre.
void fold_box(QPainter& p, int size, double arm, bool plus) {
    const double s = size;
    QLinearGradient face(0, 0, 0, s);
    face.setColorAt(0, QColor(255, 255, 255));
    face.setColorAt(1, QColor(226, 232, 238));
    p.setPen(line(frame_grey));
    p.setBrush(face);
    p.drawRect(QRectF(0.5, 0.5, s - 1, s - 1));
    const double c = s / 2;
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    // One-unit bars through the middle pixel row and column.
    p.drawRect(QRectF(c - arm, c - 0.5, 2 * arm, 1));
    if (plus) p.drawRect(QRectF(c - 0.5, c - arm, 1, 2 * arm));
}

// ---- content icons ----

void camera(QPainter& p, double x0) {
    // Body 16 x 10 with a viewfinder hump and a lens.
    QPainterPath body;
    body.addRoundedRect(QRectF(x0 + 0.5, 2.5, 16, 10), 1.5, 1.5);
    body.addRect(QRectF(x0 + 5.5, 0.5, 6, 2.5));
    p.setPen(line(ink));
    p.setBrush(QColor(96, 112, 124));
    p.drawPath(body.simplified());
    p.setBrush(Qt::white);
    p.setPen(line(ink));
    p.drawEllipse(QPointF(x0 + 8.5, 7.5), 3.4, 3.4);
    p.setPen(Qt::NoPen);
    p.setBrush(sky_blue);
    p.drawEllipse(QPointF(x0 + 8.5, 7.5), 2.0, 2.0);
    p.setBrush(QColor(250, 210, 90));
    p.drawRect(QRectF(x0 + 13, 4, 2, 1.5));
}

void speaker(QPainter& p, double x0) {
    // A loudspeaker with two sound waves.
    QPainterPath cone;
    cone.moveTo(x0 + 1, 5);
    cone.lineTo(x0 + 4, 5);
    cone.lineTo(x0 + 8, 1.5);
    cone.lineTo(x0 + 8, 11.5);
    cone.lineTo(x0 + 4, 8);
    cone.lineTo(x0 + 1, 8);
    cone.closeSubpath();
    p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(leaf_green);
    p.drawPath(cone);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(leaf_green, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(x0 + 6.5, 3.5, 6, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(x0 + 6.0, 0.5, 11, 12), -55 * 16, 110 * 16);
}

// ---- map button ----

void little_map(QPainter& p) {
    // A map folded in three panels, with a route and a red place mark.
    const QPointF panels[] = {{0.5, 2.5}, {6.5, 0.5}, {12.5, 2.5}, {18.5, 0.5}};
    const QPointF bottoms[] = {{0.5, 14.5}, {6.5, 12.5}, {12.5, 14.5}, {18.5, 12.5}};
    for (int i = 0; i < 3; ++i) {
        QPolygonF panel;
        panel << panels[i] << panels[i + 1] << bottoms[i + 1] << bottoms[i];
        p.setPen(Qt::NoPen);
        p.setBrush(i == 1 ? QColor(214, 234, 206) : QColor(232, 244, 226));
        p.drawPolygon(panel);
    }
    p.setPen(QPen(sky_blue, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(2, 10), QPointF(6, 6.5));
    p.drawLine(QPointF(6, 6.5), QPointF(10, 8.5));
    p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPolygonF outline;
    outline << panels[0] << panels[1] << panels[2] << panels[3] << bottoms[3] << bottoms[2] << bottoms[1]
            << bottoms[0];
    p.drawPolygon(outline);
    p.setPen(QPen(frame_grey, 1.0));
    p.drawLine(panels[1], bottoms[1]);
    p.drawLine(panels[2], bottoms[2]);
    // Place mark.
    QPainterPath pin;
    pin.moveTo(14.5, 10.5);
    pin.cubicTo(12.2, 7.4, 12.0, 6.2, 12.0, 5.5);
    pin.arcTo(QRectF(12.0, 3.0, 5.0, 5.0), 180, -180);
    pin.cubicTo(17.0, 6.2, 16.8, 7.4, 14.5, 10.5);
    p.setPen(QPen(QColor(120, 20, 14), 0.8));
    p.setBrush(accent_red);
    p.drawPath(pin);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(14.5, 5.5), 1.0, 1.0);
}

// ---- sound-bar glyphs (drawn on a push button) ----

void play_glyph(QPainter& p, const QColor& colour) {
    QPainterPath triangle;
    triangle.moveTo(3.5, 1.5);
    triangle.lineTo(12.0, 7.0);
    triangle.lineTo(3.5, 12.5);
    triangle.closeSubpath();
    p.setPen(QPen(colour.darker(150), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(colour);
    p.drawPath(triangle);
}

void pause_glyph(QPainter& p, const QColor& colour) {
    // Whole-pixel bars, so they stay sharp at 1x.
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(3, 2, 3, 10));
    p.drawRect(QRectF(8, 2, 3, 10));
}

// ---- picture buttons (20 x 20, the image is the whole button) ----

void button_face(QPainter& p) {
    QLinearGradient face(0, 0, 0, 20);
    face.setColorAt(0, QColor(252, 252, 250));
    face.setColorAt(1, QColor(214, 220, 226));
    p.setPen(QPen(QColor(92, 104, 114), 1.0));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, 19, 19), 3, 3);
}

void arrow_button(QPainter& p, bool next) {
    button_face(p);
    QPainterPath arrow;
    const double dir = next ? 1 : -1, cx = 10;
    arrow.moveTo(cx + dir * 5.5, 10);
    arrow.lineTo(cx - dir * 1.0, 4);
    arrow.lineTo(cx - dir * 1.0, 7.5);
    arrow.lineTo(cx - dir * 5.5, 7.5);
    arrow.lineTo(cx - dir * 5.5, 12.5);
    arrow.lineTo(cx - dir * 1.0, 12.5);
    arrow.lineTo(cx - dir * 1.0, 16);
    arrow.closeSubpath();
    p.setPen(QPen(ink, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(64, 120, 172));
    p.drawPath(arrow);
}

void zoom_button(QPainter& p, bool enlarge) {
    button_face(p);
    p.setPen(QPen(ink, 1.6));
    p.setBrush(QColor(236, 244, 252));
    p.drawEllipse(QPointF(8.5, 8.5), 4.8, 4.8);
    p.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.2, 12.2), QPointF(16, 16));
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.2, 8.5), QPointF(10.8, 8.5));
    if (enlarge) p.drawLine(QPointF(8.5, 6.2), QPointF(8.5, 10.8));
}

void letter_button(QPainter& p, const QString& letter, const QColor& disc, bool italic_serif) {
    button_face(p);
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(QPointF(10, 10), 7.2, 7.2);
    QFont font(italic_serif ? "Liberation Serif" : "Liberation Sans");
    font.setPixelSize(italic_serif ? 12 : 11);
    font.setBold(true);
    font.setItalic(italic_serif);
    QPainterPath text;
    text.addText(0, 0, font, letter);
    const QRectF bounds = text.boundingRect();
    p.setBrush(Qt::white);
    p.drawPath(text.translated(10 - bounds.center().x(), 10 - bounds.center().y()));
}

void copyright_button(QPainter& p) {
    button_face(p);
    p.setPen(QPen(ink, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 10), 6.6, 6.6);
    p.drawArc(QRectF(6.6, 6.6, 6.8, 6.8), 40 * 16, 280 * 16);
}

// ---- cursors ----

QPainterPath pointing_hand() {
    // A hand pointing up with the index finger; the finger tip is at (10.5, 1).
    QPainterPath hand;
    hand.moveTo(8.5, 3);
    hand.cubicTo(8.5, 0.6, 12.5, 0.6, 12.5, 3);
    hand.lineTo(12.5, 11);
    hand.cubicTo(12.5, 9.3, 16.5, 9.3, 16.5, 11.3);
    hand.cubicTo(16.5, 9.8, 20.5, 9.8, 20.5, 12.2);
    hand.cubicTo(20.5, 10.9, 24.5, 11.1, 24.5, 13.4);
    hand.lineTo(24.5, 20);
    hand.cubicTo(24.5, 24, 22.5, 26, 21.5, 27.5);
    hand.lineTo(21.5, 30.5);
    hand.lineTo(10.5, 30.5);
    hand.lineTo(10.5, 28);
    hand.cubicTo(8.5, 26, 6.5, 23.5, 4.4, 20.4);
    hand.lineTo(2.4, 17.2);
    hand.cubicTo(1.2, 15.2, 3.6, 13.2, 5.6, 15.0);
    hand.lineTo(8.5, 18);
    hand.closeSubpath();
    return hand;
}

void hand_cursor(QPainter& p) {
    p.setPen(QPen(Qt::black, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    p.drawPath(pointing_hand());
    p.setPen(QPen(Qt::black, 0.9, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12.5, 11.5), QPointF(12.5, 17));
    p.drawLine(QPointF(16.5, 11.5), QPointF(16.5, 17));
    p.drawLine(QPointF(20.5, 12.5), QPointF(20.5, 17.5));
}

void drag_cursor(QPainter& p) {
    // An arrow carrying a small sound bar, with a plus sign: a recording going into the play list.
    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 17);
    arrow.lineTo(5, 13.2);
    arrow.lineTo(8, 20);
    arrow.lineTo(10.8, 18.8);
    arrow.lineTo(7.9, 12.2);
    arrow.lineTo(13.2, 12.2);
    arrow.closeSubpath();
    p.setPen(QPen(Qt::white, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::black);
    p.drawPath(arrow);
    // The carried recording.
    p.setPen(QPen(ink, 1.0));
    p.setBrush(QColor(246, 248, 250));
    p.drawRoundedRect(QRectF(12.5, 17.5, 17, 9), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(leaf_green);
    QPainterPath triangle;
    triangle.moveTo(14.5, 19.5);
    triangle.lineTo(18.5, 22);
    triangle.lineTo(14.5, 24.5);
    triangle.closeSubpath();
    p.drawPath(triangle);
    p.setBrush(frame_grey);
    p.drawRect(QRectF(20, 21.5, 8, 1));
    p.setBrush(sky_blue);
    p.drawRect(QRectF(20, 21, 3, 2));
    // Plus sign.
    p.setBrush(Qt::white);
    p.setPen(QPen(ink, 0.8));
    p.drawEllipse(QPointF(26.5, 13.5), 4.5, 4.5);
    p.setPen(QPen(leaf_green, 1.6, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(24, 13.5), QPointF(29, 13.5));
    p.drawLine(QPointF(26.5, 11), QPointF(26.5, 16));
}

// ---- the bird ----

struct BirdColours {
    QColor back, belly, wing, head, beak, eye_ring;
};

// A perched songbird facing right, singing; its length is about 100 units from tail to beak.
void draw_bird(QPainter& p, const QTransform& at, const BirdColours& c) {
    p.save();
    p.setTransform(at, true);
    // Tail.
    QPainterPath tail;
    tail.moveTo(30, 52);
    tail.cubicTo(18, 58, 6, 70, 0, 80);
    tail.lineTo(8, 82);
    tail.cubicTo(16, 74, 28, 66, 38, 60);
    tail.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c.wing.darker(115));
    p.drawPath(tail);
    // Body.
    QPainterPath body;
    body.moveTo(28, 54);
    body.cubicTo(30, 36, 48, 24, 66, 22);
    body.cubicTo(74, 21, 82, 26, 84, 34);
    body.cubicTo(86, 46, 78, 62, 60, 66);
    body.cubicTo(46, 69, 32, 64, 28, 54);
    body.closeSubpath();
    QLinearGradient back(40, 20, 60, 70);
    back.setColorAt(0, c.back.lighter(112));
    back.setColorAt(1, c.back);
    p.setBrush(back);
    p.drawPath(body);
    // Breast.
    QPainterPath breast;
    breast.moveTo(80, 38);
    breast.cubicTo(84, 50, 74, 62, 58, 65);
    breast.cubicTo(50, 66, 44, 63, 42, 59);
    breast.cubicTo(56, 58, 70, 50, 80, 38);
    breast.closeSubpath();
    QLinearGradient belly(80, 38, 50, 66);
    belly.setColorAt(0, c.belly.lighter(110));
    belly.setColorAt(1, c.belly);
    p.setBrush(belly);
    p.drawPath(breast);
    // Wing with a few feather lines.
    QPainterPath wing;
    wing.moveTo(40, 44);
    wing.cubicTo(48, 32, 64, 32, 70, 40);
    wing.cubicTo(64, 50, 50, 58, 26, 62);
    wing.cubicTo(32, 54, 36, 48, 40, 44);
    wing.closeSubpath();
    p.setBrush(c.wing);
    p.drawPath(wing);
    p.setPen(QPen(c.wing.lighter(150), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(38, 54), QPointF(58, 44));
    p.drawLine(QPointF(34, 58), QPointF(54, 49));
    // Head.
    p.setPen(Qt::NoPen);
    p.setBrush(c.head);
    p.drawEllipse(QPointF(80, 26), 12, 11);
    // Open beak: the bird is singing.
    QPainterPath upper, lower;
    upper.moveTo(89, 21);
    upper.lineTo(104, 20);
    upper.lineTo(90, 26);
    upper.closeSubpath();
    lower.moveTo(90, 27);
    lower.lineTo(102, 31);
    lower.lineTo(88, 31);
    lower.closeSubpath();
    p.setBrush(c.beak);
    p.drawPath(upper);
    p.drawPath(lower);
    // Eye.
    p.setBrush(c.eye_ring);
    p.drawEllipse(QPointF(83, 23), 3.2, 3.2);
    p.setBrush(QColor(20, 20, 24));
    p.drawEllipse(QPointF(83.4, 23), 2.1, 2.1);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(84.2, 22.2), 0.7, 0.7);
    // Legs gripping the perch.
    p.setPen(QPen(QColor(90, 70, 60), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(56, 64), QPointF(54, 74));
    p.drawLine(QPointF(64, 63), QPointF(64, 74));
    p.restore();
}

void sound_waves(QPainter& p, QPointF from, double size, const QColor& colour) {
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        QColor c = colour;
        c.setAlphaF(0.85 - 0.22 * i);
        p.setPen(QPen(c, size * 0.07, Qt::SolidLine, Qt::RoundCap));
        const double r = size * (0.35 + 0.3 * i);
        p.drawArc(QRectF(from.x() - r, from.y() - r, 2 * r, 2 * r), -35 * 16, 70 * 16);
    }
    p.restore();
}

void branch(QPainter& p, QPointF start, QPointF end, double thickness, int leaves, unsigned seed) {
    const QColor bark(86, 64, 50);
    p.setPen(QPen(bark, thickness, Qt::SolidLine, Qt::RoundCap));
    QPainterPath twig;
    twig.moveTo(start);
    const QPointF mid = (start + end) / 2 + QPointF(0, thickness * 1.2);
    twig.quadTo(mid, end);
    p.setBrush(Qt::NoBrush);
    p.drawPath(twig);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < leaves; ++i) {
        const double t = 0.15 + 0.85 * unit(random);
        const QPointF at = twig.pointAtPercent(t);
        const double angle = (unit(random) < 0.5 ? -1 : 1) * (30 + 50 * unit(random));
        const double length = thickness * (3.2 + 2.5 * unit(random));
        p.save();
        p.translate(at);
        p.rotate(angle + (end.x() > start.x() ? -90 : 90));
        QPainterPath leaf;
        leaf.moveTo(0, 0);
        leaf.cubicTo(length * 0.3, -length * 0.28, length * 0.75, -length * 0.22, length, 0);
        leaf.cubicTo(length * 0.75, length * 0.22, length * 0.3, length * 0.28, 0, 0);
        QLinearGradient g(0, -length * 0.2, 0, length * 0.2);
        g.setColorAt(0, QColor(84, 150, 86));
        g.setColorAt(1, QColor(40, 104, 62));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawPath(leaf);
        p.setPen(QPen(QColor(140, 190, 130), thickness * 0.12));
        p.drawLine(QPointF(length * 0.1, 0), QPointF(length * 0.85, 0));
        p.restore();
    }
}

void hills(QPainter& p, double width, double base, double amplitude, const QColor& colour, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    QPainterPath ridge;
    ridge.moveTo(0, 1000);
    double y = base;
    ridge.lineTo(0, y);
    for (double x = 0; x <= width + 40; x += 40) {
        const double next = base - amplitude * (0.3 + 0.7 * unit(random));
        ridge.quadTo(x + 20, (y + next) / 2 - amplitude * 0.3 * unit(random), x + 40, next);
        y = next;
    }
    ridge.lineTo(width + 40, 1000);
    ridge.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(ridge);
}

const BirdColours shama{QColor(36, 40, 52), QColor(214, 116, 44), QColor(30, 34, 44),
                        QColor(38, 42, 56), QColor(28, 28, 30),   QColor(60, 66, 80)};

// The introduction picture: dawn over forested hills, a songbird singing on a branch.
void introduction_picture(QPainter& p, double w, double h) {
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(120, 168, 206));
    sky.setColorAt(0.45, QColor(236, 214, 176));
    sky.setColorAt(0.7, QColor(250, 204, 150));
    sky.setColorAt(1, QColor(250, 222, 180));
    p.fillRect(QRectF(0, 0, w, h), sky);
    QRadialGradient sun(QPointF(w * 0.72, h * 0.52), h * 0.35);
    sun.setColorAt(0, QColor(255, 246, 214, 255));
    sun.setColorAt(0.18, QColor(255, 236, 190, 230));
    sun.setColorAt(1, QColor(255, 220, 170, 0));
    p.fillRect(QRectF(0, 0, w, h), sun);
    hills(p, w, h * 0.62, h * 0.12, QColor(150, 170, 176), 3);
    hills(p, w, h * 0.72, h * 0.10, QColor(104, 134, 132), 7);
    hills(p, w, h * 0.84, h * 0.09, QColor(62, 98, 84), 11);
    hills(p, w, h * 0.95, h * 0.06, QColor(36, 70, 56), 13);
    // Distant birds.
    p.setPen(QPen(QColor(70, 80, 90, 170), 1.4, Qt::SolidLine, Qt::RoundCap));
    for (const QPointF& at :
         {QPointF(w * 0.50, h * 0.22), QPointF(w * 0.55, h * 0.27), QPointF(w * 0.47, h * 0.30)}) {
        QPainterPath v;
        v.moveTo(at + QPointF(-7, -2));
        v.quadTo(at + QPointF(-3, -4), at);
        v.quadTo(at + QPointF(3, -4), at + QPointF(7, -2));
        p.drawPath(v);
    }
    branch(p, QPointF(-10, h * 0.70), QPointF(w * 0.42, h * 0.58), 7, 16, 5);
    QTransform bird;
    bird.translate(w * 0.16, h * 0.58 - 1.33 * 74 + 2);
    bird.scale(1.33, 1.33);
    draw_bird(p, bird, shama);
    sound_waves(p, QPointF(w * 0.16 + 1.33 * 104, h * 0.58 - 1.33 * 48), 42, QColor(255, 255, 255));
}

// The about picture: the songbird on a branch in a soft oval.
void about_picture(QPainter& p, double w, double h) {
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(206, 226, 238));
    sky.setColorAt(1, QColor(244, 236, 214));
    p.fillRect(QRectF(0, 0, w, h), sky);
    hills(p, w, h * 0.80, h * 0.08, QColor(150, 180, 166), 17);
    hills(p, w, h * 0.92, h * 0.06, QColor(96, 140, 116), 19);
    branch(p, QPointF(w + 10, h * 0.64), QPointF(w * 0.05, h * 0.70), 5, 10, 23);
    QTransform bird;
    bird.translate(w * 0.12, h * 0.67 - 1.0 * 74);
    draw_bird(p, bird, shama);
    sound_waves(p, QPointF(w * 0.12 + 104, h * 0.67 - 48), 30, QColor(90, 110, 130));
}

// The program icon: a songbird and its song on a rounded green tile; 256 units square.
void program_icon(QPainter& p) {
    QPainterPath tile;
    tile.addRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
    QLinearGradient g(0, 8, 0, 248);
    g.setColorAt(0, QColor(64, 160, 120));
    g.setColorAt(1, QColor(22, 92, 74));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(tile);
    p.setClipPath(tile);
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QPointF(128, -40), 200, 150);
    p.setClipping(false);
    // Perch.
    p.setPen(QPen(QColor(92, 62, 40), 13, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(26, 206), QPointF(186, 188));
    const BirdColours bird_colours{QColor(250, 250, 246), QColor(255, 196, 80), QColor(224, 232, 228),
                                   QColor(250, 250, 246), QColor(60, 50, 40),   QColor(40, 44, 50)};
    QTransform bird;
    bird.translate(14, 74);
    bird.scale(1.75, 1.75);
    draw_bird(p, bird, bird_colours);
    sound_waves(p, QPointF(14 + 1.75 * 100, 74 + 1.75 * 26), 50, QColor(255, 255, 255));
}

} // namespace

void write_program_images(const QString& resources) {
    const QString bitmaps = resources + "/bitmaps";
    write_pair(bitmaps, "PLUS_BITMAP", 13, 13, true, [](QPainter& p) { fold_box(p, 13, 3.5, true); });
    write_pair(bitmaps, "MINUS_BITMAP", 13, 13, true, [](QPainter& p) { fold_box(p, 13, 3.5, false); });
    write_pair(bitmaps, "INVISIBLE_STANDIN_FOR_MINUS_AND_PLUS_BITMAPS", 13, 13, true, [](QPainter&) {});
    write_pair(bitmaps, "LITTLE_PLUS_BITMAP", 9, 9, true, [](QPainter& p) { fold_box(p, 9, 2.5, true); });
    write_pair(bitmaps, "LITTLE_MINUS_BITMAP", 9, 9, true, [](QPainter& p) { fold_box(p, 9, 2.5, false); });
    write_pair(bitmaps, "PICS_PRESENT_BITMAP", 18, 13, true, [](QPainter& p) { camera(p, 0); });
    write_pair(bitmaps, "RECS_PRESENT_BITMAP", 18, 13, true, [](QPainter& p) { speaker(p, 0); });
    // Left half pictures, right half recordings: a click on either half acts on that half.
    write_pair(bitmaps, "PICS_AND_RECS_PRESENT_BITMAP", 38, 13, true, [](QPainter& p) {
        camera(p, 0);
        speaker(p, 20);
    });
    write_pair(bitmaps, "LITTLE_MAP_BITMAP", 20, 15, true, little_map);

    const QColor play_green(46, 150, 84), pause_slate(70, 84, 98), focus_red(214, 54, 40);
    write_pair(bitmaps, "SOUNDBAR_BUTTON_NOT_PLAYING", 14, 14, false,
               [&](QPainter& p) { play_glyph(p, play_green); });
    write_pair(bitmaps, "SOUNDBAR_BUTTON_NOT_PLAYING_CURSOR", 14, 14, false,
               [&](QPainter& p) { play_glyph(p, focus_red); });
    write_pair(bitmaps, "SOUNDBAR_BUTTON_PLAYING", 14, 14, false,
               [&](QPainter& p) { pause_glyph(p, pause_slate); });
    write_pair(bitmaps, "SOUNDBAR_BUTTON_PLAYING_CURSOR", 14, 14, false,
               [&](QPainter& p) { pause_glyph(p, focus_red); });

    write_pair(bitmaps, "PREVIOUS_PICTURE_BUTTON", 20, 20, false,
               [](QPainter& p) { arrow_button(p, false); });
    write_pair(bitmaps, "NEXT_PICTURE_BUTTON", 20, 20, false, [](QPainter& p) { arrow_button(p, true); });
    write_pair(bitmaps, "SHRINK_BUTTON", 20, 20, false, [](QPainter& p) { zoom_button(p, false); });
    write_pair(bitmaps, "ENLARGE_BUTTON", 20, 20, false, [](QPainter& p) { zoom_button(p, true); });
    write_pair(bitmaps, "INFORMATION_BUTTON", 20, 20, false,
               [](QPainter& p) { letter_button(p, "i", QColor(52, 110, 170), true); });
    write_pair(bitmaps, "COPYRIGHT_BUTTON", 20, 20, false, copyright_button);

    const QString cursors = resources + "/cursors";
    write_pair(cursors, "HAND_CURSOR", 32, 32, false, hand_cursor, {{"HotSpotX", "10"}, {"HotSpotY", "1"}});
    write_pair(cursors, "DRAG_CURSOR", 32, 32, false, drag_cursor, {{"HotSpotX", "1"}, {"HotSpotY", "1"}});

    const QString icons = resources + "/icons";
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage icon = render(size, size, 1, false, [size](QPainter& p) {
            p.scale(size / 256.0, size / 256.0);
            program_icon(p);
        });
        save_png(icon, icons + (size == 256 ? QString("/PROGRAM_ICON_2.png")
                                            : QString("/PROGRAM_ICON_2_%1.png").arg(size)));
    }

    const QString jpeg = resources + "/jpeg";
    for (int scale : {1, 2}) {
        const QString suffix = scale == 2 ? "@2x" : "";
        save_jpeg(render(630, 360, scale, true, [](QPainter& p) { introduction_picture(p, 630, 360); }),
                  jpeg + "/INTRO_JPEG" + suffix + ".jpg", 90);
        save_jpeg(render(180, 200, scale, true, [](QPainter& p) { about_picture(p, 180, 200); }),
                  jpeg + "/ABOUT_JPEG" + suffix + ".jpg", 90);
    }
}

} // namespace morvelin::maps
