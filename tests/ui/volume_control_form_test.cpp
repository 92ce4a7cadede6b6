// The volume window against a scripted output, and against the real sound server's default sink
// (the null sink of scripts/pulse; skipped when no server answers).

#include "ui/sound/volume_control_form.h"

#include "core/foundation/environment.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "platform/media/pulse_volume.h"
#include "scripted_media.h"
#include "scripted_services.h"
#include "ui_application.h"

#include <QApplication>
#include <QScreen>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace morvelin::testing {
namespace {

class VolumeControlFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_application();
        install_language_texts(Ttextfile_handler(std::string(MORVELIN_SOURCE_DIR) + "/demo/Morvelin.txt"));
        saved_ = environment().settings_file_path;
        environment().settings_file_path = dir_.file("Morvelin.ini");
    }
    void TearDown() override { environment().settings_file_path = saved_; }
    std::string general(const char* key) const { return settings_read_string("", "GENERAL", key, "<none>"); }

    ScriptedMessages messages;
    TempDir dir_;
    std::string saved_;
};

TEST_F(VolumeControlFormTest, AStereoOutputAtFullLeftAndSilentRightShowsTheMiddle) {
    ScriptedVolume volume;
    volume.left = 65535;
    volume.right = 0;
    TVolume_control_form form;
    ASSERT_TRUE(form.show_if_possible());
    EXPECT_TRUE(form.stereo());
    EXPECT_EQ(form.slider()->value(), 50);
    EXPECT_EQ(volume.set_calls, 0); // showing reads, never writes
    // To the top: full volume, the balance kept.
    form.slider()->setValue(0);
    EXPECT_EQ(volume.left, 65535);
    EXPECT_EQ(volume.right, 0);
    form.step(60);
    EXPECT_EQ(form.slider()->value(), 60);
    EXPECT_EQ(volume.left, 52428);
    EXPECT_EQ(volume.right, 0);
}

TEST_F(VolumeControlFormTest, TheSliderFollowsAChangeMadeElsewhere) {
    ScriptedVolume volume;
    TVolume_control_form form;
    ASSERT_TRUE(form.show_if_possible());
    EXPECT_EQ(form.slider()->value(), 0);
    volume.left = volume.right = 65535 / 4;
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.slider()->value() == 75; }, 10000));
    EXPECT_EQ(volume.set_calls, 0);
}

TEST_F(VolumeControlFormTest, WithoutASoundServerOneMessageAndTheWindowStaysHidden) {
    ScriptedVolume volume;
    volume.caps_error = mci::mmsyserr_nodriver;
    settings_write_yes_no("", "GENERAL", "Show Volume Control", true);
    {
        TVolume_control_form form;
        EXPECT_FALSE(form.show_if_possible());
        EXPECT_FALSE(form.isVisible());
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].flags, mb::icon_error);
        EXPECT_NE(messages.shown()[0].text.find("'waveOutGetDevCaps()'."), std::string::npos);
        EXPECT_EQ(general("Show Volume Control"), "No");
    }
    EXPECT_EQ(general("Show Volume Control"), "No");
    // An output without a volume: the other message.
    volume.caps_error = mci::mmsyserr_noerror;
    volume.caps.supports_volume = false;
    messages.clear();
    TVolume_control_form form;
    EXPECT_FALSE(form.show_if_possible());
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, texts("VOLUME CONTROL", 2)[2]);
}

TEST_F(VolumeControlFormTest, OffScreenCoordinatesComeBackOnScreenAndThePlaceIsKept) {
    ScriptedVolume volume;
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    for (const char* stored : {"99999,99999", "-99999,-5", "2147483647,2147483647"}) {
        settings_write_string("", "GENERAL", "Volume Control Coordinates", stored);
        TVolume_control_form form;
        const QRect place(form.pos(), form.frameGeometry().size());
        EXPECT_TRUE(screen.contains(place)) << stored << ": " << place.x() << "," << place.y();
    }
    settings_write_string("", "GENERAL", "Volume Control Coordinates", "30,40");
    {
        TVolume_control_form form;
        EXPECT_EQ(form.pos(), QPoint(30, 40));
        form.show_if_possible();
        form.move(50, 60);
    }
    EXPECT_EQ(general("Volume Control Coordinates"), "50,60");
    EXPECT_EQ(general("Show Volume Control"), "Yes");
}

// The default sink's volume in percent as pactl reports it (front-left), or -1.
int pactl_sink_percent() {
    FILE* pipe = popen("pactl get-sink-volume @DEFAULT_SINK@ 2>/dev/null", "r");
    if (!pipe) return -1;
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    std::smatch match;
    if (!std::regex_search(out, match, std::regex(R"(/\s*(\d+)%)"))) return -1;
    return std::stoi(match[1]);
}

TEST_F(VolumeControlFormTest, TheSliderMovesTheSoundServersVolume) {
    PulseVolume pulse;
    WaveOutCapabilities caps;
    if (pulse.capabilities(0, caps) != mci::mmsyserr_noerror || pactl_sink_percent() < 0)
        GTEST_SKIP() << "no sound server answers (start one with scripts/pulse start)";
    std::uint16_t saved_left = 0, saved_right = 0;
    ASSERT_EQ(pulse.get_volume(0, saved_left, saved_right), 0);
    ASSERT_EQ(pulse.set_volume(0, 65535, 65535), 0);
    install_volume_port(&pulse);
    {
        TVolume_control_form form;
        ASSERT_TRUE(form.show_if_possible());
        EXPECT_EQ(form.slider()->value(), 0);
        form.slider()->setValue(30);
        EXPECT_EQ(pactl_sink_percent(), 70);
        // The desktop's mixer turns it down: the slider follows.
        ASSERT_EQ(std::system("pactl set-sink-volume @DEFAULT_SINK@ 40%"), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.slider()->value() == 60; }, 10000)) << form.slider()->value();
    }
    install_volume_port(nullptr);
    pulse.set_volume(0, saved_left, saved_right);
}

} // namespace
} // namespace morvelin::testing
