#pragma once
// Where decoded sound goes: a stream on the sound server through libpulse (PulseAudio, or PipeWire's
// PulseAudio service), or a null output that takes the samples in real time when no server answers
// (or MORVELIN_AUDIO_OUTPUT=null). An output counts the frames that have been heard, so positions
// follow the sound, not the decoding: for a server stream that is what the server has taken minus
// the latency it reports.

#include "platform/media/pcm_source.h"

#include <cstdint>
#include <memory>

namespace morvelin::media {

class AudioOutput {
public:
    enum class Start { started, no_device, unsuitable_format };

    virtual ~AudioOutput() = default;
    // Starts taking frames from the source, which must outlive the output's stop() or finished(). A
    // server output reads the source on libpulse's thread until then.
    virtual Start start(PcmSource& source) = 0;
    virtual void stop() = 0;
    // Frames heard since start.
    virtual std::int64_t played_frames() = 0;
    // The source has run dry and every frame it gave has been heard.
    virtual bool finished() = 0;
    // Lets the output do its periodic work; the owner calls it every few tens of milliseconds.
    virtual void poll() {}
};

// A connection to the sound server that libpulse's own clients (pactl) reach: $PULSE_SERVER, the
// client configuration, the user's runtime folder, and without XDG_RUNTIME_DIR the per-user folder
// in /tmp. Shared by the outputs made from it; it must outlive them.
class SoundServer {
public:
    // Null when no server answers within a second or two.
    static std::shared_ptr<SoundServer> connect();
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // The connection is still up (a server that ended leaves it failed).
    bool connected() const;

    struct Connection;

private:
    SoundServer();
    std::unique_ptr<Connection> connection_;
    friend std::unique_ptr<AudioOutput> make_server_output(const std::shared_ptr<SoundServer>& server);
};

// A stream on the server's default sink ($PULSE_SINK when set).
std::unique_ptr<AudioOutput> make_server_output(const std::shared_ptr<SoundServer>& server);
std::unique_ptr<AudioOutput> make_null_output();
// MORVELIN_AUDIO_OUTPUT is "null": never use the sound server.
bool null_output_requested();

} // namespace morvelin::media
