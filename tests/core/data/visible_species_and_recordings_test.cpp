#include "core/data/visible_species_and_recordings.h"

#include "core/foundation/settings_file.h"
#include "mini_disc.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace morvelin {
namespace {

using testing::DataTest;
using testing::literally;
using Visibility = TClassVisibleSpeciesAndRecordings;

// The mini disc: CD 7 (sequence 1) is a regular CD, CD 10 (sequence 2) is always available.
// Gallus 1001 has items: [P, sound file, A], [P, CD 7 selected, B], [no P, CD 10 unselected, X];
// Pavo 1002 has one uncounted photo and no items; Pitta 2001 has one item [P, sound file, A].
class VisibilityTest : public DataTest {
protected:
    void SetUp() override {
        DataTest::SetUp();
        data = load();
        gallus = data->find_species(1001);
        pavo = data->find_species(1002);
        pitta = data->find_species(2001);
        file_part = data->find_cut_part("1001A0001");
        cd7_part = data->find_cut_part("7C0002b");
        cd10_part = data->find_cut_part("10C0001");
    }

    Visibility everything() const {
        Visibility v = Visibility::create_default(*data);
        v.only_with_sounds_or_photos = false;
        v.carriers.visible_cds = {1, 2};
        v.carriers.playable_cds = {1, 2};
        return v;
    }

