// Slowed-down playback and A-B loops as heard at the monitor of a null sink on a sound server of the
// test's own: the length and pitch of what reaches the sink, and the turns of a loop.

#include "heard_position.h"
#include "media_test_files.h"
#include "platform/media/linux_media_port.h"
#include "scripted_services.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace morvelin {
namespace {

using namespace std::chrono_literals;

constexpr int rate = 44100;

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

// parec on a monitor, mono 16-bit at 44.1 kHz, until destroyed.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const std::string& monitor) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            const std::string device = "--device=" + monitor;
            execlp("parec", "parec", device.c_str(), "--raw", "--format=s16le", "--rate=44100", "--channels=1",
                   "--latency-msec=20", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        reader_ = std::thread([this, fd = fds[0]] {
            char buffer[4096];
            std::vector<char> carry;
            for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
                std::lock_guard lock(mutex_);
                carry.insert(carry.end(), buffer, buffer + n);
                std::size_t whole = carry.size() / 2 * 2;
                for (std::size_t i = 0; i < whole; i += 2)
                    samples_.push_back(std::int16_t(std::uint8_t(carry[i]) | std::uint8_t(carry[i + 1]) << 8));
                carry.erase(carry.begin(), carry.begin() + std::ptrdiff_t(whole));
            }
            close(fd);
        });
    }
    ~MonitorRecorder() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (reader_.joinable()) reader_.join();
    }
    bool running() const { return pid_ > 0; }
    std::vector<std::int16_t> samples() {
        std::lock_guard lock(mutex_);
        return samples_;
    }
    std::size_t size() {
        std::lock_guard lock(mutex_);
        return samples_.size();
    }

private:
    pid_t pid_ = -1;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::int16_t> samples_;
};

// Where sound (above a small threshold) begins and ends in a recording.
std::pair<std::size_t, std::size_t> sound_span(const std::vector<std::int16_t>& s) {
    std::size_t first = s.size(), last = 0;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::abs(int(s[i])) > 500) {
            first = std::min(first, i);
            last = i;
        }
    return {first, last};
}

// The frequency from the rising zero crossings over the middle half of [begin, end).
double frequency(const std::vector<std::int16_t>& s, std::size_t begin, std::size_t end) {
    const std::size_t from = begin + (end - begin) / 4, to = end - (end - begin) / 4;
    std::optional<double> first;
    double last = 0;
    int crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = double(i - 1) + double(s[i - 1]) / double(s[i - 1] - s[i]);
            if (first)
                ++crossings;
            else
                first = at;
            last = at;
        }
    return first && crossings ? crossings * double(rate) / (last - *first) : 0.0;
}

// Burst onsets: the first sound after at least 20 ms of silence.
std::vector<std::size_t> onsets(const std::vector<std::int16_t>& s) {
    std::vector<std::size_t> found;
    std::size_t quiet = rate; // the recording starts in silence
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::abs(int(s[i])) < 300) {
            ++quiet;
            continue;
        }
        if (quiet >= std::size_t(rate / 50)) found.push_back(i);
        quiet = 0;
    }
    return found;
}

class PlaybackHeardTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"pulseaudio", "parec", "pactl", "ffmpeg"})
            if (!installed(program)) GTEST_SKIP() << program << " is not installed";
        testing::ensure_core_application();
        std::filesystem::create_directories(dir_.file("server"));
        server_ = std::make_unique<testing::PrivateSoundServer>(dir_.file("server"));
        ASSERT_TRUE(server_->running()) << server_->error();
        monitor_ = std::string(testing::PrivateSoundServer::sink) + ".monitor";
    }
    void TearDown() override { server_.reset(); }

    testing::TempDir dir_;
    std::unique_ptr<testing::PrivateSoundServer> server_;
    std::string monitor_;
};

