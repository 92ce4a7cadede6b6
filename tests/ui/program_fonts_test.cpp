// Program fonts and display values, on the offscreen platform.

#include "ui/foundation/program_fonts.h"

#include <QApplication>
#include <QFontInfo>
#include <QScreen>
#include <QToolTip>

#include <gtest/gtest.h>

namespace morvelin {
namespace {

class ProgramFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance()) return;
        static int argc = 1;
        static char name[] = "ui_tests";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
    }
};

TEST_F(ProgramFonts, ElevenArialFontsAtTheirPixelHeights) {
    struct Case {
        ProgramFont font;
        int pixels;
        bool bold;
        bool italic;
    };
    const Case cases[] = {
        {ProgramFont::arial_13, 13, false, false},       {ProgramFont::arial_14, 14, false, false},
        {ProgramFont::arial_14_bold, 14, true, false},   {ProgramFont::arial_15, 15, false, false},
        {ProgramFont::arial_15_bold, 15, true, false},   {ProgramFont::arial_16, 16, false, false},
        {ProgramFont::arial_16_italic, 16, false, true}, {ProgramFont::arial_16_bold, 16, true, false},
        {ProgramFont::arial_17, 17, false, false},       {ProgramFont::arial_18, 18, false, false},
        {ProgramFont::arial_20, 20, false, false},
    };
    for (const Case& c : cases) {
        QFontInfo info(program_font(c.font));
        EXPECT_EQ(info.family(), "Liberation Sans") << c.pixels;
        EXPECT_EQ(info.pixelSize(), c.pixels);
        EXPECT_EQ(info.bold(), c.bold) << c.pixels;
        EXPECT_EQ(info.italic(), c.italic) << c.pixels;
    }
    // Once the program fonts exist, a font asked for as "Arial" is the same face.
    EXPECT_EQ(QFontInfo(QFont("Arial")).family(), "Liberation Sans");
}

TEST_F(ProgramFonts, WorkAreaAndAspectFollowThePrimaryScreen) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    QRect area = work_area();
    EXPECT_FALSE(area.isEmpty());
    EXPECT_TRUE(screen->geometry().contains(area));
    EXPECT_DOUBLE_EQ(screen_aspect(),
                     double(screen->geometry().width()) / screen->geometry().height() / 1.33);
}

TEST_F(ProgramFonts, TooltipColoursAreTheDesktops) {
    QPalette saved = QToolTip::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    palette.setColor(QPalette::ToolTipText, QColor(10, 20, 30));
    QToolTip::setPalette(palette);
    TooltipColours colours = tooltip_colours();
    QToolTip::setPalette(saved);
    EXPECT_EQ(colours.background, QColor(255, 255, 225));
    EXPECT_EQ(colours.text, QColor(10, 20, 30));
}

} // namespace
} // namespace morvelin
