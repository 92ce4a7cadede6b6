#include "core/sound/players.h"

#include "core/foundation/editions.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "core/sound/media_port.h"
#include "core/sound/program_starter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace morvelin {
namespace {

using testing::ScriptedMedia;
using testing::ScriptedMessages;

class PlayersTest : public ::testing::Test {
protected:
    void SetUp() override {
        determine_edition_from_code(60);
        media.add_wave_file("/d/ten.wav", 10000);
        media.add_sound_file("/d/song.mp3", 4321);
    }

    std::string id(const TMCIDevicePlayer& player) const { return std::to_string(player.device_id()); }

    ScriptedMedia media;
    ScriptedMessages messages;
};

TEST_F(PlayersTest, SectionOpensOnlyWithMoreThan700MsLeftAndIsShortenedToTheFile) {
    struct Case {
        int start;
        int length;
        bool opens;
        int length_back;
    };
    const Case cases[] = {
        {0, 5000, true, 5000},    {2000, 3000, true, 3000}, {9300, 500, true, 500}, {9300, 900, true, 700},
        {8000, 5000, true, 2000}, {9301, 100, false, 100},  {10000, 10, false, 10}, {12000, 500, false, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + "+" + std::to_string(c.length));
        TSoundFilePlayer player;
        int length = c.length;
        bool file_problem = false;
        EXPECT_EQ(player.OpenSection("/d/ten.wav", c.start, length, file_problem), c.opens);
        EXPECT_EQ(file_problem, !c.opens);
        EXPECT_EQ(player.is_open(), c.opens);
        EXPECT_EQ(length, c.length_back);
        if (c.opens) {
            EXPECT_EQ(player.end(), c.start + c.length_back);
        }
    }
    EXPECT_EQ(media.open_device_count(), 0);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PlayersTest, FileThatWaveformAudioRefusesIsOpenedByTheAutomaticDevice) {
    TSoundFilePlayer player;
    int length = 2000;
    bool file_problem = true;
    ASSERT_TRUE(player.OpenSection("/d/song.mp3", 1000, length, file_problem));
    EXPECT_FALSE(file_problem);
    EXPECT_EQ(player.file_length(), 4321);
    EXPECT_TRUE(media.logged("open 522 /d/song.mp3"));
    EXPECT_TRUE(media.logged("open 0 /d/song.mp3"));
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PlayersTest, MissingOrUnplayableFileIsAFileProblemWithoutMessage) {
    media.add_failing_file("/d/broken.wav", mci::err_invalid_file);
    for (const char* path : {"/d/missing.wav", "/d/broken.wav"}) {
        SCOPED_TRACE(path);
        TCutPartFilePlayer player;
        int length = 0;
        bool file_problem = false;
        EXPECT_FALSE(player.OpenCutPartFile(path, false, length, file_problem));
        EXPECT_TRUE(file_problem);
        EXPECT_FALSE(player.is_open());
    }
    EXPECT_TRUE(messages.shown().empty());
    EXPECT_EQ(media.open_device_count(), 0);
}

TEST_F(PlayersTest, OtherOpenFailuresAreReportedOnceWithTheFileName) {
    media.add_failing_file("/d/locked.wav", mci::err_file_read);
    TSoundFilePlayer player;
    int length = 1000;
    bool file_problem = true;
    EXPECT_FALSE(player.OpenSection("/d/locked.wav", 0, length, file_problem));
    EXPECT_FALSE(file_problem);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text,
              "mci_Open, Element name = \"/d/locked.wav\",  348: " + *mci::error_text(mci::err_file_read));
    EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
}

TEST_F(PlayersTest, CutPartFileOpensAtZeroWithItsFullLength) {
    TCutPartFilePlayer player;
    int length = 99000; // what the data claimed
    bool file_problem = false;
    ASSERT_TRUE(player.OpenCutPartFile("/d/ten.wav", true, length, file_problem));
    EXPECT_EQ(length, 10000);
    EXPECT_EQ(player.start(), 0);
    EXPECT_EQ(player.end(), 10000);
    EXPECT_TRUE(player.mp3());
    ASSERT_TRUE(player.Play(true, false));
    EXPECT_TRUE(media.logged("play " + id(player) + " 0 10000"));
}

