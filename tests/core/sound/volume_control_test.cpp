#include "core/sound/volume_control.h"

#include <gtest/gtest.h>

using namespace morvelin;

TEST(VolumeControl, SliderShowsTheMeanOfAStereoDeviceAndLeftOfAMonoOne) {
    struct Case {
        VolumeHalves volume;
        bool stereo;
        int position;
    } cases[] = {
        {{65535, 0}, true, 50},     {{65535, 65535}, true, 0}, {{0, 0}, true, 100},
        {{0, 65535}, true, 50},     {{32768, 32768}, true, 50}, {{65535, 0}, false, 0},
        {{6553, 65535}, false, 90}, {{64880, 64880}, true, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(volume_slider_position(c.volume, c.stereo), c.position)
            << c.volume.left << "/" << c.volume.right << (c.stereo ? " stereo" : " mono");
}

TEST(VolumeControl, MovingTheSliderKeepsTheBalance) {
    VolumeBalance balance;
    // Without a balance both halves are the slider's level; the level reads back as the position.
    for (int position : {0, 1, 37, 50, 99, 100}) {
        const VolumeHalves halves = balance.halves_for(position, true);
        EXPECT_EQ(halves.left, halves.right);
        EXPECT_EQ(halves.left, (100 - position) * 65535 / 100);
        EXPECT_EQ(volume_slider_position(halves, true), position);
    }
    balance.remember({20000, 40000});
    const VolumeHalves half = balance.halves_for(50, true);
    EXPECT_EQ(half.right, 43689);
    EXPECT_EQ(half.left, 21845);
    EXPECT_EQ(volume_slider_position(half, true), 50);
    // Louder than the louder half can go: it stops at full volume, the ratio stays.
    EXPECT_EQ(balance.halves_for(0, true), (VolumeHalves{32768, 65535}));
    // Silence forgets no balance.
    balance.remember({0, 0});
    EXPECT_EQ(balance.halves_for(50, true), half);
    balance.remember({65535, 0});
    EXPECT_EQ(balance.halves_for(50, true), (VolumeHalves{65534, 0}));
    EXPECT_EQ(balance.halves_for(50, false), (VolumeHalves{32767, 32767}));
}

TEST(VolumeControl, StoredPlacesComeBackOnScreen) {
    struct Case {
        const char* stored;
        ScreenPlace place;
    } cases[] = {
        {"100,200", {100, 200}},      // on screen: as stored
        {"5000,5000", {1240, 912}},   // right and bottom edges on the screen
        {"-300,-50", {0, 0}},         // left and top too
        {"", {640, 512}},             // none stored: the middle of the screen
        {"garbage", {640, 512}},
        {"2147483647,-2147483648", {1240, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(volume_window_place(c.stored, 40, 112, 0, 0, 1280, 1024), c.place) << c.stored;
    // A second screen to the left of the first.
    EXPECT_EQ(volume_window_place("-5000,10", 40, 112, -1920, 0, 1920, 1080), (ScreenPlace{-1920, 10}));
}
