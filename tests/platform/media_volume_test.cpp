// The default sink's volume through libpulse; needs a sound server (scripts/pulse start), skipped
// without one.

#include "platform/media/pulse_volume.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

class PulseVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (volume.capabilities(0, caps) != mci::mmsyserr_noerror)
            GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
        ASSERT_EQ(volume.get_volume(0, saved_left, saved_right), 0);
    }
    void TearDown() override {
        if (caps.supports_volume) volume.set_volume(0, saved_left, saved_right);
    }
    PulseVolume volume;
    WaveOutCapabilities caps;
    std::uint16_t saved_left = 0, saved_right = 0;
};

TEST_F(PulseVolumeTest, DefaultSinkIsAStereoDeviceWithVolume) {
    EXPECT_EQ(caps.channels, 2);
    EXPECT_TRUE(caps.supports_volume);
    EXPECT_TRUE(caps.supports_lr_volume);
    EXPECT_FALSE(caps.name.empty());
    WaveOutCapabilities mapper;
    EXPECT_EQ(volume.capabilities(mci::wave_mapper, mapper), 0);
    EXPECT_EQ(volume.capabilities(3, mapper), mci::mmsyserr_baddeviceid);
}

TEST_F(PulseVolumeTest, HalvesSetAreTheHalvesReadBack) {
    struct Pair {
        std::uint16_t left, right;
    } pairs[] = {{65535, 0}, {0, 65535}, {32768, 32767}, {1, 12345}, {65535, 65535}};
    for (const Pair& pair : pairs) {
        ASSERT_EQ(volume.set_volume(0, pair.left, pair.right), 0);
        std::uint16_t left = 0, right = 0;
        ASSERT_EQ(volume.get_volume(mci::wave_mapper, left, right), 0);
        EXPECT_EQ(left, pair.left);
        EXPECT_EQ(right, pair.right);
    }
}

TEST(PulseVolume, WithoutAServerThereIsNoDriver) {
    PulseVolume nowhere("unix:/nonexistent/morvelin/native");
    WaveOutCapabilities caps;
    EXPECT_EQ(nowhere.capabilities(0, caps), mci::mmsyserr_nodriver);
    std::uint16_t left = 1, right = 1;
    EXPECT_EQ(nowhere.get_volume(0, left, right), mci::mmsyserr_nodriver);
    EXPECT_EQ(nowhere.set_volume(0, 100, 100), mci::mmsyserr_nodriver);
}

} // namespace
} // namespace morvelin
