#pragma once
// A source of 16-bit signed interleaved PCM frames, read on the media worker thread by an output.

#include <cstdint>

namespace morvelin::media {

class PcmSource {
public:
    virtual ~PcmSource() = default;
    virtual int sample_rate() const = 0;
    virtual int channels() const = 0; // 1 or 2
    // Fills up to max_frames frames; returns the number of frames given, 0 at the end of the source.
    virtual std::int64_t read(std::int16_t* frames, std::int64_t max_frames) = 0;
};

} // namespace morvelin::media
