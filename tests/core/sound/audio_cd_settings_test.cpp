#include "core/sound/audio_cd_settings.h"

#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "scripted_media.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

using namespace morvelin;
using namespace morvelin::testing;

TEST(AudioCdSettings, ColumnsAreTheCarrierSets) {
    TClassSoundCarriersUseSpecification carriers;
    carriers.visible_cds = {1, 2, 3};
    carriers.playable_cds = {2, 3};
    carriers.cds_on_hd = {3, 4}; // 4: copied but not shown counts as not shown
    EXPECT_EQ(cd_column_of(carriers, 1), cd_column::shown);
    EXPECT_EQ(cd_column_of(carriers, 2), cd_column::playable);
    EXPECT_EQ(cd_column_of(carriers, 3), cd_column::on_hard_disk);
    EXPECT_EQ(cd_column_of(carriers, 4), cd_column::not_shown);
    for (int column = 0; column <= 3; ++column) {
        TClassSoundCarriersUseSpecification edited = carriers;
        set_cd_column(edited, 4, column);
        EXPECT_EQ(cd_column_of(edited, 4), column);
        EXPECT_EQ(edited.visible_cds.contains(4), column >= 1);
        EXPECT_EQ(edited.playable_cds.contains(4), column >= 2);
        EXPECT_EQ(edited.cds_on_hd.contains(4), column == 3);
        EXPECT_EQ(cd_column_of(edited, 2), cd_column::playable); // the others stay
    }
}

// The device that plays audio CDs: the stored choice among two or more drives, a number beyond them
// (a drive removed since) brought back to the last; with fewer than two the number of drives.
TEST(AudioCdSettings, DeviceNumberIsTheStoredChoiceWithinTheDrives) {
    TempDir dir;
    const std::string saved = environment().settings_file_path;
    environment().settings_file_path = dir.file("Morvelin.ini");
    ScriptedMedia media;
    struct Case {
        int drives;
        int stored; // 0: none stored
        int number;
    } cases[] = {{3, 0, 1}, {3, 2, 2}, {3, 7, 3}, {2, 1, 1}, {1, 5, 1}, {0, 2, 0}};
    for (const Case& c : cases) {
        media.set_cd_drives(c.drives);
        reset_audio_cd_device_count();
        if (c.stored) settings_write_integer("", "GENERAL", "CD-ROM drive used for audio CDs", c.stored);
        EXPECT_EQ(audio_cd_device_count(), c.drives);
        EXPECT_EQ(audio_cd_device_number(), c.number) << c.drives << " drives, stored " << c.stored;
    }
    reset_audio_cd_device_count();
    environment().settings_file_path = saved;
}
