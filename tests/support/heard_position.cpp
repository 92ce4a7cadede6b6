#include "heard_position.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace morvelin::testing {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int rate = 44100;
constexpr int burst_length_ms = 40;

// Starts a program with stdout to out_fd (or /dev/null when negative) and stderr to /dev/null;
// extra: environment entries added to this process's.
pid_t spawn(const std::vector<std::string>& arguments, int out_fd, const std::vector<std::string>& extra = {}) {
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e)
        envp.push_back(*e);
    for (const auto& e : extra)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (out_fd >= 0)
        posix_spawn_file_actions_adddup2(&actions, out_fd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void end_process(pid_t& pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

template <class Condition> bool wait_for(Condition condition, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

int ms_between(Clock::time_point from, Clock::time_point to) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

// What parec delivered, with the time each read arrived.
struct Recording {
    std::mutex mutex;
    std::vector<std::int16_t> samples;
    std::vector<std::pair<Clock::time_point, std::size_t>> reads; // arrival, samples up to then

    std::size_t size() {
        std::lock_guard lock(mutex);
        return samples.size();
    }
    std::optional<Clock::time_point> last_read() {
        std::lock_guard lock(mutex);
        if (reads.empty()) return std::nullopt;
        return reads.back().first;
    }
    Clock::time_point arrival_of(std::size_t sample) const {
        auto it = std::upper_bound(reads.begin(), reads.end(), sample,
                                   [](std::size_t s, const auto& read) { return s < read.second; });
        return it == reads.end() ? reads.back().first : it->first;
    }
};

} // namespace

// What a shell command writes to its standard output.
std::string output_of(const std::string& command) {
    std::string text;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        text.append(buffer, n);
    pclose(pipe);
    return text;
}

PrivateSoundServer::PrivateSoundServer(const std::string& folder) : folder_(folder) {
    if (!folder_.empty() && folder_.back() != '/') folder_ += '/';
    if (const char* previous = std::getenv("PULSE_SERVER")) previous_server_ = previous;
    pid_ = spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                  "--load=module-native-protocol-unix auth-anonymous=1 socket=" + folder_ + "native",
                  std::string("--load=module-null-sink sink_name=") + sink},
                 -1, {"PULSE_RUNTIME_PATH=" + folder_, "PULSE_STATE_PATH=" + folder_});
    if (pid_ <= 0) {
        error_ = "pulseaudio could not be started";
        return;
    }
    setenv("PULSE_SERVER", address().c_str(), 1);
    if (!wait_for([&] { return pactl({"info"}); }, 10s)) {
        error_ = "the private sound server did not answer";
        end_process(pid_);
    }
}

PrivateSoundServer::~PrivateSoundServer() {
    end_process(silence_);
    end_process(pid_);
    if (previous_server_)
        setenv("PULSE_SERVER", previous_server_->c_str(), 1);
    else
        unsetenv("PULSE_SERVER");
}

bool PrivateSoundServer::pactl(const std::vector<std::string>& arguments, std::string* output) const {
    std::string command = "pactl -s '" + address() + "'";
    for (const auto& a : arguments)
        command += " '" + a + "'";
    // The exit status rides on the output's last line.
    std::string text = output_of(command + " 2>/dev/null; echo \"status $?\"");
    const auto at = text.rfind("status ");
    const bool ok = at != std::string::npos && text.compare(at, 9, "status 0\n") == 0;
    if (output) *output = text.substr(0, at == std::string::npos ? text.size() : at);
    return ok;
}

std::string PrivateSoundServer::sink_state() const {
    std::string list;
    if (!pactl({"list", "short", "sinks"}, &list)) return {};
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string index, name, module, format, channels, frequency, state;
        fields >> index >> name >> module >> format >> channels >> frequency >> state;
        if (name == sink) return state;
    }
    return {};
}

bool PrivateSoundServer::wait_for_sink_state(const std::string& state, std::chrono::milliseconds timeout) const {
    return wait_for([&] { return sink_state() == state; }, timeout);
}

bool PrivateSoundServer::keep_sink_running(bool on) {
    if (!on) {
        end_process(silence_);
        return true;
    }
    if (silence_ > 0) return true;
    silence_ = spawn({"pacat", "--playback", "--raw", "--format=s16le", "--rate=44100", "--channels=2",
                      "--latency-msec=20", "/dev/zero"},
                     -1);
    return silence_ > 0 && wait_for_sink_state("RUNNING", 10s);
}

std::vector<int> write_burst_wave(const std::string& path, int length_ms, const std::vector<int>& burst_ms) {
    std::vector<int> starts = burst_ms;
    starts.push_back(length_ms - burst_length_ms);
    const std::int64_t frames = std::int64_t(length_ms) * rate / 1000;
    std::vector<std::int16_t> samples(std::size_t(frames * 2), 0);
    for (int start : starts)
        for (std::int64_t i = 0; i < std::int64_t(burst_length_ms) * rate / 1000; ++i) {
            const std::int64_t frame = std::int64_t(start) * rate / 1000 + i;
            if (frame < 0 || frame >= frames) continue;
            const auto value = std::int16_t(16000 * std::sin(2 * M_PI * 1000.0 * double(i) / rate));
            samples[std::size_t(frame * 2)] = samples[std::size_t(frame * 2 + 1)] = value;
        }
    auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::uint32_t data_bytes = std::uint32_t(samples.size() * 2);
    std::ofstream out(path, std::ios::binary);
    out << "RIFF" << u32(36 + data_bytes) << "WAVEfmt " << u32(16) << u16(1) << u16(2) << u32(rate)
        << u32(rate * 4) << u16(4) << u16(16) << "data" << u32(data_bytes);
    out.write(reinterpret_cast<const char*>(samples.data()), std::streamsize(data_bytes));
    return starts;
}

