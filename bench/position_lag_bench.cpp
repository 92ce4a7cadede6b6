// How far the position shown while playing is from the sound heard: a wave of tone bursts is played
// through the media port to a null sink on a sound server of the bench's own, the sink's monitor is
// recorded, and for each burst the position shown when it was heard is compared with its place in
// the file. Figures for a sink idle before play, one that is suspended, and one already running,
// each from the start and after a seek. Goal: every figure within 50 ms.
//
// Run bench/position_lag.sh (or build/bench/position_lag_bench). Needs pulseaudio, parec, pacat and pactl.

#include "heard_position.h"
#include "platform/media/linux_media_port.h"
#include "scripted_services.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

using namespace std::chrono_literals;
using namespace morvelin;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // --shared: the sound server clients find by default and its null sink morvelin_null (as the tests
    // use it), in whatever state others leave it.
    const bool shared = argc > 1 && std::string(argv[1]) == "--shared";
    testing::TempDir dir;
    std::filesystem::create_directories(dir.file("server"));
    std::optional<testing::PrivateSoundServer> server;
    if (!shared) {
        server.emplace(dir.file("server"));
        if (!server->running()) {
            std::cerr << "position_lag_bench: " << server->error() << "\n";
            return 1;
        }
    }
    const std::string monitor = shared ? "morvelin_null.monitor" : std::string(testing::PrivateSoundServer::sink) + ".monitor";
    const std::string wave = dir.file("bursts.wav");
    const std::vector<int> bursts = testing::write_burst_wave(wave, 5000, {300, 1000, 1700, 2400, 3100, 3800, 4500});

    int worst = 0;
    bool failed = false;
    {
        LinuxMediaPort port(LinuxMediaPort::Options{});
        std::uint32_t device = 0;
        if (port.open({mci::devtype_automatic, wave, false}, device) != mci::no_error) {
            std::cerr << "position_lag_bench: cannot open " << wave << "\n";
            return 1;
        }
        enum class Sink { idle, suspended, running, shared };
        struct Case {
            const char* name;
            Sink sink;
            int seek_to;
        };
        const std::vector<Case> shared_cases = {Case{"shared sink, from the start", Sink::shared, -1},
                                                Case{"shared sink, after a seek to 2000 ms", Sink::shared, 2000}};
        const std::vector<Case> own_cases = {Case{"idle sink, from the start", Sink::idle, -1},
                       Case{"idle sink, after a seek to 2000 ms", Sink::idle, 2000},
                       Case{"running sink, from the start", Sink::running, -1},
                       Case{"running sink, after a seek to 2000 ms", Sink::running, 2000},
                       Case{"suspended sink, from the start", Sink::suspended, -1}};
        for (const Case& c : shared ? shared_cases : own_cases) {
            if (server) server->keep_sink_running(c.sink == Sink::running);
            if (c.sink == Sink::idle) server->wait_for_sink_state("IDLE", 10s);
            if (c.sink == Sink::suspended) {
                // As a desktop's sink after a quiet while: the play's stream wakes it.
                server->pactl({"load-module", "module-suspend-on-idle", "timeout=1"});
                server->wait_for_sink_state("SUSPENDED", 10s);
            }
            const testing::PositionLag lag =
                testing::measure_lag_from(port, device, c.seek_to, bursts, monitor, 30s);
            if (!lag.error.empty()) failed = true;
            worst = std::max(worst, lag.worst_ms());
            std::printf("%-40s worst %4d ms  (%s)\n", c.name, lag.worst_ms(), lag.text().c_str());
        }
        port.close(device);
    }
    std::printf("position lag: worst %d ms (goal: within 50 ms)\n", worst);
    return failed ? 1 : 0;
}
