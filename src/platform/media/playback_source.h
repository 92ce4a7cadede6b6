#pragma once
// A recording played slowed down, time-stretched or an octave down (PlaybackMode), optionally looping
// a section of it until stopped. Tape speeds resample with a windowed-sinc interpolator, so that every
// frequency drops with the speed; time-stretch and the octave down use Rubber Band in real time.
//
// Positions stay in recording time: recording_position() maps the frames an output has played back
// to the recording frame they came from, through the speed and the loop's restarts.

#include "core/sound/media_port.h"
#include "platform/media/pcm_source.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace morvelin::media {

class PlaybackSource final : public PcmSource {
public:
    // Gives the recording's frames [from, to) at its sample rate and channel count; null when they
    // cannot be read. Called again on the reading thread at every turn of a loop.
    using Opener = std::function<std::unique_ptr<PcmSource>(std::int64_t from, std::int64_t to)>;
    struct Loop {
        std::int64_t from = 0;
        std::int64_t to = 0;
    };

    // Plays [from, to); with a loop (from before to) a start inside it plays to its end and then the
    // loop over and over, any other start plays the loop from its beginning. Fails (ok() false) when
    // the first opening does.
    PlaybackSource(Opener open, std::int64_t from, std::int64_t to, PlaybackMode mode, std::optional<Loop> loop);
    ~PlaybackSource() override;
    PlaybackSource(const PlaybackSource&) = delete;
    PlaybackSource& operator=(const PlaybackSource&) = delete;

    bool ok() const;
    int sample_rate() const override;
    int channels() const override;
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override;

    // The recording frame heard as frame number `played` of the output (from 0). Any thread.
    std::int64_t recording_position(std::int64_t played) const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace morvelin::media
