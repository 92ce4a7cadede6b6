#pragma once
// Decodes a sound file (WAV with PCM or MPEG Layer III inside, MP3, WMA, anything FFmpeg reads) to
// 16-bit PCM with sample-exact positions: position n is the n-th sample the decoder puts out when
// decoding from the start. A seek decodes from shortly before the target and drops the samples
// before it by their timestamps, so a read after seek(n) gives the same samples as reading from 0
// and skipping n. Not thread-safe: one thread uses a decoder at a time.

#include "platform/media/pcm_source.h"

#include <cstdint>
#include <memory>
#include <string>

namespace morvelin::media {

class SoundDecoder final : public PcmSource {
public:
    SoundDecoder();
    ~SoundDecoder() override;
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // Opens the file; returns an MCI error number: 0, err_file_not_found (missing or unreadable),
    // err_invalid_file (not a sound file, not RIFF WAVE when riff_wave_only, damaged, or empty),
    // err_wave_outputsunsuitable (a sound file whose coding no decoder handles).
    int open(const std::string& path, bool riff_wave_only);

    int sample_rate() const override;
    int channels() const override;
    std::int64_t length_samples() const; // per channel

    // Moves the read position to sample n (clamped to the length).
    void seek(std::int64_t sample);
    // Reads decoded frames from the read position. A damaged stretch in the middle of a file reads
    // as silence of its length, so that later positions stay where they belong.
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override;
    // The sample the next read begins with.
    std::int64_t position() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Milliseconds and samples: a whole millisecond maps to the first sample that lies at or after it,
// so that converting back gives the same millisecond.
std::int64_t samples_of_ms(std::int64_t ms, int sample_rate);
std::int64_t ms_of_samples(std::int64_t samples, int sample_rate);

} // namespace morvelin::media
