#pragma once
// RIFF WAVE files in memory: the header walk that finds the format and the start of the sound data,
// and the test for MPEG Layer III data inside a WAVE file.

#include "core/sound/sound_memory_stream.h"

#include <array>
#include <cstdint>
#include <string>

namespace morvelin {

constexpr std::uint16_t wave_format_pcm = 1;
constexpr std::uint16_t wave_format_mpeg_layer3 = 85;

// The "fmt " chunk body laid out as the Windows wave format record (little-endian), zero beyond the
// bytes the file gave.
struct WaveFormat {
    static constexpr std::size_t block_size = 147;
    std::array<std::uint8_t, block_size> block{};

    std::uint16_t format_tag() const { return u16(0); }
    std::uint16_t channels() const { return u16(2); }
    std::uint32_t samples_per_second() const { return u32(4); }
    std::uint32_t average_bytes_per_second() const { return u32(8); }
    std::uint16_t block_align() const { return u16(12); }
    std::uint16_t bits_per_sample() const { return u16(14); }

private:
    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(block[at] | block[at + 1] << 8);
    }
    std::uint32_t u32(std::size_t at) const {
        return u16(at) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
    }
};

class TWaveMemoryStream : public TSoundMemoryStream {
public:
    // Walks RIFF, WAVE, an optional "DISP" chunk, "fmt " (copied into format; a larger chunk gives
    // its first 147 bytes), then skips any chunks up to "data". On success the position is the first
    // byte of the "data" body. Otherwise error is set and 'File "<name>" is not a wave file!' is
    // shown with the error icon ("Not a wave file!" for a stream without a file name).
    void ReadWaveHeader(bool& error, WaveFormat& format);

    // After a successful ReadWaveHeader: the sound data runs from the position to the end of the
    // stream (the "data" chunk's own size is not trusted).
    std::size_t data_start() const { return position_ < data_.size() ? position_ : data_.size(); }
    std::size_t data_length() const { return data_.size() - data_start(); }
};

// ReadWaveHeader succeeds (its message shows when it does not) and the format tag is 85.
bool IsMP3CompressedWave(TWaveMemoryStream& stream);
// The same for a file, loaded first (a read error shows its message and gives false).
bool IsMP3CompressedWave(const std::string& file_name);

} // namespace morvelin
