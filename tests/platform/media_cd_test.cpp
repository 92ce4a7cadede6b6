// Audio CDs from disc images: table of contents in every time format, the samples played, sharing,
// missing discs, and playing a track section to its end.

#include "platform/media/cd_drive.h"
#include "platform/media/linux_media_port.h"
#include "media_test_files.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace morvelin {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

class CdImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ensure_core_application();
        // Tracks of 2 s, 3 s 10 frames and 1 s 30 frames: 150, 235 and 105 frames.
        cue = testing::make_cd_image(dir.path(), "birds", {150, 235, 105});
        LinuxMediaPort::Options options;
        options.cd_images = {dir.file("absent.cue"), cue};
        options.null_output = true;
        port = std::make_unique<LinuxMediaPort>(options);
    }

    std::uint32_t open_cd(int ordinal = 1, bool shareable = true) {
        std::uint32_t id = 0;
        EXPECT_EQ(port->open({mci::cd_audio_device(ordinal), std::nullopt, shareable}, id), 0);
        return id;
    }
    std::uint32_t status(std::uint32_t id, int item, int track = 0) {
        std::uint32_t value = 0;
        EXPECT_EQ(port->status(id, item, value, track), 0) << item << " " << track;
        return value;
    }

    TempDir dir;
    std::string cue;
    std::unique_ptr<LinuxMediaPort> port;
};

TEST_F(CdImageTest, TableOfContentsInEveryTimeFormat) {
    std::uint32_t quantity = 0;
    port->system_info_quantity(mci::devtype_cd_audio, quantity);
    EXPECT_EQ(quantity, 2u);
    std::uint32_t id = open_cd();
    EXPECT_EQ(status(id, mci::status_media_present), 1u);
    EXPECT_EQ(status(id, mci::status_number_of_tracks), 3u);
    EXPECT_EQ(status(id, mci::cdaudio_status_type_track, 2), std::uint32_t(mci::cdaudio_track_audio));
    ASSERT_EQ(port->set_time_format(id, mci::format_msf), 0);
    EXPECT_EQ(status(id, mci::status_position, 1), mci::make_msf(0, 2, 0)); // after the lead-in
    EXPECT_EQ(status(id, mci::status_position, 2), mci::make_msf(0, 4, 0));
    EXPECT_EQ(status(id, mci::status_position, 3), mci::make_msf(0, 7, 10));
    EXPECT_EQ(status(id, mci::status_length, 2), mci::make_msf(0, 3, 10));
    EXPECT_EQ(status(id, mci::status_length, 3), mci::make_msf(0, 1, 30));
    EXPECT_EQ(status(id, mci::status_length), mci::make_msf(0, 6, 40));  // the whole disc
    EXPECT_EQ(status(id, mci::status_position), mci::make_msf(0, 2, 0)); // a new device is at track 1
    ASSERT_EQ(port->set_time_format(id, mci::format_tmsf), 0);
    EXPECT_EQ(status(id, mci::status_position, 3), mci::make_tmsf(3, 0, 0, 0));
    EXPECT_EQ(status(id, mci::status_length, 3), mci::make_msf(0, 1, 30)); // lengths stay MSF
    ASSERT_EQ(port->seek(id, mci::make_tmsf(2, 0, 1, 5)), 0);
    EXPECT_EQ(status(id, mci::status_position), mci::make_tmsf(2, 0, 1, 5));
    EXPECT_EQ(status(id, mci::status_current_track), 2u);
    ASSERT_EQ(port->set_time_format(id, mci::format_milliseconds), 0);
    EXPECT_EQ(status(id, mci::status_position), (150u + 150u + 80u) * 1000u / 75u);
    EXPECT_EQ(status(id, mci::status_length, 1), 2000u);
    EXPECT_EQ(port->seek(id, 100), mci::err_outofrange); // inside the lead-in
    ASSERT_EQ(port->set_time_format(id, mci::format_tmsf), 0);
    EXPECT_EQ(port->seek(id, mci::make_tmsf(4, 0, 0, 0)), mci::err_outofrange);
    std::uint32_t value = 0;
    EXPECT_EQ(port->status(id, mci::status_length, value, 4), mci::err_outofrange);
    EXPECT_EQ(port->status(id, mci::cdaudio_status_type_track, value), mci::err_missing_parameter);
    port->close(id);
}

TEST_F(CdImageTest, PlaysATrackSectionToItsEnd) {
    std::uint32_t id = open_cd();
    ASSERT_EQ(port->set_time_format(id, mci::format_tmsf), 0);
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(port->play(id, mci::make_tmsf(2, 0, 1, 0), mci::make_tmsf(2, 0, 1, 45), true), 0);
    EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_play));
    ASSERT_TRUE(
        testing::wait_until([&] { return port->take_notification(id) == mci::notify_successful; }, 10s));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms); // 45 frames = 600 ms of sound
    EXPECT_EQ(status(id, mci::status_mode), std::uint32_t(mci::mode_stop));
    EXPECT_EQ(status(id, mci::status_position), mci::make_tmsf(2, 0, 1, 45));
    port->close(id);
}

