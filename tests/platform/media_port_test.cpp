// The Linux media port with sound files: opening, status, playing to the end with its notification,
// stop, seek and synchronous playing, through the null output and through a real sound server (a
// PulseAudio null sink started by scripts/pulse; those cases are skipped when no server answers).

#include "platform/media/linux_media_port.h"
#include "platform/media/pulse_volume.h"
#include "media_test_files.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace morvelin {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;
using testing::wait_until;

bool sound_server_answers() {
    WaveOutCapabilities caps;
    return PulseVolume().capabilities(0, caps) == mci::mmsyserr_noerror;
}

class MediaFiles {
public:
    static const MediaFiles& get() {
        static MediaFiles files;
        return files;
    }
    TempDir folder;
    std::string wav, mp3, mp3_in_wav, wma, short_wav;

private:
    MediaFiles() {
        wav = folder.file("pcm.wav");
        mp3 = folder.file("noise.mp3");
        mp3_in_wav = folder.file("mp3in.wav");
        wma = folder.file("noise.wma");
        short_wav = folder.file("short.wav");
        EXPECT_TRUE(testing::make_sound_file(wav, "-c:a pcm_s16le"));
        EXPECT_TRUE(testing::make_sound_file(mp3, "-c:a libmp3lame"));
        EXPECT_TRUE(testing::make_sound_file(mp3_in_wav, "-c:a libmp3lame -f wav"));
        EXPECT_TRUE(testing::make_sound_file(wma, "-c:a wmav2"));
        EXPECT_TRUE(testing::make_sound_file(short_wav, "-c:a pcm_s16le", 0.6));
    }
};

enum class Output { null, sound_server };
void PrintTo(Output output, std::ostream* out) {
    *out << (output == Output::null ? "null output" : "sound server");
}

class MediaPortTest : public ::testing::TestWithParam<Output> {
protected:
    void SetUp() override {
        testing::ensure_core_application();
        if (GetParam() == Output::sound_server && !sound_server_answers())
            GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
        LinuxMediaPort::Options options;
        options.null_output = GetParam() == Output::null;
        port = std::make_unique<LinuxMediaPort>(options);
    }

    std::uint32_t open(const std::string& path, int type = mci::devtype_automatic) {
        std::uint32_t id = 0;
        EXPECT_EQ(port->open({type, path, false}, id), 0) << path;
        return id;
    }
    std::uint32_t status(std::uint32_t id, int item) {
        std::uint32_t value = 0;
        EXPECT_EQ(port->status(id, item, value), 0);
        return value;
    }

    std::unique_ptr<LinuxMediaPort> port;
};

TEST_P(MediaPortTest, PlaysASectionToItsEndWithPositionsThatFollowTheSound) {
    for (const std::string& path :
         {MediaFiles::get().wav, MediaFiles::get().mp3_in_wav, MediaFiles::get().mp3}) {
        std::uint32_t id = open(path);
        ASSERT_NE(id, 0u);
        EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_stop));
        auto started = std::chrono::steady_clock::now();
        ASSERT_EQ(port->play(id, 500, 1300, true), 0);
        std::uint32_t last = 500;
        bool monotonic = true;
        int notification = 0;
        ASSERT_TRUE(wait_until(
            [&] {
                std::uint32_t p = status(id, mci::status_position);
                monotonic = monotonic && p >= last && p <= 1300;
                last = p;
                notification = port->take_notification(id);
                return notification != 0;
            },
            15s))
            << path << ": the end of the play was not notified";
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(notification, mci::notify_successful);
        EXPECT_TRUE(monotonic) << path;
        // 800 ms of sound cannot have been heard in a fraction of that time.
        EXPECT_GE(took, 400ms) << path;
        EXPECT_EQ(status(id, mci::status_position), 1300u);
        EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_stop));
        EXPECT_EQ(port->take_notification(id), 0);
        EXPECT_EQ(port->close(id), 0);
        EXPECT_EQ(port->close(id), mci::err_invalid_device_id);
    }
}

TEST_P(MediaPortTest, StopKeepsThePositionAndSeekMovesIt) {
    std::uint32_t id = open(MediaFiles::get().wma);
    std::uint32_t length = status(id, mci::status_length);
    EXPECT_NEAR(double(length), 3000.0, 60.0);
    ASSERT_EQ(port->play(id, 1000, std::nullopt, true), 0);
    ASSERT_TRUE(wait_until([&] { return status(id, mci::status_position) > 1100; }, 10s));
    ASSERT_EQ(port->stop(id), 0);
    EXPECT_EQ(port->take_notification(id), mci::notify_aborted);
    std::uint32_t stopped_at = status(id, mci::status_position);
    EXPECT_GT(stopped_at, 1100u);
    EXPECT_LT(stopped_at, length);
    EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_stop));
    EXPECT_EQ(status(id, mci::status_position), stopped_at);

    ASSERT_EQ(port->seek(id, 2500), 0);
    EXPECT_EQ(status(id, mci::status_position), 2500u);
    // Playing on from the current position to the end.
    ASSERT_EQ(port->play(id, std::nullopt, std::nullopt, true), 0);
    ASSERT_TRUE(wait_until([&] { return port->take_notification(id) == mci::notify_successful; }, 10s));
    EXPECT_EQ(status(id, mci::status_position), length);

    // A second play supersedes the first; a seek while playing stops it.
    ASSERT_EQ(port->play(id, 0, std::nullopt, true), 0);
    ASSERT_EQ(port->play(id, 100, std::nullopt, true), 0);
    EXPECT_EQ(port->take_notification(id), mci::notify_superseded);
    ASSERT_EQ(port->seek(id, 0), 0);
    EXPECT_EQ(port->take_notification(id), mci::notify_aborted);
    EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_stop));
    port->close(id);
}