int PositionLag::worst_ms() const {
    int worst = end_lag_ms ? std::abs(*end_lag_ms) : 0;
    for (const auto& b : bursts)
        worst = std::max(worst, std::abs(b.lag_ms));
    return worst;
}

std::string PositionLag::text() const {
    if (!error.empty()) return error;
    std::string out;
    for (const auto& b : bursts)
        out += "at " + std::to_string(b.at_ms) + " ms: " + std::to_string(b.lag_ms) + " ms; ";
    out += "end: " + (end_lag_ms ? std::to_string(*end_lag_ms) + " ms" : std::string("not heard"));
    return out;
}

PositionLag measure_position_lag(MediaPort& port, std::uint32_t device, const std::function<bool()>& start_playing,
                                 const std::vector<int>& bursts_ms, const std::string& monitor,
                                 std::chrono::milliseconds timeout) {
    PositionLag lag;
    // The recorder attaches once the play has started: a recorder on the monitor before would wake an
    // idle sink, and the play would not start from the idle sink it is meant to start from.
    struct Poll {
        Clock::time_point at;
        std::uint32_t position;
    };
    std::vector<Poll> polls;
    if (!start_playing()) {
        lag.error = "the device did not play";
        return lag;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        lag.error = "no pipe";
        return lag;
    }
    pid_t recorder = spawn({"parec", "--device=" + monitor, "--raw", "--format=s16le", "--rate=44100",
                            "--channels=1", "--latency-msec=5"},
                           fds[1]);
    close(fds[1]);
    Recording recording;
    std::thread reader([&] {
        char buffer[4096];
        std::size_t odd = 0;
        char carry = 0;
        for (;;) {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            const auto now = Clock::now();
            std::lock_guard lock(recording.mutex);
            for (ssize_t i = 0; i < n; ++i) {
                if (odd) {
                    recording.samples.push_back(std::int16_t(std::uint8_t(carry) | (std::uint8_t(buffer[i]) << 8)));
                    odd = 0;
                } else {
                    carry = buffer[i];
                    odd = 1;
                }
            }
            recording.reads.emplace_back(now, recording.samples.size());
        }
        close(fds[0]);
    });
    auto finish = [&](const std::string& error) {
        end_process(recorder);
        reader.join();
        lag.error = error;
        return lag;
    };
    if (recorder <= 0) return finish("parec could not be started");
    const auto deadline = Clock::now() + timeout;
    Clock::time_point ended;
    for (;;) {
        std::uint32_t position = 0, mode = 0;
        const auto now = Clock::now();
        if (port.status(device, mci::status_position, position) == mci::no_error) polls.push_back({now, position});
        if (port.status(device, mci::status_mode, mode) != mci::no_error || mode != mci::mode_play) {
            ended = Clock::now();
            break;
        }
        if (now > deadline) return finish("the device did not end within the timeout");
        std::this_thread::sleep_for(2ms);
    }
    if (!wait_for([&] { return recording.last_read() && *recording.last_read() > ended + 300ms; }, 10s))
        return finish("the monitor stopped giving sound");
    finish("");

    // Burst onsets: the first sound after at least 20 ms of silence.
    const auto& s = recording.samples;
    std::vector<std::size_t> onsets;
    std::size_t quiet = 0;
    std::optional<std::size_t> last_sound;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::abs(int(s[i])) < 300) {
            ++quiet;
            continue;
        }
        if (quiet >= std::size_t(rate / 50)) onsets.push_back(i);
        quiet = 0;
        last_sound = i;
    }
    if (onsets.size() != bursts_ms.size()) {
        int loudest = 0;
        for (auto sample : s)
            loudest = std::max(loudest, std::abs(int(sample)));
        lag.error = "heard " + std::to_string(onsets.size()) + " bursts instead of " + std::to_string(bursts_ms.size()) +
                    " in " + std::to_string(s.size() * 1000 / rate) + " ms of sound from the monitor, at most " +
                    std::to_string(loudest) + " loud";
        return lag;
    }
    for (std::size_t k = 0; k < onsets.size(); ++k) {
        const auto heard = recording.arrival_of(onsets[k]);
        auto shown = std::upper_bound(polls.begin(), polls.end(), heard,
                                      [](Clock::time_point t, const Poll& p) { return t < p.at; });
        const int position = shown == polls.begin() ? 0 : int(std::prev(shown)->position);
        lag.bursts.push_back({bursts_ms[k], bursts_ms[k] - position});
    }
    if (last_sound) lag.end_lag_ms = ms_between(recording.arrival_of(*last_sound), ended);
    return lag;
}

PositionLag measure_lag_from(MediaPort& port, std::uint32_t device, int seek_to_ms, const std::vector<int>& bursts_ms,
                             const std::string& monitor, std::chrono::milliseconds timeout) {
    std::vector<int> expected;
    for (int b : bursts_ms)
        if (b >= seek_to_ms) expected.push_back(b);
    return measure_position_lag(
        port, device,
        [&] {
            if (seek_to_ms < 0) return port.play(device, 0u, std::nullopt, false) == mci::no_error;
            return port.seek(device, std::uint32_t(seek_to_ms)) == mci::no_error &&
                   port.play(device, std::nullopt, std::nullopt, false) == mci::no_error;
        },
        expected, monitor, timeout);
}

} // namespace morvelin::testing