TEST_F(CdImageTest, SharingAndDrivesWithoutADisc) {
    std::uint32_t first = open_cd(1, true);
    std::uint32_t id = 0;
    EXPECT_EQ(port->open({mci::cd_audio_device(1), std::nullopt, false}, id), mci::err_must_use_shareable);
    std::uint32_t second = open_cd(1, true);
    EXPECT_NE(first, second);
    EXPECT_EQ(port->open({mci::cd_audio_device(2), std::nullopt, true}, id), mci::err_invalid_device_name);
    EXPECT_EQ(port->open({mci::cd_audio_device(1), dir.file("x.wav"), true}, id),
              mci::err_no_element_allowed);

    // The first image is missing: an empty drive.
    std::uint32_t empty = open_cd(0);
    EXPECT_EQ(status(empty, mci::status_media_present), 0u);
    EXPECT_EQ(status(empty, mci::status_ready), 0u);
    EXPECT_EQ(status(empty, mci::status_mode), std::uint32_t(mci::mode_open));
    std::uint32_t value = 0;
    EXPECT_EQ(port->status(empty, mci::status_number_of_tracks, value), mci::err_device_not_ready);
    EXPECT_EQ(port->play(empty, std::nullopt, std::nullopt, false), mci::err_device_not_ready);

    // The disc arrives: the drive reads it when asked whether a medium is present.
    std::filesystem::copy_file(cue, dir.file("absent.cue"));
    EXPECT_EQ(status(empty, mci::status_media_present), 1u);
    EXPECT_EQ(status(empty, mci::status_number_of_tracks), 3u);
}

TEST(CdImages, DamagedImagesAreEmptyDrives) {
    testing::ensure_core_application();
    TempDir dir;
    dir.write("garbage.cue", "TRACK TRACK INDEX 99:99:99\n\x01\x02 FILE\n");
    dir.write("no_bin.cue", "FILE \"gone.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    dir.write("empty.cue", "");
    LinuxMediaPort::Options options;
    options.cd_images = {dir.file("garbage.cue"), dir.file("no_bin.cue"), dir.file("empty.cue")};
    options.null_output = true;
    LinuxMediaPort port(options);
    for (int ordinal = 0; ordinal < 3; ++ordinal) {
        std::uint32_t id = 0;
        ASSERT_EQ(port.open({mci::cd_audio_device(ordinal), std::nullopt, true}, id), 0);
        std::uint32_t present = 1;
        EXPECT_EQ(port.status(id, mci::status_media_present, present), 0);
        EXPECT_EQ(present, 0u) << options.cd_images[std::size_t(ordinal)];
    }
}

TEST_F(CdImageTest, DataTracksAreMarked) {
    std::string mixed = testing::make_cd_image(dir.path(), "mixed", {300, 150}, {false, true});
    LinuxMediaPort::Options options;
    options.cd_images = {mixed};
    options.null_output = true;
    LinuxMediaPort mixed_port(options);
    std::uint32_t id = 0;
    ASSERT_EQ(mixed_port.open({mci::cd_audio_device(0), std::nullopt, true}, id), 0);
    std::uint32_t type = 0;
    ASSERT_EQ(mixed_port.status(id, mci::cdaudio_status_type_track, type, 1), 0);
    EXPECT_EQ(type, std::uint32_t(mci::cdaudio_track_other));
    ASSERT_EQ(mixed_port.status(id, mci::cdaudio_status_type_track, type, 2), 0);
    EXPECT_EQ(type, std::uint32_t(mci::cdaudio_track_audio));
}

TEST(CdAudioSource, GivesTheImagesSamplesFromAnySample) {
    TempDir dir;
    std::string cue = testing::make_cd_image(dir.path(), "disc", {100, 100});
    media::CdDrive drive(cue, true);
    ASSERT_TRUE(drive.refresh());
    ASSERT_EQ(drive.tracks().size(), 2u);
    EXPECT_EQ(drive.tracks()[1].start, 250);
    EXPECT_EQ(drive.end_frame(), 350);
    const std::int64_t base = std::int64_t(media::cd_lead_in_frames) * media::cd_samples_per_frame;
    for (std::int64_t from :
         {std::int64_t(0), std::int64_t(587), std::int64_t(588 * 24 + 5), std::int64_t(588 * 150 + 1)}) {
        const std::int64_t count = 588 * 30 + 17; // across several reading blocks
        media::CdAudioSource source(drive, base + from, base + from + count);
        std::vector<std::int16_t> got(std::size_t(count + 10) * 2);
        std::int64_t total = 0;
        while (std::int64_t n = source.read(got.data() + total * 2, 1000))
            total += n;
        ASSERT_EQ(total, count);
        for (std::int64_t i = 0; i < count; ++i)
            for (int c = 0; c < 2; ++c)
                ASSERT_EQ(got[std::size_t(i * 2 + c)], testing::cd_image_sample(from + i, c))
                    << "from " << from << " at " << i;
    }
    // The end of the disc ends the source.
    media::CdAudioSource tail(drive, 350 * 588 - 100, 350 * 588);
    std::int16_t buffer[400];
    EXPECT_EQ(tail.read(buffer, 200), 100);
    EXPECT_EQ(tail.read(buffer, 200), 0);
}

TEST(CdImagesFromEnvironment, SplitsOnColons) {
    setenv("MORVELIN_CD_IMAGES", "/a/one.cue::/b/two.cue:", 1);
    EXPECT_EQ(cd_images_from_environment(), (std::vector<std::string>{"/a/one.cue", "/b/two.cue"}));
    unsetenv("MORVELIN_CD_IMAGES");
    EXPECT_TRUE(cd_images_from_environment().empty());
}

} // namespace
} // namespace morvelin
