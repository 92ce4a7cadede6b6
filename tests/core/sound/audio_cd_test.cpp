#include "core/sound/audio_cd_player.h"

#include "../data/mini_disc.h"
#include "core/data/records.h"
#include "core/foundation/textfile_handler.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "core/sound/audio_cd_key_checker.h"
#include "core/sound/media_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvelin {
namespace {

using testing::ScriptedDisc;
using testing::ScriptedMedia;
using testing::ScriptedMessages;

const char* const cd_texts = "$ [AUDIO CD PLAYER]\n"
                             "Please insert the CD\n"
                             "and press OK.\n"
                             "There is no CD in the drive.\n"
                             "This is no audio CD.\n"
                             "$ [AUDIO_CD_2]\n"
                             "No CD in the drive\n"
                             "In the drive:\n"
                             "an unknown CD\n"
                             "$ [TELL ABOUT COPYING TO HD]\n"
                             "Copy the audio CDs \n"
                             "to the hard disk.\n";

class AudioCdTest : public ::testing::Test {
protected:
    void SetUp() override {
        install_language_texts(Ttextfile_handler::from_bytes(cd_texts, "cd texts"));
        checker = Taudio_CD_key_checker(texts("AUDIO CD PLAYER", 9));
        set_single_cd_drive_probe([] { return false; });
        reset_copying_hint_shown();
        media.set_cd_drives(1);
        media.insert_disc(0, ScriptedDisc::of_seconds({180, 245, 61}));
        cd.text_2 = "Sounds of Sarovan 1";
        cd.text_5 = "3;180;245;61";
        cut.audio_cd = &cd;
        cut.track = 2;
        cut.offset = 10000;
        cut.length = 30000;
    }
    void TearDown() override { set_single_cd_drive_probe({}); }

    bool open(TAudioCDTrackPlayer& player, int drive = 1) {
        return player.OpenTrack(drive, cut.length, checker.callback(), cut);
    }
    std::string id(const TMCIDevicePlayer& player) const { return std::to_string(player.device_id()); }
    static std::string tmsf(int track, int minutes, int seconds, int frames) {
        return std::to_string(mci::make_tmsf(track, minutes, seconds, frames));
    }

    ScriptedMedia media;
    ScriptedMessages messages;
    Taudio_CD_key_checker checker{std::vector<std::string>{}};
    TaudioCD cd;
    Tcutpart cut;
};

TEST(CdPositionTest, MinutesSecondsAndFramesConvertWithIntegerArithmetic) {
    struct Case {
        int minutes, seconds, frames, ms;
    };
    for (Case c : {Case{0, 0, 0, 0}, Case{0, 2, 0, 2000}, Case{1, 2, 37, 62493}, Case{0, 0, 74, 986},
                   Case{72, 59, 1, 4379013}}) {
        EXPECT_EQ(msf_to_ms(c.minutes, c.seconds, c.frames), c.ms);
    }
    struct Back {
        int ms, minutes, seconds, frames;
    };
    for (Back b : {Back{0, 0, 0, 0}, Back{62493, 1, 2, 36}, Back{59999, 0, 59, 74}, Back{600013, 10, 0, 0},
                   Back{4379013, 72, 59, 0}}) {
        std::uint32_t value = ms_to_tmsf(5, b.ms);
        EXPECT_EQ(mci::tmsf_track(value), 5);
        EXPECT_EQ(mci::tmsf_minute(value), b.minutes) << b.ms;
        EXPECT_EQ(mci::tmsf_second(value), b.seconds) << b.ms;
        EXPECT_EQ(mci::tmsf_frame(value), b.frames) << b.ms;
    }
}

TEST_F(AudioCdTest, OpenTrackFindsTheSectionAndBecomesTheCurrentPlayer) {
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player));
    EXPECT_TRUE(media.logged("open 516 -"));
    EXPECT_EQ(player.track(), 2);
    EXPECT_EQ(player.track_start(), 182000); // after the lead-in and track 1
    EXPECT_EQ(player.start(), 10000);
    EXPECT_EQ(player.end(), 40000);
    EXPECT_EQ(cut.length, 30000);
    EXPECT_EQ(current_audio_cd_player(), &player);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AudioCdTest, SectionPassingTheTrackEndIsShortenedAndOneBeyondItIsEmpty) {
    TAudioCDTrackPlayer player;
    cut.offset = 240000;
    ASSERT_TRUE(open(player));
    EXPECT_EQ(cut.length, 5000);
    cut.offset = 250000;
    cut.length = 30000;
    ASSERT_TRUE(open(player));
    EXPECT_EQ(cut.length, 0);
}

