#pragma once
// How far the position a media port reports is from the sound heard at a PulseAudio null sink: the
// sink's monitor is recorded with parec while the device plays a wave of short tone bursts, and the
// position shown when each burst reaches the monitor is compared with the burst's place in the file.
// Used by the platform tests and by bench/position_lag_bench.

#include "core/sound/media_port.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace morvelin::testing {

// A PulseAudio server of its own with one null sink, so that the sink's state is known and no other
// program's sound is heard. While it runs, PULSE_SERVER points this process (and the programs it
// starts) at it.
class PrivateSoundServer {
public:
    static constexpr const char* sink = "lag_sink";

    // folder: an empty folder for the server's socket and state.
    explicit PrivateSoundServer(const std::string& folder);
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    std::string address() const { return "unix:" + folder_ + "native"; }

    // The null sink's state as pactl names it (IDLE, RUNNING, SUSPENDED); empty when unknown.
    std::string sink_state() const;
    bool wait_for_sink_state(const std::string& state, std::chrono::milliseconds timeout) const;
    // A silent stream keeps the sink running while on.
    bool keep_sink_running(bool on);
    // pactl with this server; true when it succeeded.
    bool pactl(const std::vector<std::string>& arguments, std::string* output = nullptr) const;

private:
    std::string folder_;
    std::string error_;
    std::optional<std::string> previous_server_;
    pid_t pid_ = -1;
    pid_t silence_ = -1;
};

// What a shell command writes to its standard output (its errors are dropped).
std::string output_of(const std::string& command);

// Writes a 44.1 kHz stereo wave of length_ms: silence with 40 ms bursts of a 1 kHz tone starting at
// each of burst_ms, and a last burst that ends with the file. Returns where the bursts start (the
// last one included), in milliseconds.
std::vector<int> write_burst_wave(const std::string& path, int length_ms, const std::vector<int>& burst_ms);

struct PositionLag {
    struct Burst {
        int at_ms = 0;  // the burst's place in the file
        int lag_ms = 0; // that place minus the position shown when the burst was heard
    };
    std::vector<Burst> bursts;
    // When the device reported its end minus when its last sound was heard.
    std::optional<int> end_lag_ms;
    std::string error; // empty when the measurement worked

    // The largest lag of a burst or of the end, either way.
    int worst_ms() const;
    std::string text() const;
};

// Plays a device (open, in milliseconds) with start_playing() until it stops by itself, recording
// the sink's monitor and asking the port for the position all the while. bursts_ms: the bursts the
// play is expected to reach, in order. Gives up after timeout.
PositionLag measure_position_lag(MediaPort& port, std::uint32_t device, const std::function<bool()>& start_playing,
                                 const std::vector<int>& bursts_ms, const std::string& monitor,
                                 std::chrono::milliseconds timeout);

// measure_position_lag for a play from seek_to_ms (negative: from the start) to the end: the bursts
// expected are those at or after the seek.
PositionLag measure_lag_from(MediaPort& port, std::uint32_t device, int seek_to_ms, const std::vector<int>& bursts_ms,
                             const std::string& monitor, std::chrono::milliseconds timeout);

} // namespace morvelin::testing
