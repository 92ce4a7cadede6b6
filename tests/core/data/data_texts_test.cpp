#include "core/data/data_texts.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

TEST(ConvertMarkup, TagsOfAnyCaseBecomeStyleCharacters) {
    EXPECT_EQ(convert_markup("<I>a</i> <b>b</B> <u>c</U>"), "\x0b"
                                                            "a\x0b \x0c"
                                                            "b\x0c \x0d"
                                                            "c\x0d");
    EXPECT_EQ(convert_markup("a < b <x> </ i> <I"), "a < b <x> </ i> <I");
    EXPECT_EQ(convert_markup(""), "");
}

Tlocality locality(std::string name, std::string region, std::string country) {
    Tlocality l;
    l.name = std::move(name);
    l.region = std::move(region);
    l.country = std::move(country);
    return l;
}

TEST(LocalityTexts, DisplayName) {
    EXPECT_EQ(display_name(locality("Doi Inthanon", "Chiang Mai", "Thailand")),
              "Doi Inthanon (Chiang Mai, Thailand).");
    EXPECT_EQ(display_name(locality("Doi Inthanon", "", "Thailand")), "Doi Inthanon (Thailand).");
    EXPECT_EQ(display_name(locality("Doi Inthanon", "Chiang Mai", "")), "Doi Inthanon (Chiang Mai).");
    EXPECT_EQ(display_name(locality("Doi Inthanon", "", "")), "Doi Inthanon");
}

TEST(LocalityTexts, KnownPlace) {
    Tlocality l = locality("zero location", "", "");
    l.position_1 = 5;
    EXPECT_FALSE(has_known_place(l));
    l.name = "Kaeng Krachan";
    EXPECT_TRUE(has_known_place(l));
    l.position_1 = 0;
    EXPECT_FALSE(has_known_place(l));
}

TEST(LocalityTexts, CoordinateText) {
    Tdata data;
    data.direction_words = {"N", "S", "E", "W"};
    Tlocality l;
    l.position_1 = 86415; // 14 degrees, 24 minutes, 15 hundredths
    l.position_1_flag = true;
    l.position_2 = -608400;
    EXPECT_EQ(coordinate_text(l, data), "14\xB0"
                                        "24'15'' N, 101\xB0"
                                        "24' W");
    l.position_1 = -60000;
    l.position_1_flag = false;
    l.position_2 = 0;
    EXPECT_EQ(coordinate_text(l, data), "10\xB0"
                                        "00' S, 0\xB0"
                                        "00' E");
}

TEST(LocalityTexts, RegionLabelByCountryAndEdition) {
    Tdata data;
    data.department_texts = {"Department", "Province", "State", "Region", "", "", "", "", "", ""};
    struct Case {
        const char* region;
        const char* country;
        int edition;
        const char* label;
    } cases[] = {
        {"Cusco", "Peru", 101, "Department"},
        {"Cusco", "Peru", 106, "Region"},
        {"Salta", "Argentina", 106, "Province"},
        {"Napo", "ecuador", 101, "Province"},
        {"Bahia", "Brasil", 106, "State"},
        {"Oaxaca", "Mexico", 101, "State"},
        {"", "Brazil", 106, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(region_label(locality("x", c.region, c.country), data, c.edition), c.label) << c.country;
    }
}

TEST(SpeciesTexts, SubspeciesDisplayName) {
    Tsubspecies s;
    s.name = "spadiceus";
    EXPECT_EQ(subspecies_display_name(s, false), "\x0bspadiceus\x0b");
    s.name = "unnamed form";
    EXPECT_EQ(subspecies_display_name(s, false), "unnamed form");
    s.name = "Undescribed Taxon";
    EXPECT_EQ(subspecies_display_name(s, true), "\x0btaxon no descrito\x0b");
    EXPECT_EQ(subspecies_display_name(s, false), "\x0bUndescribed Taxon\x0b");
}

TEST(SpeciesTexts, MediaPaths) {
    EXPECT_EQ(media_folder_8_3("Phasianidae"), "Phasiani.dae");
    EXPECT_EQ(media_folder_8_3("Muscicapidae"), "Muscicap.ida");
    EXPECT_EQ(media_folder_8_3("Pittidae"), "Pittidae");
    EXPECT_EQ(media_folder_8_3("Laridae"), "Laridae");
    Tspecies s;
    s.media_folder = "Phasianidae";
    s.unique_id = 1001;
    EXPECT_EQ(species_media_path(s, "/disc/bigpict/", photo_suffix(12)),
              "/disc/bigpict/Phasiani.dae/1001.012");
    EXPECT_EQ(thumbnail_path(s, "/disc/"), "/disc/smalpict/Phasiani.dae/1001.jpg");
}

TEST(AudioCdShortName, TakesTwoSlicesOfTheTitle) {
    TaudioCD cd;
    cd.text_2 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";                     // 36 characters
    EXPECT_EQ(audio_cd_short_name(cd), "*EFGHIJKLMNOPQRSUVWXYZ012345678*"); // from 5 and from 21
    cd.text_2 = "SHORT";
    EXPECT_EQ(audio_cd_short_name(cd), "*TSHORT*");
    cd.text_2 = "";
    EXPECT_EQ(audio_cd_short_name(cd), "**");
}

TEST(GroupName, NumbersThreeToSix) {
    EXPECT_EQ(group_name(3, "x", false), "Birds");
    EXPECT_EQ(group_name(6, "x", false), "Frogs and Toads");
    EXPECT_EQ(group_name(4, "x", true), "Mam\xED"
                                        "feros");
    EXPECT_EQ(group_name(2, "kept", false), "kept");
    EXPECT_EQ(group_name(7, "kept", true), "kept");
}

} // namespace
} // namespace morvelin
