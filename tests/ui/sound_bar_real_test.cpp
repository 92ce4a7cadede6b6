// Sound bars playing through the real media layer and a real sound server (the PulseAudio null sink
// of scripts/pulse): for each player kind, pressing play makes a stream reach the server, the slider
// follows the sound on the bar's own timer, and the bar closes at the end of its recording. Skipped
// when no sound server answers.

#include "ui/sound/sound_bar.h"

#include "../platform/media_test_files.h"
#include "core/data/records.h"
#include "core/foundation/environment.h"
#include "platform/media/linux_media_port.h"
#include "platform/media/pulse_volume.h"
#include "scripted_services.h"
#include "core/sound/audio_cd_player.h"
#include "core/sound/sound_bar_state.h"
#include "ui_application.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

namespace morvelin {
namespace {

using testing::ScriptedDialogs;
using testing::ScriptedMessages;
using testing::TempDir;

bool sound_server_answers() {
    WaveOutCapabilities caps;
    return PulseVolume().capabilities(0, caps) == mci::mmsyserr_noerror;
}

// The streams of this process that the server plays now (other programs may play at the same time).
int own_sink_inputs() {
    FILE* pipe = popen("pactl list sink-inputs 2>/dev/null", "r");
    if (!pipe) return -1;
    std::string listing;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        listing.append(buffer, n);
    pclose(pipe);
    const std::string mark = "application.process.id = \"" + std::to_string(getpid()) + "\"";
    int count = 0;
    for (std::size_t at = listing.find(mark); at != std::string::npos; at = listing.find(mark, at + 1))
        ++count;
    return count;
}

struct Recording {
    TaudioCD cd;
    Tcutpart cut_part;
    Tcupaitem item;
    Recording() { item.cut_part = &cut_part; }
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;
};

enum class Kind { cut_part_file, section_file, audio_cd };

class SoundBarRealTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        testing::ui_application();
        if (!sound_server_answers())
            GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
        saved_ = environment();
        environment().base_directory = base.path();
        environment().settings_file_path = settings.file("Morvelin.ini");
        std::filesystem::create_directories(base.path() + "tapes/12");
        std::filesystem::create_directories(tracks.path());

        LinuxMediaPort::Options options;
        if (GetParam() == Kind::audio_cd) {
            // One 12-second audio track.
            options.cd_images.push_back(testing::make_cd_image(tracks.path(), "disc", {12 * 75}));
        }
        port = std::make_unique<LinuxMediaPort>(options);
        install_media_port(port.get());
        SoundBarState::set_audio_cd_drive_provider([] { return 1; });
        set_single_cd_drive_probe([] { return false; });
    }
    void TearDown() override {
        install_media_port(nullptr);
        SoundBarState::set_audio_cd_drive_provider(nullptr);
        set_single_cd_drive_probe(nullptr);
        environment() = saved_;
    }

    // A 3-second recording of the kind under test.
    void make_recording(Recording& r) {
        r.cut_part.length = 3000;
        switch (GetParam()) {
        case Kind::cut_part_file:
            r.cut_part.is_sound_file = true;
            r.cut_part.number = 12;
            r.cut_part.carrier_letter = 'B';
            r.cut_part.sub_number = 1;
            ASSERT_TRUE(testing::make_sound_file(base.path() + "tapes/12/B01.WAV", "-c:a pcm_s16le", 3.0));
            break;
        case Kind::section_file:
            r.cd.sequence = 3;
            r.cd.hard_disk_folder = tracks.path();
            r.cut_part.audio_cd = &r.cd;
            r.cut_part.track = 1;
            r.cut_part.offset = 2000;
            ASSERT_TRUE(testing::make_sound_file(tracks.path() + "Track 01.wav", "-c:a pcm_s16le", 8.0));
            files.insert(3);
            break;
        case Kind::audio_cd:
            r.cd.sequence = 4;
            r.cd.text_2 = "Test disc";
            r.cd.text_5 = "1;12";
            r.cut_part.audio_cd = &r.cd;
            r.cut_part.track = 1;
            r.cut_part.offset = 4000;
            break;
        }
    }

    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    TempDir base;
    TempDir settings;
    TempDir tracks;
    NumberSet files;
    std::unique_ptr<LinuxMediaPort> port;

private:
    Environment saved_;
};

TEST_P(SoundBarRealTest, PlayMakesSoundAndThePositionFollowsToTheEnd) {
    Recording r;
    make_recording(r);
    QWidget owner;
    owner.resize(400, 100);
    owner.show();
    SoundBarSetup setup;
    setup.owner = &owner;
    setup.recording = &r.item;
    setup.left = 10;
    setup.top = 40;
    setup.files_instead_of_cd = files;
    Tsound_bar bar(setup);

    QTest::mouseClick(&bar.button(), Qt::LeftButton);
    ASSERT_TRUE(bar.is_playing()) << (messages.shown().empty() ? "" : messages.shown()[0].text);
    EXPECT_EQ(bar.slider().maximum(), 30);

    // The output may take a second or two to start; the bar's own 200 ms timer moves the slider.
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.slider().value() >= 5; }, 8000)) << bar.slider().value();
    EXPECT_GE(own_sink_inputs(), 1);
    EXPECT_TRUE(bar.is_playing());
    const int early = bar.slider().value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.slider().value() > early; }, 3000));

    // The end closes the bar by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !bar.is_open(); }, 8000));
    EXPECT_FALSE(bar.timer().isActive());
    EXPECT_GE(bar.slider().value(), 29);
    EXPECT_TRUE(messages.shown().empty()) << messages.shown()[0].text;
}

INSTANTIATE_TEST_SUITE_P(EachPlayer, SoundBarRealTest,
                         ::testing::Values(Kind::cut_part_file, Kind::section_file, Kind::audio_cd),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             switch (info.param) {
                             case Kind::cut_part_file:
                                 return "CutPartFile";
                             case Kind::section_file:
                                 return "SectionFile";
                             case Kind::audio_cd:
                                 return "AudioCd";
                             }
                             return "";
                         });

} // namespace
} // namespace morvelin
