#include "ui/foundation/program_fonts.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QToolTip>

#include <array>

namespace morvelin {

namespace {

struct FontEntry {
    int pixel_height;
    bool bold;
    bool italic;
};

constexpr std::array<FontEntry, 11> font_table = {{
    {13, false, false},
    {14, false, false},
    {14, true, false},
    {15, false, false},
    {15, true, false},
    {16, false, false},
    {16, false, true},
    {16, true, false},
    {17, false, false},
    {18, false, false},
    {20, false, false},
}};

std::array<QFont, 11> make_fonts() {
    // Texts and layouts that still name "Arial" get the same face.
    QFont::insertSubstitution(QStringLiteral("Arial"), QString::fromLatin1(program_font_family));
    std::array<QFont, 11> fonts;
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        QFont font(QString::fromLatin1(program_font_family));
        font.setPixelSize(font_table[i].pixel_height);
        font.setBold(font_table[i].bold);
        font.setItalic(font_table[i].italic);
        fonts[i] = font;
    }
    return fonts;
}

QRect screen_geometry(bool available) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return QRect(0, 0, 1024, 768);
    return available ? screen->availableGeometry() : screen->geometry();
}

} // namespace

const QFont& program_font(ProgramFont font) {
    static const std::array<QFont, 11> fonts = make_fonts();
    return fonts[static_cast<std::size_t>(font)];
}

QRect work_area() {
    return screen_geometry(true);
}

double screen_aspect() {
    QRect screen = screen_geometry(false);
    if (screen.height() <= 0) return 1.0;
    return static_cast<double>(screen.width()) / screen.height() / 1.33;
}

TooltipColours tooltip_colours() {
    QPalette palette = QToolTip::palette();
    return {palette.color(QPalette::Inactive, QPalette::ToolTipBase),
            palette.color(QPalette::Inactive, QPalette::ToolTipText)};
}

} // namespace morvelin