TEST_F(AudioCdTest, SecondDriveIsTheDeviceWithOrdinalOne) {
    media.set_cd_drives(2);
    media.insert_disc(1, ScriptedDisc::of_seconds({180, 245, 61}));
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player, 2));
    EXPECT_TRUE(media.logged("open " + std::to_string(mci::cd_audio_device(1)) + " -"));
}

TEST_F(AudioCdTest, PlaysTheSectionInTrackTimeAndFollowsThePosition) {
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player));
    const std::string d = id(player);
    ASSERT_TRUE(player.Play(true, false));
    EXPECT_EQ(media.log().back(), "play " + d + " " + tmsf(2, 0, 10, 0) + " " + tmsf(2, 0, 40, 0));
    media.advance(5000);
    int position = 0;
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 5000);

    // Paused and moved: the next play starts where the seek left it.
    ASSERT_TRUE(player.Stop());
    ASSERT_TRUE(player.Seek(12500));
    EXPECT_EQ(player.current(), 22500);
    ASSERT_TRUE(player.Play(false, false));
    EXPECT_EQ(media.log().back(), "play " + d + " " + tmsf(2, 0, 22, 37) + " " + tmsf(2, 0, 40, 0));

    // Moved while playing: the device is sought in track time.
    media.clear_log();
    ASSERT_TRUE(player.Seek(20000));
    EXPECT_TRUE(media.logged("seek " + d + " " + tmsf(2, 0, 30, 0)));
    EXPECT_EQ(player.current(), 30000);

    ASSERT_TRUE(player.Play(false, true));
    int mode = 0;
    ASSERT_TRUE(player.GetMode(mode));
    EXPECT_EQ(mode, mci::mode_play);
    media.advance(15000);
    ASSERT_TRUE(player.GetMode(mode));
    EXPECT_EQ(mode, mci::mode_stop);
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 30000);
    EXPECT_EQ(player.TakeNotification(), mci::notify_successful);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AudioCdTest, TakingTheDiscOutMakesThePlayerNotReady) {
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player));
    ASSERT_TRUE(player.Play(true, false));
    media.advance(1000);
    media.eject_disc(0);
    EXPECT_FALSE(player.IsReady());
    int position = 5;
    EXPECT_FALSE(player.GetPosition(position));
    EXPECT_EQ(position, 0);
    EXPECT_FALSE(player.Play(false, false));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AudioCdTest, EmptyDriveAndDataDiscAreToldAndTheOpenFails) {
    struct Case {
        bool disc;
        std::vector<bool> audio;
        const char* message;
    };
    for (const Case& c : {Case{false, {}, "There is no CD in the drive."},
                          Case{true, {false, true}, "This is no audio CD."}}) {
        SCOPED_TRACE(c.message);
        messages.clear();
        media.eject_disc(0);
        if (c.disc) {
            ScriptedDisc disc = ScriptedDisc::of_seconds({180, 245});
            disc.audio = c.audio;
            media.insert_disc(0, disc);
        }
        TAudioCDTrackPlayer player;
        EXPECT_FALSE(open(player));
        EXPECT_FALSE(player.is_open());
        EXPECT_EQ(current_audio_cd_player(), nullptr);
        EXPECT_EQ(media.open_device_count(), 0);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, c.message);
        EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
    }
}

TEST_F(AudioCdTest, NoCdDeviceChosenFailsWithAReport) {
    TAudioCDTrackPlayer player;
    EXPECT_FALSE(open(player, 0));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "mci_Open, Device type = CD Audio,  306: " + *mci::error_text(mci::err_device_not_installed));
    EXPECT_EQ(current_audio_cd_player(), nullptr);
}