    std::unique_ptr<Tdata> data;
    const Tspecies *gallus = nullptr, *pavo = nullptr, *pitta = nullptr;
    const Tcutpart *file_part = nullptr, *cd7_part = nullptr, *cd10_part = nullptr;
};

TEST_F(VisibilityTest, DefaultsOfThisEdition) {
    const Visibility v = Visibility::create_default(*data);
    ASSERT_NE(v.area_selection, nullptr);
    EXPECT_EQ(v.area_selection->selection_text(), "IN-SR-NE-BU-TH-IC-MA-SI-BO-SU-JA-BA-CH-HK-TA-PH");
    EXPECT_TRUE(v.only_with_sounds_or_photos);
    EXPECT_FALSE(v.only_with_sounds || v.only_with_photos);
    EXPECT_TRUE(v.carriers.show_native);
    EXPECT_EQ(v.carriers.visible_cds, NumberSet{2}); // only the always-available CD
    EXPECT_EQ(v.carriers.playable_cds, NumberSet{2});
    EXPECT_TRUE(v.carriers.cds_on_hd.empty());
}

TEST_F(VisibilityTest, CutPartVisiblePlayableAndOnHardDisk) {
    Visibility v = everything();
    v.carriers.playable_cds = {1};
    EXPECT_TRUE(v.cut_part_visible(*file_part));
    EXPECT_TRUE(v.cut_part_visible(*cd7_part));
    EXPECT_FALSE(v.cut_part_visible(*cd10_part)); // not selected, and the scheme does not show those
    EXPECT_TRUE(v.cut_part_playable(*cd7_part));
    EXPECT_FALSE(v.cut_part_on_hard_disk(*cd7_part));
    v.carriers.cds_on_hd = {1};
    EXPECT_TRUE(v.cut_part_on_hard_disk(*cd7_part));
    EXPECT_TRUE(v.cut_part_on_hard_disk(*file_part));

    v.carriers.playable_cds = {};
    EXPECT_FALSE(v.cut_part_playable(*cd7_part));
    v.carriers.visible_cds = {};
    EXPECT_FALSE(v.cut_part_visible(*cd7_part));

    v.area_selection.reset(); // without an area scheme unselected slices are shown
    v.carriers.visible_cds = {2};
    EXPECT_TRUE(v.cut_part_visible(*cd10_part));
    EXPECT_FALSE(v.cut_part_on_hard_disk(*cd10_part)); // not playable
    v.carriers.playable_cds = {2};
    EXPECT_TRUE(v.cut_part_on_hard_disk(*cd10_part)); // always available
}

TEST_F(VisibilityTest, TurningOffSoundFilesLeavesCdRecordings) {
    Visibility v = everything();
    v.carriers.show_native = false;
    EXPECT_FALSE(v.cut_part_visible(*file_part));
    EXPECT_EQ(v.visible_item_count(*gallus, 3), 1);
    EXPECT_EQ(v.nth_visible_item(*gallus, 1, false, 3), gallus->first_item->next_item);
    EXPECT_EQ(v.visible_item_count(*pitta, 3), 0);
}

TEST(ItemClass, LettersAndModes) {
    struct Case {
        char letter;
        int mode;
        bool passes;
    } cases[] = {{'X', 1, true},  {'A', 1, true}, {'B', 1, false}, {'B', 2, true},
                 {'C', 2, false}, {'C', 3, true}, {' ', 3, true},  {'a', 1, false}};
    for (const Case& c : cases)
        EXPECT_EQ(item_class_passes(c.letter, c.mode), c.passes) << c.letter << c.mode;
}

TEST_F(VisibilityTest, CountingStopsAtTheFirstItemWithoutTheMark) {
    Visibility v = everything();
    v.area_selection.reset(); // the third item's cut part becomes visible, but it has no P mark
    EXPECT_EQ(v.visible_item_count(*gallus, 3), 2);
    EXPECT_EQ(v.visible_item_count(*gallus, 1), 1); // the B item needs mode 2
    EXPECT_EQ(v.visible_item_count(*gallus, 2), 2);
    EXPECT_EQ(v.nth_visible_item(*gallus, 2, false, 3), gallus->first_item->next_item);
    EXPECT_EQ(v.nth_visible_item(*gallus, 5, false, 3), gallus->first_item->next_item); // the last one
    v.carriers.playable_cds = {};
    EXPECT_EQ(v.playable_item_count(*gallus, 3), 1);
    EXPECT_EQ(v.nth_visible_item(*gallus, 2, true, 3), gallus->first_item);
}

TEST_F(VisibilityTest, FirstItemWithoutTheMarkMeansNoRecordings) {
    disc.replace("cupaitem.txt", "song\nP\nfirst half", "song\n\nfirst half");
    data = load();
    const Visibility v = everything();
    const Tspecies& g = *data->find_species(1001);
    EXPECT_EQ(v.visible_item_count(g, 3), 0);
    EXPECT_EQ(v.nth_visible_item(g, 1, false, 3), nullptr);
}

TEST_F(VisibilityTest, SpeciesFilters) {
    struct Case {
        bool sounds_or_photos, sounds, photos;
        bool gallus, pavo, pitta; // gallus: items and photos; pavo: an uncounted photo; pitta: an item
    } cases[] = {
        {false, false, false, true, true, true},
        {true, false, false, true, true, true},
        {false, true, false, true, false, true},
        {false, false, true, true, true, false},
    };
    for (const Case& c : cases) {
        Visibility v = everything();
        v.only_with_sounds_or_photos = c.sounds_or_photos;
        v.only_with_sounds = c.sounds;
        v.only_with_photos = c.photos;
        EXPECT_EQ(v.species_visible(*gallus), c.gallus);
        EXPECT_EQ(v.species_visible(*pavo), c.pavo);
        EXPECT_EQ(v.species_visible(*pitta), c.pitta);
    }
}

TEST_F(VisibilityTest, AreasDecideWhichSpeciesAreListed) {
    Visibility v = everything();
    v.area_selection->set_flags(std::vector<bool>(20, false));
    v.area_selection->set_selected(1, true); // SR: Gallus and Pavo, not Pitta
    EXPECT_TRUE(v.species_visible(*gallus));
    EXPECT_TRUE(v.species_visible(*pavo));
    EXPECT_FALSE(v.species_visible(*pitta));
    v.area_selection->set_selected(1, false);
    EXPECT_FALSE(v.species_visible(*gallus));
}

// A window that plays a list widens its copy of a filter just enough to show the list's recordings.
TEST_F(VisibilityTest, AdmittingRecordingsWidensTheFilterOnlyAsFarAsNeeded) {
    const Tcupaitem* song = gallus->first_item;    // a sound file
    const Tcupaitem* on_cd7 = song->next_item;     // CD sequence 1
    const Tcupaitem* uncounted = on_cd7->next_item; // after the first item without the mark
    const Tcupaitem* pitta_song = pitta->first_item;
    struct Case {
        const char* what;
        std::function<void(Visibility&)> narrow;
        std::vector<const Tcupaitem*> items;
        bool admitted, area_kept, species_filters_kept;
    };
    const std::vector<Case> cases = {
        {"carriers hidden", [](Visibility& v) { v.carriers = {false, {}, {}, {}}; }, {song, on_cd7},
         true, true, true},
        {"only species with photos", [](Visibility& v) { v.only_with_photos = true; }, {pitta_song},
         true, true, false},
        {"another area", [](Visibility& v) {
             v.area_selection->set_flags(std::vector<bool>(20, false));
             v.area_selection->set_selected(1, true); // SR: not Pitta
         }, {song, pitta_song}, true, false, true},
        {"a recording no window lists", [](Visibility&) {}, {uncounted}, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Visibility v = everything();
        c.narrow(v);
        const bool had_photos_filter = v.only_with_photos;
        EXPECT_EQ(v.admit_recordings(c.items, 3), c.admitted);
        for (const Tcupaitem* item : c.items)
            EXPECT_EQ(v.shows_recording(*item, 3), c.admitted);
        EXPECT_EQ(v.area_selection != nullptr, c.area_kept);
        if (had_photos_filter) {
            EXPECT_EQ(v.only_with_photos, c.species_filters_kept);
        }
    }
    // What was shown stays: the CD of the song is not made visible for a sound file.
    Visibility v = everything();
    v.carriers = {false, {}, {}, {}};
    ASSERT_TRUE(v.admit_recordings({song}, 3));
    EXPECT_TRUE(v.carriers.show_native);
    EXPECT_TRUE(v.carriers.visible_cds.empty());
    EXPECT_FALSE(v.shows_recording(*on_cd7, 3));
}

TEST_F(VisibilityTest, SpeciesWithoutMediaAndTheTwoAlwaysHidden) {
    disc.replace("big_pict.txt", "@#[]\n1002\n", "@#[]\n1001\n");
    disc.replace("names_sc.txt", "102 1002", "102 4328");
    disc.replace("syst_ord.txt", "1002,", "4328,");
    disc.replace("syst_ord.txt", "1002,", "4328,");
    data = load();
    Visibility v = everything();
    const Tspecies& hidden = *data->find_species(4328);
    ASSERT_EQ(hidden.picture_count, 0);
    EXPECT_FALSE(v.species_visible(hidden));

    disc.replace("names_sc.txt", "102 4328", "102 4329");
    disc.replace("syst_ord.txt", "4328,", "4329,");
    disc.replace("syst_ord.txt", "4328,", "4329,");
    data = load();
    v = everything();
    const Tspecies& plain = *data->find_species(4329);
    EXPECT_TRUE(v.species_visible(plain));
    v.only_with_photos = true;
    EXPECT_FALSE(v.species_visible(plain));
}

TEST_F(VisibilityTest, SettingsWithoutAudioCds) {
    disc["othermedia.txt"] = "";
    disc.replace("cutparts.txt", "@#[]\n7C0002b", "@#[ignored]\n7C0002b");
    disc.replace("cutparts.txt", "@#[]\n10C0001", "@#[ignored]\n10C0001");
    disc.replace("cupaitem.txt", "7C0002b", "1001A0001");
    disc.replace("cupaitem.txt", "10C0001", "1001A0001");
    data = load();
    settings_write_yes_no("", "WINDOW 1", "Show Native Recordings", false);
    settings_write_string("", "WINDOW 1", "Visible Audio CDs", "1-2");
    const Visibility v = Visibility::create_from_settings(*data, "WINDOW 1");
    EXPECT_TRUE(v.carriers.show_native);
    EXPECT_TRUE(v.carriers.visible_cds.empty());
    EXPECT_TRUE(v.carriers.playable_cds.empty());
    EXPECT_TRUE(v.carriers.cds_on_hd.empty());
}

TEST_F(VisibilityTest, SettingsDefaultsAndAlwaysAvailableCds) {
    Visibility fresh = Visibility::create_from_settings(*data, "WINDOW 1");
    EXPECT_EQ(fresh.carriers.visible_cds, (NumberSet{1, 2}));
    EXPECT_EQ(fresh.carriers.cds_on_hd, (NumberSet{1, 2}));
    EXPECT_FALSE(fresh.only_with_sounds_or_photos); // stored filters default to No
    EXPECT_EQ(fresh.area_selection->selection_text(), "IN-SR-NE-BU-TH-IC-MA-SI-BO-SU-JA-BA-CH-HK-TA-PH");

    settings_write_string("", "WINDOW 1", "Visible Audio CDs", "");
    settings_write_string("", "WINDOW 1", "Playable Audio CDs", "1");
    settings_write_string("", "WINDOW 1", "Audio CDs on HD", "");
    const Visibility v = Visibility::create_from_settings(*data, "WINDOW 1");
    EXPECT_EQ(v.carriers.visible_cds, NumberSet{2});
    EXPECT_EQ(v.carriers.playable_cds, (NumberSet{1, 2}));
    EXPECT_TRUE(v.carriers.cds_on_hd.empty());
}

TEST_F(VisibilityTest, SaveAndLoadRoundTrip) {
    Visibility v = everything();
    v.area_selection->set_flags(std::vector<bool>(20, false));
    v.area_selection->set_selected(4, true);
    v.only_with_photos = true;
    v.carriers.show_native = false;
    v.carriers.visible_cds = {1};
    v.carriers.playable_cds = {};
    v.carriers.cds_on_hd = {1, 2};
    v.save_to_settings(*data, "WINDOW 3");
    EXPECT_EQ(settings_read_string("", "WINDOW 3", "Selected Area", ""), "TH");
    EXPECT_EQ(settings_read_string("", "WINDOW 3", "Visible Audio CDs", ""), "1");
    const Visibility back = Visibility::create_from_settings(*data, "WINDOW 3");
    EXPECT_EQ(back.area_selection->selection_text(), "TH");
    EXPECT_TRUE(back.only_with_photos);
    EXPECT_FALSE(back.only_with_sounds_or_photos);
    EXPECT_FALSE(back.carriers.show_native);
    EXPECT_EQ(back.carriers.visible_cds, (NumberSet{1, 2})); // CD 2 is always available
    EXPECT_EQ(back.carriers.playable_cds, NumberSet{2});
    EXPECT_EQ(back.carriers.cds_on_hd, (NumberSet{1, 2}));
}

TEST_F(VisibilityTest, AssignCopiesEverythingAndKeepsTheCopyIndependent) {
    Visibility a = everything();
    a.only_with_sounds = true;
    a.carriers.cds_on_hd = {1};
    Visibility b = Visibility::create_default(*data);
    b.assign(a);
    EXPECT_TRUE(b.only_with_sounds);
    EXPECT_EQ(b.carriers, a.carriers);
    b.area_selection->set_selected(0, false);
    EXPECT_TRUE(a.area_selection->selected(0));
}

TEST_F(VisibilityTest, ResetCarriersToAvailable) {
    TClassSoundCarriersUseSpecification c;
    c.show_native = false;
    c.visible_cds = {1, 2, 3};
    c.cds_on_hd = {1, 7};
    c.reset_to_available(*data);
    EXPECT_TRUE(c.show_native);
    EXPECT_EQ(c.visible_cds, (NumberSet{1, 2}));
    EXPECT_EQ(c.playable_cds, (NumberSet{1, 2}));
    c.cds_on_hd = {};
    c.reset_to_available(*data);
    EXPECT_EQ(c.visible_cds, NumberSet{2});
}

TEST(CompareCarriers, ReportsTheFirstDifferenceOnly) {
    TClassSoundCarriersUseSpecification a, b;
    auto changes = [&] {
        const CarrierChanges c = compare_carriers(a, b);
        return std::tuple{c.visibility, c.playability, c.hard_disk};
    };
    EXPECT_EQ(changes(), std::tuple(false, false, false));
    b.cds_on_hd = {3};
    EXPECT_EQ(changes(), std::tuple(false, false, true));
    b.playable_cds = {1};
    EXPECT_EQ(changes(), std::tuple(false, true, false));
    b.visible_cds = {2};
    EXPECT_EQ(changes(), std::tuple(true, false, false));
    b = a;
    b.show_native = false;
    EXPECT_EQ(changes(), std::tuple(true, false, false));
}

TEST_F(VisibilityTest, FamilyAndDataSetQueries) {
    Visibility v = everything();
    const Tfamily& pheasants = *data->first_family[1];
    const Tfamily& pittas = *pheasants.next_family;
    EXPECT_TRUE(v.family_has_visible_species(pittas, 1));
    EXPECT_EQ(v.nth_visible_species(pheasants, 1, 2), pavo);
    EXPECT_EQ(v.nth_visible_species(pheasants, 1, 3), nullptr);
    EXPECT_EQ(v.visible_species_with_photo_count(pheasants, 1), 1); // Pavo's photo is not counted
    EXPECT_EQ(v.visible_species_with_photo_and_playable_count(pheasants, 1, 3), 1);
    v.carriers.show_native = false;
    v.carriers.playable_cds = {};
    EXPECT_EQ(v.visible_species_with_photo_and_playable_count(pheasants, 1, 3), 0);
    EXPECT_EQ(&v.nth_visible_species_with_photo(*data, 2, 1), gallus);
    EXPECT_EQ(v.visible_species_with_photo_count(*data, 1), 1);

    v.area_selection->set_flags(std::vector<bool>(20, false));
    v.area_selection->set_selected(4, true); // TH: Gallus and Pitta, not Pavo
    EXPECT_EQ(v.nth_visible_species(pheasants, 1, 1), gallus);
    EXPECT_EQ(v.nth_visible_species(pheasants, 1, 2), nullptr);
    v.area_selection->set_selected(4, false);
    EXPECT_FALSE(v.family_has_visible_species(pittas, 1));
}

TEST_F(VisibilityTest, DataSetQueryBeyondTheLastIsFatal) {
    const Visibility v = everything();
    EXPECT_EXIT(v.nth_visible_species_with_photo(*data, 1, 2), ::testing::ExitedWithCode(1),
                literally("Error!!, xabfg, n_store = 2"));
    EXPECT_EQ(&v.nth_visible_species_with_photo_and_playable(*data, 1, 1, 1), gallus);
    EXPECT_EXIT(v.nth_visible_species_with_photo_and_playable(*data, 1, 2, 1), ::testing::ExitedWithCode(1),
                literally("Error!!, xabfg, n_store = 2"));
}

} // namespace
} // namespace morvelin
