// A play list as it is heard: the play sequence runs on the real clock over the Linux media port
// against a null sink of a sound server of the test's own, whose monitor is recorded with parec. The
// spoken name and the recordings are tones of different lengths, told apart in the recording.

#include "core/data/records.h"
#include "core/sound/play_sequence.h"
#include "heard_position.h"
#include "media_test_files.h"
#include "platform/media/linux_media_port.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace morvelin {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
constexpr int rate = 44100;

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

void put16(std::ofstream& out, int v) {
    out.put(static_cast<char>(v & 0xFF));
    out.put(static_cast<char>((v >> 8) & 0xFF));
}
void put32(std::ofstream& out, std::uint32_t v) {
    put16(out, static_cast<int>(v & 0xFFFF));
    put16(out, static_cast<int>(v >> 16));
}

// A mono 16-bit wave: one tone of the given length.
void write_tone(const std::string& path, int length_ms, double frequency) {
    const std::uint32_t samples = static_cast<std::uint32_t>(rate) * static_cast<std::uint32_t>(length_ms) / 1000;
    std::ofstream out(path, std::ios::binary);
    out.write("RIFF", 4);
    put32(out, 36 + samples * 2);
    out.write("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, 1);
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    out.write("data", 4);
    put32(out, samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i)
        put16(out, static_cast<int>(12000 * std::sin(2 * std::numbers::pi * frequency * i / rate)));
}

// Plays each recording's file on a device of its own, as its sound bar would.
class WaveHost : public PlaySequenceHost {
public:
    explicit WaveHost(MediaPort& port) : port_(port) {}
    ~WaveHost() override { close(); }
    std::map<const Tcupaitem*, std::string> files;
    bool ended = false;

    void show_recording(const Tcupaitem&) override {}
    bool recording_open(const Tcupaitem&) override {
        std::uint32_t mode = 0;
        if (device_ && port_.status(device_, mci::status_mode, mode) == mci::no_error && mode == mci::mode_play)
            return true;
        close();
        return false;
    }
    bool toggle_play(const Tcupaitem& r) override {
        close();
        MciOpenParameters p;
        p.element = files.at(&r);
        if (port_.open(p, device_) != mci::no_error) return false;
        return port_.play(device_, std::nullopt, std::nullopt, true) == mci::no_error;
    }
    void sequence_ended() override { ended = true; }

private:
    void close() {
        if (device_) port_.close(device_);
        device_ = 0;
    }
    MediaPort& port_;
    std::uint32_t device_ = 0;
};

struct Segment {
    double start_ms, end_ms;
    double length() const { return end_ms - start_ms; }
};

// Runs of sound in the recording; silences shorter than 60 ms do not split a run.
std::vector<Segment> sound_segments(const std::string& raw) {
    std::vector<Segment> out;
    const std::size_t n = raw.size() / 2;
    const std::size_t join = rate * 60 / 1000;
    std::size_t last_loud = 0;
    bool in = false;
    for (std::size_t i = 0; i < n; ++i) {
        const auto v = static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[2 * i]) |
                                                 static_cast<std::uint8_t>(raw[2 * i + 1]) << 8);
        if (std::abs(v) < 2000) continue;
        if (in && i - last_loud <= join) {
            out.back().end_ms = 1000.0 * static_cast<double>(i) / rate;
        } else {
            out.push_back({1000.0 * static_cast<double>(i) / rate, 1000.0 * static_cast<double>(i) / rate});
            in = true;
        }
        last_loud = i;
    }
    return out;
}

TEST(PlaySequenceHeardTest, NameThenPauseThenRecordingAndTheRepeat) {
    for (const char* program : {"pulseaudio", "parec", "pactl"})
        if (!installed(program)) GTEST_SKIP() << program << " is not installed";
    testing::ensure_core_application();
    testing::TempDir dir;
    std::filesystem::create_directories(dir.file("server"));
    testing::PrivateSoundServer server(dir.file("server"));
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.keep_sink_running(true));

    write_tone(dir.file("name.wav"), 250, 1500);
    write_tone(dir.file("song.wav"), 900, 500);
    Tspecies species;
    Tcupaitem first, second;
    first.species = second.species = &species;

    LinuxMediaPort port(LinuxMediaPort::Options{});
    install_media_port(&port);
    WaveHost host(port);
    host.files = {{&first, dir.file("song.wav")}, {&second, dir.file("song.wav")}};
    PlayList list;
    list.add({&first, 1, 2});
    list.add({&second, 2, 1});
    list.start_sequence(-1);
    PlayListSource source(list, false);
    MediaNameSpeaker speaker;
    const auto t0 = SteadyClock::now();
    Tsounds_demo_and_play_lists_handler handler(
        true, {2, true, false, 2}, true, source, host, speaker,
        [&] { return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - t0).count(); },
        [&](const Tspecies&) { return dir.file("name.wav"); });

    const std::string raw_path = dir.file("heard.raw");
    const std::string monitor = std::string(testing::PrivateSoundServer::sink) + ".monitor";
    const pid_t recorder = fork();
    ASSERT_GE(recorder, 0);
    if (recorder == 0) {
        execlp("parec", "parec", ("--device=" + monitor).c_str(), "--raw", "--format=s16le", "--rate=44100",
               "--channels=1", "--latency-msec=20", raw_path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    while (handler.running() && SteadyClock::now() - t0 < 120s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(handler.interval_ms()));
        handler.tick();
    }
    EXPECT_TRUE(host.ended);
    // Let the recorder take the last sound: wait until it has written a second more.
    const auto written = [&] {
        std::error_code e;
        const auto size = std::filesystem::file_size(raw_path, e);
        return e ? std::uintmax_t(0) : size;
    };
    const auto at_end = written();
    const auto wait_start = SteadyClock::now();
    while (written() < at_end + 2 * rate && SteadyClock::now() - wait_start < 30s)
        std::this_thread::sleep_for(20ms);
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);
    install_media_port(nullptr);

    std::ifstream in(raw_path, std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<Segment> heard = sound_segments(raw);
    std::string kinds;
    for (const Segment& s : heard)
        kinds += s.length() < 500 ? "N" : "R";
    std::cout << "[  HEARD   ]";
    for (const Segment& s : heard)
        std::cout << " " << std::lround(s.start_ms) << "-" << std::lround(s.end_ms);
    std::cout << "\n";
    ASSERT_EQ(kinds, "NRRNR");
    EXPECT_GE(heard[1].start_ms - heard[0].end_ms, 2000); // the pause after the name
    EXPECT_GE(heard[3].start_ms - heard[2].end_ms, 2000); // the pause between recordings
    EXPECT_GE(heard[4].start_ms - heard[3].end_ms, 2000);
    for (const std::size_t r : {1u, 2u, 4u})
        EXPECT_NEAR(heard[r].length(), 900, 100) << r;
}

} // namespace
} // namespace morvelin