TEST_F(PlaybackHeardTest, HalfSpeedLastsTwiceAsLongAnOctaveLower) {
    const std::string wave = dir_.file("tone.wav");
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=1000:sample_rate=44100:duration=2 "
                           "-af volume=0.5 -ac 2 -c:a pcm_s16le '" + wave + "' </dev/null").c_str()),
              0);
    LinuxMediaPort port(LinuxMediaPort::Options{});
    std::uint32_t device = 0;
    ASSERT_EQ(port.open({mci::devtype_automatic, wave, false}, device), mci::no_error);
    MonitorRecorder recorder(monitor_);
    ASSERT_TRUE(recorder.running());
    ASSERT_TRUE(testing::wait_until([&] { return recorder.size() > 0; }, 20s)) << "the monitor gives nothing";

    ASSERT_EQ(port.set_playback(device, {PlaybackMode::tape_half, std::nullopt, std::nullopt}), mci::no_error);
    ASSERT_EQ(port.play(device, 0u, std::nullopt, false), mci::no_error);
    // At its end the device is at the end of the recording.
    std::uint32_t mode = mci::mode_play, position = 0;
    ASSERT_TRUE(testing::wait_until(
        [&] { return port.status(device, mci::status_mode, mode) != mci::no_error || mode != mci::mode_play; }, 60s));
    ASSERT_EQ(port.status(device, mci::status_position, position), mci::no_error);
    EXPECT_EQ(position, 2000u);
    // The last sound reaches the monitor after the device ends; then silence follows.
    const std::size_t at_end = recorder.size();
    ASSERT_TRUE(testing::wait_until([&] { return recorder.size() > at_end + rate / 2; }, 20s));
    const auto heard = recorder.samples();
    const auto [first, last] = sound_span(heard);
    ASSERT_LT(first, last) << "nothing was heard";
    const double seconds = double(last - first) / rate;
    std::cout << "[  HEARD   ] 2 s at half speed: " << seconds << " s at "
              << frequency(heard, first, last) << " Hz\n";
    EXPECT_NEAR(seconds, 4.0, 0.2);
    EXPECT_NEAR(frequency(heard, first, last), 500.0, 10.0);
    EXPECT_EQ(port.close(device), mci::no_error);
}

TEST_F(PlaybackHeardTest, ALoopPlaysItsSectionAgainAndAgainUntilStopped) {
    const std::string wave = dir_.file("bursts.wav");
    // One burst inside the loop [800, 1400), others outside it.
    testing::write_burst_wave(wave, 2400, {300, 1000, 1700});
    LinuxMediaPort port(LinuxMediaPort::Options{});
    std::uint32_t device = 0;
    ASSERT_EQ(port.open({mci::devtype_automatic, wave, false}, device), mci::no_error);
    MonitorRecorder recorder(monitor_);
    ASSERT_TRUE(recorder.running());
    ASSERT_TRUE(testing::wait_until([&] { return recorder.size() > 0; }, 20s)) << "the monitor gives nothing";

    ASSERT_EQ(port.set_playback(device, {PlaybackMode::normal, 800u, 1400u}), mci::no_error);
    ASSERT_EQ(port.play(device, 0u, std::nullopt, false), mci::no_error);
    std::vector<std::uint32_t> positions;
    ASSERT_TRUE(testing::wait_until(
        [&] {
            std::uint32_t position = 0;
            if (port.status(device, mci::status_position, position) == mci::no_error) positions.push_back(position);
            return onsets(recorder.samples()).size() >= 4;
        },
        60s))
        << onsets(recorder.samples()).size() << " turns heard";
    std::uint32_t mode = 0;
    ASSERT_EQ(port.status(device, mci::status_mode, mode), mci::no_error);
    EXPECT_EQ(mode, std::uint32_t(mci::mode_play)); // still playing: a loop never ends by itself
    ASSERT_EQ(port.stop(device), mci::no_error);

    // The burst comes once a turn, a loop's length apart; the position never leaves the loop.
    const auto heard = onsets(recorder.samples());
    for (std::size_t i = 1; i < heard.size(); ++i)
        EXPECT_NEAR(double(heard[i] - heard[i - 1]) * 1000 / rate, 600.0, 30.0) << "turn " << i;
    for (std::uint32_t p : positions) {
        EXPECT_GE(p, 800u);
        EXPECT_LE(p, 1400u);
    }
    EXPECT_EQ(port.close(device), mci::no_error);
}

} // namespace
} // namespace morvelin
