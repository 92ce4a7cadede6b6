#include "core/areas/sarovan_area.h"

#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using testing::TempDir;

std::vector<int> selected_areas(const TArea& area) {
    std::vector<int> list;
    for (int i = 0; i < area.count(); ++i)
        if (area.selected(i)) list.push_back(i);
    return list;
}

const std::vector<int> default_areas = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17, 18, 19};

class AreaSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = environment().settings_file_path;
        environment().settings_file_path = dir_.file("Morvelin.ini");
    }
    void TearDown() override { environment().settings_file_path = saved_; }

    // The selection a window would read back from a stored `Selected Area` value.
    std::vector<int> read_stored(const std::string& value) {
        settings_write_string("", "WINDOW 1", "Selected Area", value);
        TSarovanArea area;
        area.create_from_settings("WINDOW 1");
        return selected_areas(area);
    }

private:
    TempDir dir_;
    std::string saved_;
};

TEST(SarovanArea, SchemeHasTwentyCodesWithSeedPoints) {
    TSarovanArea area;
    ASSERT_EQ(area.count(), 20);
    EXPECT_EQ(area.codes()[0], "IN");
    EXPECT_EQ(area.codes()[12], "LE");
    EXPECT_EQ(area.codes()[19], "PH");
    const auto& seeds = area.scheme().seed_points;
    ASSERT_EQ(seeds.size(), 20u);
    EXPECT_EQ(seeds[10].size(), 2u);
    EXPECT_EQ(seeds[19].size(), 11u);
    EXPECT_EQ(seeds[19].back().x, 482);
    EXPECT_EQ(seeds[19].back().y, 256);
    EXPECT_EQ(area.frame_class(), "TFrameSelectSarovanArea");
    EXPECT_TRUE(selected_areas(area).empty()); // cleared at construction
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(area.is_offered(i), i < 12 || i > 15) << i;
        EXPECT_FALSE(area.uses_alternate_colours(i));
    }
}

TEST(SarovanArea, DefaultLeavesOutTheAreasNotOffered) {
    TSarovanArea area;
    area.set_selected(13, true);
    area.select_default();
    EXPECT_EQ(selected_areas(area), default_areas);
}

TEST(SarovanArea, SpeciesDataParsesCodesInAnyCase) {
    struct Case {
        const char* text;
        std::vector<int> areas;
    } cases[] = {{"in-sr", {0, 1}}, {"IN-", {0}}, {"PH-LE-in", {0, 12, 19}}, {"", {}}};
    for (const Case& c : cases) {
        TSarovanArea area;
        EXPECT_TRUE(area.set_from_text(c.text, "Gallus gallus", true)) << c.text;
        EXPECT_EQ(selected_areas(area), c.areas) << c.text;
    }
}

TEST(SarovanArea, ParsingAddsToTheAreasAlreadySelected) {
    TSarovanArea area;
    area.set_selected(5, true);
    area.set_from_text("IN", "x", true);
    EXPECT_EQ(selected_areas(area), (std::vector<int>{0, 5}));
}

TEST(SarovanArea, FaultyTextWithoutReportGivesTheDefault) {
    for (const char* text : {"IN-XX", "IN-IN", "INSR", "I", "IN--SR"}) {
        TSarovanArea area;
        EXPECT_FALSE(area.set_from_text(text, "WINDOW 1", false)) << text;
        EXPECT_EQ(selected_areas(area), default_areas) << text;
    }
}

TEST(SarovanAreaDeathTest, FaultyTextWithReportStopsNamingTheContextAndCode) {
    TSarovanArea area;
    EXPECT_EXIT(area.set_from_text("IN-xx", "Pitta sordida", true), ::testing::ExitedWithCode(1),
                "Error in distribution data for Pitta sordida: item \"XX\" is invalid!");
}

TEST(SarovanArea, WritesSelectedCodesInSchemeOrder) {
    TSarovanArea area;
    area.set_selected(2, true);
    area.set_selected(0, true);
    EXPECT_EQ(area.selection_text(), "IN-NE");
    area.set_flags(std::vector<bool>(20, false));
    EXPECT_EQ(area.selection_text(), "");
}

TEST(SarovanArea, FlagsOfTheWrongLengthAreIgnored) {
    TSarovanArea area;
    area.set_flags(std::vector<bool>(21, true));
    EXPECT_TRUE(selected_areas(area).empty());
    std::vector<bool> flags(20, false);
    flags[3] = flags[17] = true;
    area.set_flags(flags);
    EXPECT_EQ(area.flags(), flags);
}

TEST(SarovanArea, SharesAnAreaAndAssign) {
    TSarovanArea species, window;
    species.set_from_text("TH-MA", "s", true);
    window.set_from_text("IN-SR", "w", true);
    EXPECT_FALSE(species.shares_an_area_with(window));
    window.set_selected(6, true);
    EXPECT_TRUE(species.shares_an_area_with(window));
    TSarovanArea copy;
    copy.assign(window);
    EXPECT_EQ(selected_areas(copy), (std::vector<int>{0, 1, 6}));
    auto clone = window.clone();
    EXPECT_EQ(clone->flags(), window.flags());
}

TEST_F(AreaSettingsTest, StoredSelections) {
    EXPECT_EQ(read_stored(""), default_areas);
    EXPECT_EQ(read_stored("in-sr"), (std::vector<int>{0, 1}));
    EXPECT_EQ(read_stored("IN-XX"), default_areas);
    EXPECT_EQ(read_stored("SR-LE-HA-MO"), (std::vector<int>{1})); // areas not offered are cleared again
}

TEST_F(AreaSettingsTest, MissingKeyGivesTheDefault) {
    TSarovanArea area;
    area.create_from_settings("WINDOW 9");
    EXPECT_EQ(selected_areas(area), default_areas);
}

TEST_F(AreaSettingsTest, WriteAndReadBack) {
    TSarovanArea area;
    area.set_from_text("PH-IN-NE", "x", true);
    area.write_to_settings("WINDOW 2");
    EXPECT_EQ(settings_read_string("", "WINDOW 2", "Selected Area", "?"), "IN-NE-PH");
    TSarovanArea back;
    back.select_default(); // a stored selection replaces whatever the set held
    back.create_from_settings("WINDOW 2");
    EXPECT_EQ(selected_areas(back), (std::vector<int>{0, 2, 19}));
}

TEST(EditionArea, OnlyThisEditionHasAScheme) {
    EXPECT_NE(create_edition_area(106), nullptr);
    EXPECT_EQ(create_edition_area(103), nullptr);
}

} // namespace
} // namespace morvelin
