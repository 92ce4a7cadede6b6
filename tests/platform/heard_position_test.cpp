// The position follows the sound that reaches the sound server's sink, measured at the monitor of a
// null sink on a server of the test's own (so that the sink's state is known and no other test's
// sound is heard); and the sound server is the one pactl reaches, without XDG_RUNTIME_DIR too.

#include "heard_position.h"
#include "media_test_files.h"
#include "platform/media/linux_media_port.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace morvelin {
namespace {

using namespace std::chrono_literals;

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// Far below the two seconds by which the position once trailed the sound, far above the scheduling
// noise of a loaded machine.
constexpr int tolerance_ms = 300;

TEST(HeardPositionTest, PositionIsWhatTheSinkPlaysFromAnIdleOrRunningSinkAndAfterASeek) {
    for (const char* program : {"pulseaudio", "parec", "pacat", "pactl"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    testing::ensure_core_application();
    testing::TempDir dir;
    std::filesystem::create_directories(dir.file("server"));
    testing::PrivateSoundServer server(dir.file("server"));
    ASSERT_TRUE(server.running()) << server.error();
    const std::string monitor = std::string(testing::PrivateSoundServer::sink) + ".monitor";

    const std::string wave = dir.file("bursts.wav");
    const std::vector<int> bursts = testing::write_burst_wave(wave, 3000, {300, 1000, 1700, 2400});
    LinuxMediaPort port(LinuxMediaPort::Options{});
    std::uint32_t device = 0;
    ASSERT_EQ(port.open({mci::devtype_automatic, wave, false}, device), mci::no_error);

    struct Case {
        const char* name;
        bool running_sink;
        int seek_to; // negative: play from the start
    };
    for (Case c : {Case{"idle sink, from the start", false, -1}, Case{"idle sink, after a seek", false, 1500},
                   Case{"running sink, from the start", true, -1}, Case{"running sink, after a seek", true, 1500}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(server.keep_sink_running(c.running_sink));
        if (!c.running_sink) {
            ASSERT_TRUE(server.wait_for_sink_state("IDLE", 10s)) << server.sink_state();
        }
        const testing::PositionLag lag = testing::measure_lag_from(port, device, c.seek_to, bursts, monitor, 20s);
        std::cout << "[   LAG    ] " << c.name << ": " << lag.text() << "\n";
        EXPECT_TRUE(lag.error.empty()) << lag.error;
        EXPECT_LE(lag.worst_ms(), tolerance_ms) << lag.text();
    }
    EXPECT_EQ(port.close(device), mci::no_error);
}

// A process has a stream on the server that pactl reaches.
bool has_stream_on_server(pid_t pid) {
    return testing::output_of("pactl list sink-inputs")
               .find("application.process.id = \"" + std::to_string(pid) + "\"") != std::string::npos;
}

void unset_runtime_folder() {
    unsetenv("XDG_RUNTIME_DIR");
    unsetenv("PULSE_SERVER");
}

// In a process of its own: 0 when the port counts one output and plays on the server pactl reaches.
int play_without_runtime_folder(const std::string& wave) {
    unset_runtime_folder();
    testing::ensure_core_application();
    int code = 0;
    {
        LinuxMediaPort port(LinuxMediaPort::Options{});
        std::uint32_t outputs = 0, device = 0;
        port.system_info_quantity(mci::devtype_waveform_audio, outputs);
        if (outputs != 1) code = 2;
        if (!code && (port.open({mci::devtype_automatic, wave, false}, device) != mci::no_error ||
                      port.play(device, 0u, std::nullopt, false) != mci::no_error))
            code = 3;
        if (!code && !testing::wait_until([] { return has_stream_on_server(getpid()); }, 10s)) code = 4;
        port.close(device);
    }
    std::fflush(nullptr);
    return code;
}

// Started as root from a console there is no XDG_RUNTIME_DIR: the program finds the server where
// pactl does, counts it as its output and plays on it.
TEST(HeardPositionTest, ReachesTheServerThatPactlReachesWithoutARuntimeFolder) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    {
        // Only where pactl itself gets through.
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        const char* server = std::getenv("PULSE_SERVER");
        const std::string saved_runtime = runtime ? runtime : "", saved_server = server ? server : "";
        unset_runtime_folder();
        const bool answers = installed("pactl") && std::system("pactl info >/dev/null 2>&1") == 0;
        if (runtime) setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), 1);
        if (server) setenv("PULSE_SERVER", saved_server.c_str(), 1);
        if (!answers) GTEST_SKIP() << "pactl reaches no sound server without XDG_RUNTIME_DIR";
    }
    testing::TempDir dir;
    const std::string wave = dir.file("bursts.wav");
    testing::write_burst_wave(wave, 2000, {300});
    EXPECT_EXIT(std::_Exit(play_without_runtime_folder(wave)), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace morvelin
