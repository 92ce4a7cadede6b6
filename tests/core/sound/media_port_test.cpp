// The media port's numbers and texts, and the scripted port that core player tests rely on.

#include "scripted_media.h"
#include "core/sound/media_port.h"

#include <gtest/gtest.h>

namespace morvelin {
namespace {

using testing::ScriptedDisc;
using testing::ScriptedMedia;

TEST(MciErrorText, NamedErrorsHaveTheSystemTexts) {
    EXPECT_EQ(mci::error_text(275).value_or(""),
              "Cannot find the specified file. Make sure the path and filename are correct.");
    EXPECT_EQ(
        mci::error_text(296).value_or(""),
        "The specified file cannot be played on the specified MCI device. The file may be corrupt, or not in "
        "the correct format.");
    EXPECT_EQ(
        mci::error_text(326).value_or(""),
        "No wave device that can play files in the current format is installed. Use the Drivers option to "
        "install the wave device.");
    EXPECT_FALSE(mci::error_text(12345).has_value());
    EXPECT_FALSE(mci::wave_error_text(99).has_value());
}

TEST(MciErrorText, EveryTextFitsTheCallersBuffer) {
    for (int code = 0; code < 400; ++code)
        if (auto text = mci::error_text(code)) {
            EXPECT_LT(text->size(), 128u) << code;
        }
}

TEST(MciPacking, MsfAndTmsfRoundTrip) {
    std::uint32_t msf = mci::make_msf(74, 59, 74);
    EXPECT_EQ(mci::msf_minute(msf), 74);
    EXPECT_EQ(mci::msf_second(msf), 59);
    EXPECT_EQ(mci::msf_frame(msf), 74);
    std::uint32_t tmsf = mci::make_tmsf(99, 3, 7, 12);
    EXPECT_EQ(tmsf, 99u | 3u << 8 | 7u << 16 | 12u << 24);
    EXPECT_EQ(mci::tmsf_track(tmsf), 99);
    EXPECT_EQ(mci::tmsf_frame(tmsf), 12);
    EXPECT_EQ(mci::cd_audio_device(2), 516 + 2 * 65536);
}

TEST(MediaPortFallback, WithoutAnInstalledPortNothingOpens) {
    std::uint32_t id = 7;
    EXPECT_EQ(media_port().open({mci::devtype_waveform_audio, "/x.wav", false}, id),
              mci::err_device_not_installed);
    EXPECT_EQ(id, 0u);
    std::uint32_t quantity = 9;
    EXPECT_EQ(media_port().system_info_quantity(mci::devtype_cd_audio, quantity), 0);
    EXPECT_EQ(quantity, 0u);
    WaveOutCapabilities caps;
    EXPECT_EQ(volume_port().capabilities(mci::wave_mapper, caps), mci::mmsyserr_nodriver);
}

class ScriptedMediaTest : public ::testing::Test {
protected:
    ScriptedMedia media;
    std::uint32_t open_file(const std::string& path, int type = mci::devtype_waveform_audio) {
        std::uint32_t id = 0;
        EXPECT_EQ(media.open({type, path, false}, id), 0);
        return id;
    }
};

TEST_F(ScriptedMediaTest, FileOpenErrorsFollowTheDeviceType) {
    media.add_wave_file("/a.wav", 5000);
    media.add_sound_file("/b.mp3", 4000);
    media.add_failing_file("/c.wav", mci::err_wave_outputsunsuitable);
    std::uint32_t id = 0;
    EXPECT_EQ(media.open({mci::devtype_waveform_audio, "/missing.wav", false}, id), mci::err_file_not_found);
    EXPECT_EQ(media.open({mci::devtype_waveform_audio, "/b.mp3", false}, id), mci::err_invalid_file);
    EXPECT_EQ(media.open({mci::devtype_automatic, "/c.wav", false}, id), mci::err_wave_outputsunsuitable);
    EXPECT_EQ(media.open({mci::devtype_automatic, "/b.mp3", false}, id), 0);
    EXPECT_NE(id, 0u);
    media.fail_next("open", mci::err_hardware);
    EXPECT_EQ(media.open({mci::devtype_waveform_audio, "/a.wav", false}, id), mci::err_hardware);
    EXPECT_EQ(media.open({mci::devtype_waveform_audio, "/a.wav", false}, id), 0);
}

TEST_F(ScriptedMediaTest, PlayAdvancesStopsAtTheEndAndNotifiesOnce) {
    media.add_wave_file("/a.wav", 5000);
    std::uint32_t id = open_file("/a.wav");
    ASSERT_EQ(media.play(id, 1000, 2000, true), 0);
    std::uint32_t value = 0;
    media.advance(600);
    media.status(id, mci::status_position, value);
    EXPECT_EQ(value, 1600u);
    media.status(id, mci::status_mode, value);
    EXPECT_EQ(value, std::uint32_t(mci::mode_play));
    EXPECT_EQ(media.take_notification(id), 0);
    media.advance(600);
    media.status(id, mci::status_position, value);
    EXPECT_EQ(value, 2000u);
    media.status(id, mci::status_mode, value);
    EXPECT_EQ(value, std::uint32_t(mci::mode_stop));
    EXPECT_EQ(media.take_notification(id), mci::notify_successful);
    EXPECT_EQ(media.take_notification(id), 0);
}

TEST_F(ScriptedMediaTest, InterruptedPlaysNotifyAbortedOrSuperseded) {
    media.add_wave_file("/a.wav", 5000);
    std::uint32_t id = open_file("/a.wav");
    media.play(id, 0, std::nullopt, true);
    media.play(id, 100, 300, true);
    EXPECT_EQ(media.take_notification(id), mci::notify_superseded);
    media.seek(id, 4000);
    EXPECT_EQ(media.take_notification(id), mci::notify_aborted);
    EXPECT_FALSE(media.is_playing(id));
    EXPECT_EQ(media.play(id, 3000, 2000, false), mci::err_outofrange);
    EXPECT_EQ(media.seek(id, 5001), mci::err_outofrange);
    EXPECT_EQ(media.set_time_format(id, mci::format_msf), mci::err_bad_time_format);
}

TEST_F(ScriptedMediaTest, CdPositionsInEveryTimeFormat) {
    media.set_cd_drives(1);
    media.insert_disc(0, ScriptedDisc::of_seconds({60, 90}));
    std::uint32_t id = 0;
    ASSERT_EQ(media.open({mci::cd_audio_device(0), std::nullopt, true}, id), 0);
    std::uint32_t value = 0;
    media.set_time_format(id, mci::format_msf);
    media.status(id, mci::status_position, value, 2);
    EXPECT_EQ(value, mci::make_msf(1, 2, 0)); // 2 s lead-in + 60 s
    media.status(id, mci::status_length, value, 2);
    EXPECT_EQ(value, mci::make_msf(1, 30, 0));
    media.set_time_format(id, mci::format_tmsf);
    ASSERT_EQ(media.play(id, mci::make_tmsf(2, 0, 10, 0), mci::make_tmsf(2, 0, 11, 0), true), 0);
    media.advance(500);
    media.status(id, mci::status_position, value);
    EXPECT_EQ(value, mci::make_tmsf(2, 0, 10, 37)); // 37.5 frames, whole frames shown
    media.advance(500);
    EXPECT_EQ(media.take_notification(id), mci::notify_successful);
    media.status(id, mci::status_position, value);
    EXPECT_EQ(value, mci::make_tmsf(2, 0, 11, 0));
    EXPECT_EQ(media.play(id, mci::make_tmsf(3, 0, 0, 0), std::nullopt, false), mci::err_outofrange);
}

TEST_F(ScriptedMediaTest, CdWithoutDiscOrDrive) {
    media.set_cd_drives(1);
    std::uint32_t id = 0;
    EXPECT_EQ(media.open({mci::cd_audio_device(1), std::nullopt, true}, id), mci::err_invalid_device_name);
    ASSERT_EQ(media.open({mci::cd_audio_device(0), std::nullopt, true}, id), 0);
    std::uint32_t value = 1;
    EXPECT_EQ(media.status(id, mci::status_media_present, value), 0);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(media.status(id, mci::status_number_of_tracks, value), mci::err_device_not_ready);
    ScriptedDisc data_disc = ScriptedDisc::of_seconds({100, 30});
    data_disc.audio = {false, true};
    media.insert_disc(0, data_disc);
    media.status(id, mci::cdaudio_status_type_track, value, 1);
    EXPECT_EQ(value, std::uint32_t(mci::cdaudio_track_other));
    media.status(id, mci::cdaudio_status_type_track, value, 2);
    EXPECT_EQ(value, std::uint32_t(mci::cdaudio_track_audio));
    std::uint32_t quantity = 0;
    media.system_info_quantity(mci::devtype_cd_audio, quantity);
    EXPECT_EQ(quantity, 1u);
}

} // namespace
} // namespace morvelin