TEST_F(PlayersTest, SectionPlaysPausesSeeksAndStopsAtItsEnd) {
    TSoundFilePlayer player;
    int length = 3000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 2000, length, file_problem));
    const std::string d = id(player);

    ASSERT_TRUE(player.Play(true, false));
    EXPECT_TRUE(media.logged("play " + d + " 2000 5000"));
    EXPECT_TRUE(player.playing_flag());
    media.advance(1200);
    int position = -1;
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 1200);

    // Pause: the device stays open where it was.
    ASSERT_TRUE(player.Stop());
    EXPECT_FALSE(player.playing_flag());
    EXPECT_TRUE(player.is_open());
    media.advance(500);
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 1200);

    ASSERT_TRUE(player.Seek(500));
    EXPECT_TRUE(media.logged("seek " + d + " 2500"));
    EXPECT_EQ(player.current(), 2500);
    ASSERT_TRUE(player.Play(false, true));
    EXPECT_TRUE(media.logged("play " + d + " 2500 5000 notify"));
    int mode = 0;
    ASSERT_TRUE(player.GetMode(mode));
    EXPECT_EQ(mode, mci::mode_play);

    media.advance(10000);
    ASSERT_TRUE(player.GetMode(mode));
    EXPECT_EQ(mode, mci::mode_stop);
    ASSERT_TRUE(player.GetPosition(position));
    EXPECT_EQ(position, 3000);
    EXPECT_EQ(player.TakeNotification(), mci::notify_successful);
    EXPECT_EQ(player.TakeNotification(), 0);
    EXPECT_TRUE(player.is_open()); // the owner closes it

    // From the start again.
    ASSERT_TRUE(player.Play(true, false));
    EXPECT_EQ(media.log().back(), "play " + d + " 2000 5000");
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PlayersTest, SeekBeyondTheSectionStaysInsideIt) {
    TSoundFilePlayer player;
    int length = 3000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 2000, length, file_problem));
    ASSERT_TRUE(player.Seek(3100)); // a slider step past the rounded end
    EXPECT_EQ(player.current(), 5000);
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(PlayersTest, StopAndCloseOnOpenAndClosedPlayers) {
    TSoundFilePlayer player;
    EXPECT_FALSE(player.Stop());
    EXPECT_FALSE(player.Close());
    EXPECT_TRUE(player.Play(true, false)); // nothing to play is no error
    EXPECT_TRUE(player.Seek(100));
    int position = 7;
    EXPECT_FALSE(player.GetPosition(position));
    EXPECT_TRUE(media.log().empty());

    int length = 1000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 0, length, file_problem));
    EXPECT_TRUE(player.Stop()); // open, not playing: nothing sent
    EXPECT_EQ(media.log().back().rfind("status", 0), 0u);
    EXPECT_TRUE(player.Close());
    EXPECT_FALSE(player.is_open());
    EXPECT_EQ(media.open_device_count(), 0);
}

TEST_F(PlayersTest, FailedStopIsReportedAndClosesTheDevice) {
    TSoundFilePlayer player;
    int length = 1000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 0, length, file_problem));
    ASSERT_TRUE(player.Play(true, false));
    media.fail_next("stop", mci::err_hardware);
    EXPECT_FALSE(player.Stop());
    EXPECT_FALSE(player.is_open());
    EXPECT_EQ(media.open_device_count(), 0);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "mci_Stop 262: " + *mci::error_text(mci::err_hardware));
}

TEST_F(PlayersTest, FailedCloseIsReportedAndTheDeviceIsForgotten) {
    TSoundFilePlayer player;
    int length = 1000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 0, length, file_problem));
    media.fail_next("close", 9999);
    EXPECT_FALSE(player.Close());
    EXPECT_EQ(player.device_id(), 0u);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "mci_Close Unknown Error 9999");
}

TEST_F(PlayersTest, PlayAndSeekFailuresAreReported) {
    TSoundFilePlayer player;
    int length = 1000;
    bool file_problem = false;
    ASSERT_TRUE(player.OpenSection("/d/ten.wav", 0, length, file_problem));
    media.fail_next("play", mci::err_wave_outputsinuse);
    EXPECT_FALSE(player.Play(true, false));
    EXPECT_FALSE(player.playing_flag());
    media.fail_next("seek", mci::err_outofrange);
    EXPECT_FALSE(player.Seek(10));
    EXPECT_EQ(player.current(), 0);
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text.rfind("mci_Play 320: ", 0), 0u);
    EXPECT_EQ(messages.shown()[1].text.rfind("mci_Seek to 282: ", 0), 0u);
}