TEST_P(MediaPortTest, PlayingSynchronouslyReturnsWhenTheSoundHasBeenHeard) {
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(port->play_sound_synchronously(MediaFiles::get().short_wav));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
    EXPECT_FALSE(port->play_sound_synchronously(MediaFiles::get().folder.file("missing.wav")));
}

INSTANTIATE_TEST_SUITE_P(Outputs, MediaPortTest, ::testing::Values(Output::null, Output::sound_server),
                         [](const auto& info) {
                             return info.param == Output::null ? "null" : "sound_server";
                         });

class MediaPortCommands : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensure_core_application();
        LinuxMediaPort::Options options;
        options.null_output = true;
        port = std::make_unique<LinuxMediaPort>(options);
    }
    std::unique_ptr<LinuxMediaPort> port;
};

TEST_F(MediaPortCommands, OpenErrorsAreTheMciNumbers) {
    TempDir dir;
    dir.write("words.wav", "RIFF and WAVE are only words here, not a header.");
    const MediaFiles& files = MediaFiles::get();
    struct Case {
        int type;
        std::optional<std::string> element;
        int error;
    } cases[] = {
        {mci::devtype_waveform_audio, files.wav, 0},
        {mci::devtype_waveform_audio, files.mp3_in_wav, 0},
        {mci::devtype_waveform_audio, files.mp3, mci::err_invalid_file},
        {mci::devtype_automatic, files.mp3, 0},
        {mci::devtype_automatic, files.wma, 0},
        {mci::devtype_waveform_audio, dir.file("nothing.wav"), mci::err_file_not_found},
        {mci::devtype_automatic, dir.file("words.wav"), mci::err_invalid_file},
        {mci::devtype_waveform_audio, std::nullopt, mci::err_filename_required},
        {mci::cd_audio_device(0), std::nullopt, mci::err_invalid_device_name}, // no drives configured
        {999, files.wav, mci::err_invalid_device_name},
    };
    for (const Case& c : cases) {
        std::uint32_t id = 0;
        EXPECT_EQ(port->open({c.type, c.element, false}, id), c.error) << c.element.value_or("-");
        EXPECT_EQ(id != 0, c.error == 0);
        if (id) port->close(id);
    }
}

TEST_F(MediaPortCommands, FileDevicesKnowMillisecondsAndRefusePositionsPastTheEnd) {
    std::uint32_t id = 0;
    ASSERT_EQ(port->open({mci::devtype_waveform_audio, MediaFiles::get().wav, false}, id), 0);
    std::uint32_t length = 0;
    ASSERT_EQ(port->status(id, mci::status_length, length), 0);
    EXPECT_EQ(length, 3000u);
    EXPECT_EQ(port->set_time_format(id, mci::format_msf), mci::err_bad_time_format);
    EXPECT_EQ(port->set_time_format(id, mci::format_milliseconds), 0);
    EXPECT_EQ(port->seek(id, 3001), mci::err_outofrange);
    EXPECT_EQ(port->play(id, 2000, 1000, false), mci::err_outofrange);
    EXPECT_EQ(port->play(id, 0, 3001, false), mci::err_outofrange);
    EXPECT_EQ(port->seek(id, 3000), 0);
    // At the end a play without positions has nothing to play and is done at once.
    EXPECT_EQ(port->play(id, std::nullopt, std::nullopt, true), 0);
    EXPECT_EQ(port->take_notification(id), mci::notify_successful);
    EXPECT_EQ(port->break_command(id, mci::vk_escape), 0);
    EXPECT_EQ(port->status(id + 1000, mci::status_mode, length), mci::err_invalid_device_id);
    std::uint32_t quantity = 9;
    EXPECT_EQ(port->system_info_quantity(mci::devtype_cd_audio, quantity), 0);
    EXPECT_EQ(quantity, 0u);
    // The sound outputs, which the program counts at start: the null output asked for is the one.
    EXPECT_EQ(port->system_info_quantity(mci::devtype_waveform_audio, quantity), 0);
    EXPECT_EQ(quantity, 1u);
    port->close(id);
}

// With a sound server this plays through it; without one the port falls back to the null output.
TEST(MediaPortDefaultOutput, PlaysWhetherOrNotThereIsASoundDevice) {
    testing::ensure_core_application();
    LinuxMediaPort port(LinuxMediaPort::Options{});
    auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(port.play_sound_synchronously(MediaFiles::get().short_wav));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
}

TEST_F(MediaPortCommands, ClosingPlayingDevicesAndThePortDoesNotHang) {
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < 3; ++i) {
        std::uint32_t id = 0;
        ASSERT_EQ(port->open({mci::devtype_automatic, MediaFiles::get().mp3, false}, id), 0);
        ASSERT_EQ(port->play(id, std::nullopt, std::nullopt, true), 0);
        ids.push_back(id);
    }
    EXPECT_EQ(port->close(ids[0]), 0);
    port.reset(); // closes the others while they play
}

} // namespace
} // namespace morvelin
