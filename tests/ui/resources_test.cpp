// The program's images in the Qt resource system under the names the program asks for.

#include "ui_application.h"

#include <QApplication>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvelin {
namespace {

void ensure_application() { testing::ui_application(); }

struct Named {
    const char* path;
    int width, height; // at 1x; 0 when any size serves
    bool has_2x;       // a twice-as-large twin "<path>@2x" for high-density screens
};

void PrintTo(const Named& named, std::ostream* out) {
    *out << named.path;
}

const std::vector<Named> resources = {
    // Species text: fold boxes, content icons and the map button, drawn with an AND raster operation.
    {":/bitmaps/PLUS_BITMAP", 13, 13, true},
    {":/bitmaps/MINUS_BITMAP", 13, 13, true},
    {":/bitmaps/INVISIBLE_STANDIN_FOR_MINUS_AND_PLUS_BITMAPS", 13, 13, true},
    {":/bitmaps/LITTLE_PLUS_BITMAP", 9, 9, true},
    {":/bitmaps/LITTLE_MINUS_BITMAP", 9, 9, true},
    {":/bitmaps/PICS_PRESENT_BITMAP", 18, 13, true},
    {":/bitmaps/RECS_PRESENT_BITMAP", 18, 13, true},
    {":/bitmaps/PICS_AND_RECS_PRESENT_BITMAP", 38, 13, true},
    {":/bitmaps/LITTLE_MAP_BITMAP", 20, 15, true},
    // Sound-bar glyphs.
    {":/bitmaps/SOUNDBAR_BUTTON_NOT_PLAYING", 14, 14, true},
    {":/bitmaps/SOUNDBAR_BUTTON_PLAYING", 14, 14, true},
    {":/bitmaps/SOUNDBAR_BUTTON_NOT_PLAYING_CURSOR", 14, 14, true},
    {":/bitmaps/SOUNDBAR_BUTTON_PLAYING_CURSOR", 14, 14, true},
    // Photo window buttons, 20 x 20.
    {":/bitmaps/PREVIOUS_PICTURE_BUTTON", 20, 20, true},
    {":/bitmaps/NEXT_PICTURE_BUTTON", 20, 20, true},
    {":/bitmaps/SHRINK_BUTTON", 20, 20, true},
    {":/bitmaps/ENLARGE_BUTTON", 20, 20, true},
    {":/bitmaps/INFORMATION_BUTTON", 20, 20, true},
    {":/bitmaps/COPYRIGHT_BUTTON", 20, 20, true},
    // Maps (the JPEG maps are checked with their projection in maps_test).
    {":/bitmaps/SAROVAN_MAP_BITMAP", 574, 472, false},
    {":/jpeg/INDIA_MAP", 402, 340, true},
    {":/jpeg/INDOCHINA_MAP", 304, 368, true},
    {":/jpeg/INDONESIA_MAP", 514, 316, true},
    {":/jpeg/PHILIPPINES_AND_TAIWAN_MAP", 192, 366, true},
    {":/jpeg/CHINA_MAP", 473, 396, true},
    // Cursors, icon and the introduction and about pictures.
    {":/cursors/HAND_CURSOR", 32, 32, true},
    {":/cursors/DRAG_CURSOR", 32, 32, true},
    {":/icons/PROGRAM_ICON_2", 256, 256, false},
    {":/jpeg/INTRO_JPEG", 630, 360, true},
    {":/jpeg/ABOUT_JPEG", 180, 200, true},
};

class ProgramResources : public ::testing::TestWithParam<Named> {
protected:
    static void SetUpTestSuite() { ensure_application(); }
};

TEST_P(ProgramResources, LoadsAtItsSizeWithATwiceAsLargeTwin) {
    const Named& named = GetParam();
    const QImage image(named.path);
    ASSERT_FALSE(image.isNull()) << "missing or unreadable";
    EXPECT_EQ(image.size(), QSize(named.width, named.height));
    const QImage twin(QString(named.path) + "@2x");
    if (named.has_2x) {
        ASSERT_FALSE(twin.isNull()) << "no @2x twin";
        EXPECT_EQ(twin.size(), image.size() * 2);
    } else {
        EXPECT_TRUE(twin.isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(Named, ProgramResources, ::testing::ValuesIn(resources),
                         [](const ::testing::TestParamInfo<Named>& info) {
                             std::string name = QString(info.param.path).section('/', -1).toStdString();
                             return name;
                         });

class SpeciesTextBitmaps : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensure_application(); }
    static QImage load(const char* name, const char* suffix = "") {
        return QImage(QString(":/bitmaps/") + name + suffix).convertToFormat(QImage::Format_ARGB32);
    }
};

TEST_F(SpeciesTextBitmaps, AreOpaqueSoTheAndDrawingShowsThemAsDrawn) {
    // Drawn with source AND destination: white keeps the text background, transparency has no meaning.
    for (const char* name : {"PLUS_BITMAP", "MINUS_BITMAP", "LITTLE_PLUS_BITMAP", "LITTLE_MINUS_BITMAP",
                             "PICS_PRESENT_BITMAP", "RECS_PRESENT_BITMAP", "PICS_AND_RECS_PRESENT_BITMAP",
                             "LITTLE_MAP_BITMAP", "INVISIBLE_STANDIN_FOR_MINUS_AND_PLUS_BITMAPS"}) {
        for (const char* suffix : {"", "@2x"}) {
            SCOPED_TRACE(std::string(name) + suffix);
            const QImage image = load(name, suffix);
            ASSERT_FALSE(image.isNull());
            int see_through = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    see_through += qAlpha(image.pixel(x, y)) != 255;
            EXPECT_EQ(see_through, 0);
        }
    }
}

TEST_F(SpeciesTextBitmaps, TheStandInIsInvisibleAndTheFoldBoxesDifferOnlyInTheirSign) {
    const QImage standin = load("INVISIBLE_STANDIN_FOR_MINUS_AND_PLUS_BITMAPS");
    for (int y = 0; y < standin.height(); ++y)
        for (int x = 0; x < standin.width(); ++x)
            ASSERT_EQ(standin.pixel(x, y), 0xffffffffu);
    for (const auto& [plus_name, minus_name] :
         {std::pair{"PLUS_BITMAP", "MINUS_BITMAP"}, std::pair{"LITTLE_PLUS_BITMAP", "LITTLE_MINUS_BITMAP"}}) {
        SCOPED_TRACE(plus_name);
        const QImage plus = load(plus_name), minus = load(minus_name);
        ASSERT_EQ(plus.size(), minus.size());
        // The frame is shared; the plus has the vertical bar the minus lacks.
        for (int x = 0; x < plus.width(); ++x)
            EXPECT_EQ(plus.pixel(x, 0), minus.pixel(x, 0));
        const int cx = plus.width() / 2;
        EXPECT_EQ(plus.pixel(cx, plus.height() / 2), minus.pixel(cx, minus.height() / 2));
        EXPECT_NE(plus.pixel(cx, plus.height() / 2 - 2), minus.pixel(cx, minus.height() / 2 - 2));
    }
}

TEST_F(SpeciesTextBitmaps, TheCombinedContentIconIsPicturesLeftAndRecordingsRight) {
    // A click on the left half opens the pictures, on the right half unfolds the recordings.
    for (const char* suffix : {"", "@2x"}) {
        SCOPED_TRACE(suffix);
        const QImage both = load("PICS_AND_RECS_PRESENT_BITMAP", suffix);
        const QImage pictures = load("PICS_PRESENT_BITMAP", suffix);
        const QImage recordings = load("RECS_PRESENT_BITMAP", suffix);
        ASSERT_EQ(both.height(), pictures.height());
        EXPECT_EQ(both.copy(0, 0, pictures.width(), pictures.height()), pictures);
        EXPECT_EQ(both.copy(both.width() - recordings.width(), 0, recordings.width(), recordings.height()),
                  recordings);
        EXPECT_LE(pictures.width(), both.width() / 2);
        EXPECT_LE(recordings.width(), both.width() / 2);
    }
}

TEST(ProgramCursors, CarryTheirHotSpotInsideTheImage) {
    ensure_application();
    for (const char* name : {"HAND_CURSOR", "DRAG_CURSOR"}) {
        SCOPED_TRACE(name);
        const QImage cursor(QString(":/cursors/") + name);
        ASSERT_FALSE(cursor.isNull());
        bool x_ok = false, y_ok = false;
        const int x = cursor.text("HotSpotX").toInt(&x_ok), y = cursor.text("HotSpotY").toInt(&y_ok);
        ASSERT_TRUE(x_ok && y_ok);
        ASSERT_TRUE(cursor.rect().contains(x, y));
        // The hot spot is on the drawn shape, not in the transparent surround.
        const QImage argb = cursor.convertToFormat(QImage::Format_ARGB32);
        int opaque_near = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (argb.rect().contains(x + dx, y + dy))
                    opaque_near += qAlpha(argb.pixel(x + dx, y + dy)) > 128;
        EXPECT_GT(opaque_near, 0);
    }
}

TEST(ProgramIcon, ComesInTheUsualSizes) {
    ensure_application();
    for (int size : {16, 24, 32, 48, 64, 128}) {
        const QImage icon(QString(":/icons/PROGRAM_ICON_2_%1").arg(size));
        ASSERT_FALSE(icon.isNull()) << size;
        EXPECT_EQ(icon.size(), QSize(size, size));
        EXPECT_TRUE(icon.hasAlphaChannel());
    }
}

} // namespace
} // namespace morvelin