TEST_F(PlayersTest, DestroyingAPlayerClosesItsDevice) {
    {
        auto player = std::make_unique<TCutPartFilePlayer>();
        int length = 0;
        bool file_problem = false;
        ASSERT_TRUE(player->OpenCutPartFile("/d/ten.wav", false, length, file_problem));
        ASSERT_TRUE(player->Play(true, false));
        EXPECT_EQ(media.open_device_count(), 1);
    }
    EXPECT_EQ(media.open_device_count(), 0);
}

// The decoder question of a cut-part file holding MPEG Layer III data.
class CodecQuestionTest : public PlayersTest {
protected:
    void SetUp() override {
        PlayersTest::SetUp();
        media.add_failing_file("/d/a_mf.wav", mci::err_wave_outputsunsuitable);
        install_program_starter([this](const std::vector<std::string>& arguments, bool) {
            started.push_back(arguments);
            return start_succeeds;
        });
        install_program_end_handler([this] { ++ended; });
    }
    void TearDown() override {
        install_program_starter({});
        install_program_end_handler({});
    }

    bool open(bool mp3) {
        TCutPartFilePlayer player;
        int length = 0;
        bool file_problem = false;
        return player.OpenCutPartFile("/d/a_mf.wav", mp3, length, file_problem);
    }

    std::vector<std::vector<std::string>> started;
    bool start_succeeds = true;
    int ended = 0;
};

const char* const codec_question = "Apparently, no MPEG layer 3 audio decompression codec is installed on "
                                   "your system. Do you want to install it now?";

TEST_F(CodecQuestionTest, YesAndOkStartTheInstallerAndEndTheProgram) {
    messages.answer(id::yes);
    messages.answer(id::ok);
    EXPECT_FALSE(open(true));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text, codec_question);
    EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);
    EXPECT_EQ(messages.shown()[1].text, "This program will terminate after loading the codec installation "
                                        "program. Please reload it when the codec is installed.");
    EXPECT_EQ(messages.shown()[1].flags, mb::ok_cancel);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0], std::vector<std::string>{"./l3codecx.exe"});
    EXPECT_EQ(ended, 1);
}

TEST_F(CodecQuestionTest, NoOrCancelEndTheQuestionQuietly) {
    messages.answer(id::no);
    EXPECT_FALSE(open(true));
    EXPECT_EQ(messages.shown().size(), 1u);
    messages.clear();
    messages.answer(id::yes);
    messages.answer(id::cancel);
    EXPECT_FALSE(open(true));
    EXPECT_EQ(messages.shown().size(), 2u);
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(ended, 0);
}

TEST_F(CodecQuestionTest, AnInstallerThatCannotStartKeepsTheProgramRunning) {
    start_succeeds = false;
    EXPECT_FALSE(open(true)); // Yes, OK
    ASSERT_EQ(messages.shown().size(), 3u);
    EXPECT_EQ(messages.shown()[2].text, "Could not execute \"l3codecx.exe\".");
    EXPECT_EQ(ended, 0);
}

TEST_F(CodecQuestionTest, WithoutMp3DataTheErrorIsAnOrdinaryReport) {
    EXPECT_FALSE(open(false));
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "mci_Open, Element name = \"/d/a_mf.wav\",  326: " +
                                            *mci::error_text(mci::err_wave_outputsunsuitable));
    EXPECT_TRUE(started.empty());
}

TEST_F(CodecQuestionTest, SpanishInterfaceAsksInSpanish) {
    determine_edition_from_code(40);
    messages.answer(id::yes);
    messages.answer(id::cancel);
    EXPECT_FALSE(open(true));
    ASSERT_EQ(messages.shown().size(), 2u);
    EXPECT_EQ(messages.shown()[0].text,
              "Aparentemente, su computadora no cuenta con un descompresor de sonidos comprimidos con \"MPEG "
              "layer 3\". \xBF"
              "Desea instalarlo ahora?");
    EXPECT_EQ(messages.shown()[1].text.rfind("Este programa terminar\xE1 despu\xE9s", 0), 0u);
}

} // namespace
} // namespace morvelin
