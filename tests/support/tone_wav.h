#pragma once
// 16-bit PCM WAV files of pure tones written by the test itself: one tone per part, parts one after
// the other, the same samples in every channel.

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace morvelin::testing {

struct TonePart {
    double hz;
    double seconds;
};

inline std::vector<std::uint8_t> tone_wav_bytes(const std::vector<TonePart>& parts, int rate = 44100, int channels = 1,
                                                double amplitude = 0.5) {
    std::vector<std::int16_t> samples;
    for (const TonePart& part : parts) {
        const auto n = std::int64_t(part.seconds * rate);
        for (std::int64_t i = 0; i < n; ++i) {
            const auto value = std::int16_t(std::lround(amplitude * 32767 * std::sin(2 * std::numbers::pi * part.hz * i / rate)));
            for (int c = 0; c < channels; ++c) samples.push_back(value);
        }
    }
    std::vector<std::uint8_t> bytes;
    auto put = [&bytes](std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
    };
    auto tag = [&bytes](const char* text) {
        for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(text[i]));
    };
    const auto data_size = std::uint32_t(samples.size() * 2);
    tag("RIFF");
    put(36 + data_size, 4);
    tag("WAVE");
    tag("fmt ");
    put(16, 4);
    put(1, 2);
    put(std::uint32_t(channels), 2);
    put(std::uint32_t(rate), 4);
    put(std::uint32_t(rate * channels * 2), 4);
    put(std::uint32_t(channels * 2), 2);
    put(16, 2);
    tag("data");
    put(data_size, 4);
    for (std::int16_t s : samples) put(std::uint16_t(s), 2);
    return bytes;
}

inline void write_tone_wav(const std::string& path, const std::vector<TonePart>& parts, int rate = 44100,
                           int channels = 1, std::size_t keep_bytes = SIZE_MAX) {
    const auto bytes = tone_wav_bytes(parts, rate, channels);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(std::min(bytes.size(), keep_bytes)));
}

} // namespace morvelin::testing
