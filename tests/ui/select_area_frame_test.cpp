#include "ui/areas/select_area_frame.h"
#include "core/areas/sarovan_area.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_services.h"
#include "ui_application.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvelin;
using namespace morvelin::testing;

namespace {

constexpr QRgb green = 0xff00ff00;
constexpr QRgb white = 0xffffffff;

class SelectAreaFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
    }
    const std::vector<AreaSeedPoint>& seeds(int area) const {
        return scheme.scheme().seed_points[static_cast<std::size_t>(area)];
    }
    QPoint seed(int area, int i = 0) const {
        return {seeds(area)[static_cast<std::size_t>(i)].x, seeds(area)[static_cast<std::size_t>(i)].y};
    }
    std::vector<int> selected(const TArea& set) const {
        std::vector<int> out;
        for (int i = 0; i < set.count(); ++i)
            if (set.selected(i)) out.push_back(i);
        return out;
    }
    TSarovanArea scheme;
};

} // namespace

TEST(FloodFill, FillsTheFourConnectedSurfaceOnly) {
    // 0 = white, 1 = black. The diagonal step at (2,1)-(3,2) does not connect.
    const int rows[4][5] = {{0, 0, 1, 1, 1}, {0, 0, 0, 1, 1}, {1, 1, 1, 0, 0}, {1, 1, 1, 0, 0}};
    MapPixels image{5, 4, {}};
    for (const auto& row : rows)
        for (int v : row) image.pixels.push_back(v ? 0xff000000u : 0xffffffffu);
    MapPixels copy = image;
    EXPECT_EQ(flood_fill(copy, 0, 0, area_colour::green, area_colour::white), 5);
    EXPECT_EQ(copy.colour(2, 1), area_colour::green);
    EXPECT_EQ(copy.colour(3, 2), area_colour::white);
    EXPECT_EQ(flood_fill(copy, 4, 3, area_colour::green, area_colour::white), 4);
    // Outside the image, another colour, or nothing to change: nothing filled.
    EXPECT_EQ(flood_fill(copy, 5, 0, area_colour::green, area_colour::white), 0);
    EXPECT_EQ(flood_fill(copy, -1, 0, area_colour::green, area_colour::white), 0);
    EXPECT_EQ(flood_fill(copy, 2, 0, area_colour::green, area_colour::white), 0);
    EXPECT_EQ(flood_fill(copy, 0, 0, area_colour::green, area_colour::green), 0);
}

// Every seed point of an offered area lies on white land of the map, and filling its region reaches
// no seed point of another area: otherwise one click would select two areas.
TEST_F(SelectAreaFrameTest, AFloodFromAnySeedReachesNoOtherAreasSeed) {
    const QImage map = sarovan_map_image();
    ASSERT_EQ(map.size(), QSize(TSarovanArea::map_width, TSarovanArea::map_height));
    MapPixels pixels;
    pixels.width = map.width();
    pixels.height = map.height();
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) pixels.pixels.push_back(map.pixel(x, y));
    int seeds_checked = 0;
    for (int area = 0; area < scheme.count(); ++area) {
        if (!scheme.is_offered(area)) continue;
        for (const AreaSeedPoint& s : seeds(area)) {
            ASSERT_TRUE(pixels.contains(s.x, s.y)) << area;
            ASSERT_EQ(pixels.colour(s.x, s.y), area_colour::white) << area << " at " << s.x << "," << s.y;
            MapPixels filled = pixels;
            EXPECT_GT(flood_fill(filled, s.x, s.y, area_colour::green, area_colour::white), 0);
            for (int other = 0; other < scheme.count(); ++other) {
                if (other == area) continue;
                for (const AreaSeedPoint& o : seeds(other)) {
                    if (filled.contains(o.x, o.y)) {
                        EXPECT_NE(filled.colour(o.x, o.y), area_colour::green)
                            << "seed of " << area << " reaches " << other;
                    }
                }
            }
            ++seeds_checked;
        }
    }
    EXPECT_EQ(seeds_checked, 28);
}

