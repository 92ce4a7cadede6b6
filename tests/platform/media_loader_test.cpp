// The program's media ports load the media module on first use. Without a loadable module every
// call fails as a port without a driver does, the reason is shown once, and nothing crashes. Each
// case runs in a child process, since a process loads (or fails to load) the module once.
#include "platform/media_loader.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace morvelin::testing {
namespace {

TEST(MediaLoader, CandidatesAreTheChosenModuleAloneElseTheProgramFolderFirst) {
    ::unsetenv("MORVELIN_MEDIA_MODULE");
    const auto paths = media_module_candidates();
    ASSERT_GE(paths.size(), 2u);
    char program[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", program, sizeof program - 1), 0);
    const std::string folder = std::string(program).substr(0, std::string(program).rfind('/'));
    EXPECT_EQ(paths.front(), folder + "/libmorvelin_media.so");
    EXPECT_EQ(paths.back().substr(paths.back().rfind('/')), "/libmorvelin_media.so");

    ::setenv("MORVELIN_MEDIA_MODULE", "/elsewhere/libmorvelin_media.so", 1);
    EXPECT_EQ(media_module_candidates(), std::vector<std::string>{"/elsewhere/libmorvelin_media.so"});
    ::unsetenv("MORVELIN_MEDIA_MODULE");
}

// Runs in the child: every call fails without the module, and one message gives the reason.
void check_ports_without_module(const std::string& module_path, const std::string& reason_part) {
    ::setenv("MORVELIN_MEDIA_MODULE", module_path.c_str(), 1);
    ScriptedMessages messages;
    ModuleMediaPort media;
    ModuleVolumePort volume;
    ModuleSonogramPort sonograms;
    std::uint32_t device = 0, quantity = 7;
    std::uint16_t left = 0, right = 0;
    bool ok = media.open(MciOpenParameters{}, device) == mci::err_cannot_load_driver;
    ok = ok && media.system_info_quantity(mci::devtype_waveform_audio, quantity) == mci::err_cannot_load_driver;
    ok = ok && !media.play_sound_synchronously("/nowhere.wav") && media.take_notification(1) == 0;
    ok = ok && media.set_playback(1, PlaybackOptions{}) == mci::err_cannot_load_driver;
    ok = ok && volume.get_volume(0, left, right) == mci::mmsyserr_nodriver;
    ok = ok && media.error_text(mci::err_cannot_load_driver).has_value() && !media.loaded();
    // The sonogram window shows the reason itself.
    std::string error;
    ok = ok && !sonograms.open("/nowhere.wav", 0, -1, error) && !sonograms.loaded() &&
         error.find(reason_part) != std::string::npos;
    ok = ok && messages.shown().size() == 1 && messages.any_contains("sound module could not be loaded") &&
         messages.any_contains(reason_part);
    std::_Exit(ok ? 0 : 1);
}

// A missing module, and a file that is no shared object at all.
void expect_ports_fail_with_one_message(const std::string& module_path, const std::string& reason_part) {
    EXPECT_EXIT(check_ports_without_module(module_path, reason_part), ::testing::ExitedWithCode(0), "");
}

TEST(MediaLoaderDeathTest, WithoutALoadableModuleEveryCallFailsAndTheReasonIsShownOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    expect_ports_fail_with_one_message("/nonexistent/libmorvelin_media.so", "was not found in");
    char folder[] = "/tmp/media-loader-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string not_a_module = std::string(folder) + "/libmorvelin_media.so";
    std::ofstream(not_a_module) << "not an ELF file";
    expect_ports_fail_with_one_message(not_a_module, not_a_module);
    std::remove(not_a_module.c_str());
    ::rmdir(folder);
}

} // namespace
} // namespace morvelin::testing
