#pragma once
// The output volume of the sound server's default sink through libpulse (PulseAudio, or PipeWire's
// PulseAudio service). Device 0 and the wave mapper both mean the default sink; other devices are
// mmsyserr_baddeviceid. Without a reachable server every call gives mmsyserr_nodriver. Each call
// talks to the server and waits for the answer (a few milliseconds; at most two seconds).
//
// Halves map linearly to the sink's volume: 65535 is the sink's normal (100 %) volume. Left-side
// channels take the left half, right-side channels the right half, others the louder of the two.

#include "core/sound/media_port.h"

#include <string>

namespace morvelin {

class PulseVolume final : public VolumePort {
public:
    // server: a server address for libpulse, or empty for the default ($PULSE_SERVER or the
    // user's server).
    explicit PulseVolume(std::string server = {});

    int capabilities(int device, WaveOutCapabilities& caps) override;
    int get_volume(int device, std::uint16_t& left, std::uint16_t& right) override;
    int set_volume(int device, std::uint16_t left, std::uint16_t right) override;

private:
    std::string server_;
};

} // namespace morvelin