TEST_F(SelectAreaFrameTest, AClickSelectsTheAreaAndASecondClearsIt) {
    TFrameSelectSarovanArea frame(scheme);
    TSarovanArea set; // nothing selected
    frame.take_from(set);
    EXPECT_EQ(frame.map_image().pixel(seed(2)), white);
    frame.click_map(seed(2));
    EXPECT_EQ(frame.map_image().pixel(seed(2)), green);
    frame.store_in(set);
    EXPECT_EQ(selected(set), std::vector<int>{2});
    EXPECT_TRUE(frame.changed());
    frame.click_map(seed(2));
    EXPECT_EQ(frame.map_image().pixel(seed(2)), white);
    EXPECT_FALSE(frame.changed());
    EXPECT_FALSE(frame.any_area_selected());
}

// One click on one Philippine island selects every island of the area; China's two regions follow.
TEST_F(SelectAreaFrameTest, AClickOnOneRegionTakesTheWholeArea) {
    TFrameSelectSarovanArea frame(scheme);
    frame.take_from(TSarovanArea());
    frame.click_map(seed(19, 5));
    frame.click_map(seed(16, 1));
    const QImage image = frame.map_image();
    for (int area : {16, 19})
        for (int i = 0; i < static_cast<int>(seeds(area).size()); ++i)
            EXPECT_EQ(image.pixel(seed(area, i)), green) << area << " seed " << i;
    TSarovanArea set;
    frame.store_in(set);
    EXPECT_EQ(selected(set), (std::vector<int>{16, 19}));
}

// Written in scheme order whatever the order of the clicks.
TEST_F(SelectAreaFrameTest, TheSelectionIsWrittenInSchemeOrder) {
    TFrameSelectSarovanArea frame(scheme);
    frame.take_from(TSarovanArea());
    frame.click_map(seed(2));
    frame.click_map(seed(0));
    TSarovanArea set;
    frame.store_in(set);
    EXPECT_EQ(set.selection_text(), "IN-NE");
}

TEST_F(SelectAreaFrameTest, ButtonsLeaveTheAreasNotOfferedAlone) {
    TFrameSelectSarovanArea frame(scheme);
    TSarovanArea set;
    set.set_selected(13, true); // a stored selection may name an area not offered
    set.set_selected(3, true);
    frame.take_from(set);
    QTest::mouseClick(frame.select_all_button(), Qt::LeftButton);
    frame.store_in(set);
    std::vector<int> all_offered{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 16, 17, 18, 19};
    EXPECT_EQ(selected(set), all_offered);
    for (int area : {0, 11, 16, 19}) EXPECT_EQ(frame.map_image().pixel(seed(area)), green) << area;
    QTest::mouseClick(frame.clear_all_button(), Qt::LeftButton);
    frame.store_in(set);
    EXPECT_EQ(selected(set), std::vector<int>{13});
    for (int area : {0, 11, 16, 19}) EXPECT_EQ(frame.map_image().pixel(seed(area)), white) << area;
    // Areas not offered are never drawn: their seeds on the map keep the map's colour.
    const QImage map = sarovan_map_image();
    const QImage image = frame.map_image();
    for (int area = 12; area <= 15; ++area)
        for (int i = 0; i < static_cast<int>(seeds(area).size()); ++i)
            if (map.rect().contains(seed(area, i))) {
                EXPECT_EQ(image.pixel(seed(area, i)), map.pixel(seed(area, i))) << area;
            }
}

TEST_F(SelectAreaFrameTest, AMouseClickOnTheMapHitsTheImagePixel) {
    TFrameSelectSarovanArea frame(scheme);
    frame.take_from(TSarovanArea());
    frame.show();
    QWidget* view = frame.childAt(frame.map_rect().topLeft() + seed(8));
    ASSERT_NE(view, nullptr);
    QTest::mouseClick(view, Qt::LeftButton, {}, seed(8));
    TSarovanArea set;
    frame.store_in(set);
    EXPECT_EQ(selected(set), std::vector<int>{8});
}

TEST_F(SelectAreaFrameTest, AFlagCountOfAnotherSchemeIsAProgrammingError) {
    ScriptedMessages messages;
    AreaSelectionMap selection(scheme, MapPixels{1, 1, {0xffffffffu}});
    std::vector<bool> flags(20, false);
    flags[4] = true;
    ASSERT_TRUE(selection.take_flags(flags));
    EXPECT_FALSE(selection.take_flags(std::vector<bool>(21, true)));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Programming error 12730, tell Tobran");
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    EXPECT_EQ(selection.flags(), flags);
}
