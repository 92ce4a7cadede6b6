#pragma once
// Where decoded sound goes: the sound server through Qt Multimedia's QAudioSink, or a null output
// that takes the samples in real time when there is no output device (or MORVELIN_AUDIO_OUTPUT=null).
// An output pulls from its source on the media worker thread, which needs a Qt event loop; it
// counts the frames that have been heard, so positions follow the sound, not the decoding.

#include "platform/media/pcm_source.h"

#include <cstdint>
#include <memory>

namespace morvelin::media {

class AudioOutput {
public:
    enum class Start { started, no_device, unsuitable_format };

    virtual ~AudioOutput() = default;
    // Starts pulling frames from the source, which must outlive the output or its stop().
    virtual Start start(PcmSource& source) = 0;
    virtual void stop() = 0;
    // Frames heard since start.
    virtual std::int64_t played_frames() = 0;
    // The source has run dry and every frame it gave has been heard.
    virtual bool finished() = 0;
    // Lets the output do its periodic work; the owner calls it every few tens of milliseconds.
    virtual void poll() {}
};

// An output on the system's default sound device, or a null output when there is none or when
// MORVELIN_AUDIO_OUTPUT is "null". Call on the media worker thread.
std::unique_ptr<AudioOutput> make_audio_output();
std::unique_ptr<AudioOutput> make_null_output();

} // namespace morvelin::media