TEST_F(AudioCdTest, DeviceErrorsAreReportedWithTheirContext) {
    TAudioCDTrackPlayer player;
    media.fail_next("open", mci::err_must_use_shareable);
    EXPECT_FALSE(open(player));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text.rfind("mci_Open, Device type = CD Audio,  291: ", 0), 0u);

    messages.clear();
    ASSERT_TRUE(open(player));
    media.fail_next("set", mci::err_bad_time_format);
    EXPECT_FALSE(player.Play(true, false));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text.rfind("mci_Set 293: ", 0), 0u);
}

TEST_F(AudioCdTest, IdentityOfADiscWithMoreThan25TracksNamesTheFirst25) {
    std::vector<int> seconds;
    std::string identity = "30";
    for (int track = 1; track <= 30; ++track) {
        seconds.push_back(100 + track);
        if (track <= 25) identity += ";" + std::to_string(100 + track);
    }
    media.insert_disc(0, ScriptedDisc::of_seconds(seconds));
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(player.OpenDevice(1, false));
    EXPECT_EQ(player.DiscIdentity(false), identity);

    // The recording's disc is recognised without a question, even on track 28.
    cd.text_5 = identity;
    cut.track = 28;
    cut.offset = 0;
    ASSERT_TRUE(open(player));
    EXPECT_EQ(cut.length, 30000);
    EXPECT_TRUE(messages.shown().empty());
    // Tracks beyond the 25th do not tell discs apart.
    seconds[27] = 300;
    media.insert_disc(0, ScriptedDisc::of_seconds(seconds));
    EXPECT_TRUE(player.Play(true, false));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(AudioCdTest, IdentityDropsFramesAndNeedsTracks) {
    ScriptedDisc disc;
    disc.track_frames = {75 * 61 + 74, 75 * 2};
    media.insert_disc(0, disc);
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(player.OpenDevice(1, false));
    EXPECT_EQ(player.DiscIdentity(false), "2;61;2");
    media.insert_disc(0, ScriptedDisc{});
    EXPECT_EQ(player.DiscIdentity(false), std::nullopt);
}

TEST_F(AudioCdTest, WrongDiscAsksOnceAndTheAcceptanceLastsUntilTheRightDiscComes) {
    const ScriptedDisc other = ScriptedDisc::of_seconds({100, 200});
    media.insert_disc(0, other);
    const std::string question = "Please insert the CD \"Sounds of Sarovan 1\". and press OK.";

    TAudioCDTrackPlayer player;
    messages.answer(id::cancel);
    EXPECT_FALSE(open(player));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, question);
    EXPECT_EQ(messages.shown()[0].flags, mb::ok_cancel_default_cancel);
    EXPECT_FALSE(checker.accepted());

    messages.clear();
    messages.answer(id::ok);
    ASSERT_TRUE(open(player));
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_TRUE(checker.accepted());
    // The same pair again, at each play and at the next open: no question.
    ASSERT_TRUE(player.Play(true, false));
    ASSERT_TRUE(open(player));
    EXPECT_EQ(messages.shown().size(), 1u);

    // The right disc clears the acceptance; the other disc is asked about again.
    media.insert_disc(0, ScriptedDisc::of_seconds({180, 245, 61}));
    ASSERT_TRUE(open(player));
    EXPECT_FALSE(checker.accepted());
    media.insert_disc(0, other);
    messages.answer(id::cancel);
    EXPECT_FALSE(open(player));
    EXPECT_EQ(messages.shown().size(), 2u);
}

TEST_F(AudioCdTest, DiscChangedBeforePlayIsCheckedAgain) {
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player));
    media.insert_disc(0, ScriptedDisc::of_seconds({100, 200}));
    messages.answer(id::cancel);
    EXPECT_FALSE(player.Play(true, false));
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_FALSE(player.playing_flag());
}

TEST(AudioCdKeyCheckerTest, AcceptanceIsForTheExactPairOnly) {
    ScriptedMessages messages;
    Taudio_CD_key_checker checker({"Insert", "then OK"});
    messages.answer(id::ok);
    EXPECT_TRUE(checker.CheckDisc("CD", "1;10", "2;5;5"));
    EXPECT_TRUE(checker.CheckDisc("CD", "1;10", "2;5;5"));
    EXPECT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Insert \"CD\". then OK");
    messages.answer(id::cancel); // another found disc for the same wanted one
    EXPECT_FALSE(checker.CheckDisc("CD", "1;10", "3;1;1;1"));
    messages.answer(id::ok); // the earlier pair was forgotten by that answer
    EXPECT_TRUE(checker.CheckDisc("CD", "1;10", "2;5;5"));
    EXPECT_EQ(messages.shown().size(), 3u);
}

TEST_F(AudioCdTest, ClosingClearsTheCurrentPlayerAndAClosedPlayerClosesFine) {
    TAudioCDTrackPlayer never_opened;
    EXPECT_TRUE(never_opened.Close());

    auto first = std::make_unique<TAudioCDTrackPlayer>();
    ASSERT_TRUE(open(*first));
    ASSERT_TRUE(first->Play(true, false));
    EXPECT_TRUE(first->Close());
    EXPECT_EQ(current_audio_cd_player(), nullptr);
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_TRUE(first->Close());

    TAudioCDTrackPlayer second;
    ASSERT_TRUE(open(second));
    ASSERT_TRUE(open(*first));
    EXPECT_EQ(current_audio_cd_player(), first.get());
    first.reset(); // destroying the current player forgets it
    EXPECT_EQ(current_audio_cd_player(), nullptr);
    EXPECT_EQ(media.open_device_count(), 1);
}

TEST_F(AudioCdTest, CopyingHintIsShownOnceWhenTheDataShareTheOnlyDrive) {
    set_single_cd_drive_probe([] { return true; });
    TAudioCDTrackPlayer player;
    ASSERT_TRUE(open(player));
    ASSERT_TRUE(open(player));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Copy the audio CDs to the hard disk.");
    EXPECT_EQ(messages.shown()[0].flags, mb::ok);

    // With a second CD audio device the user can keep both discs in: no hint.
    reset_copying_hint_shown();
    messages.clear();
    media.set_cd_drives(2);
    ASSERT_TRUE(open(player));
    EXPECT_TRUE(messages.shown().empty());
}

class DescribeDiscTest : public testing::DataTest {
protected:
    void SetUp() override {
        testing::DataTest::SetUp();
        disc.replace("othermedia.txt", "text 5", "3;180;245;61");
        data = load();
        ASSERT_TRUE(data);
        install_language_texts(Ttextfile_handler::from_bytes(cd_texts, "cd texts"));
        media.set_cd_drives(1);
    }

    std::unique_ptr<Tdata> data;
    ScriptedMedia media;
    ScriptedMessages messages;
};

TEST_F(DescribeDiscTest, NamesTheDiscInTheDrive) {
    EXPECT_EQ(DescribeDiscInDrive(1, *data), "No CD in the drive");
    media.insert_disc(0, ScriptedDisc::of_seconds({180, 245, 61}));
    EXPECT_EQ(DescribeDiscInDrive(1, *data), "In the drive: SAROVAN BIRD SOUNDS: VOLUME ONE OF THREE");
    media.insert_disc(0, ScriptedDisc::of_seconds({180, 245}));
    EXPECT_EQ(DescribeDiscInDrive(1, *data), "In the drive: an unknown CD");
    media.insert_disc(0, ScriptedDisc{});
    EXPECT_EQ(DescribeDiscInDrive(1, *data), "In the drive: an unknown CD");
    EXPECT_EQ(DescribeDiscInDrive(0, *data), std::nullopt);
    EXPECT_EQ(DescribeDiscInDrive(3, *data), std::nullopt); // no such device: nothing to say
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(DescribeDiscTest, UsesTheOpenAudioCdPlayer) {
    media.insert_disc(0, ScriptedDisc::of_seconds({180, 245, 61}));
    TAudioCDTrackPlayer player;
    Tcutpart& cut = *data->find_cut_part("7C0002b");
    ASSERT_TRUE(player.OpenTrack(
        1, cut.length, [](auto&&...) { return true; }, cut));
    ASSERT_TRUE(player.Play(true, false));
    media.clear_log();
    EXPECT_EQ(DescribeDiscInDrive(1, *data), "In the drive: SAROVAN BIRD SOUNDS: VOLUME ONE OF THREE");
    for (const std::string& line : media.log())
        EXPECT_EQ(line.rfind("open", 0), std::string::npos) << line;
    EXPECT_TRUE(media.is_playing(player.device_id()));
}

} // namespace
} // namespace morvelin
