#pragma once
// Sound data for the stream tests, built byte by byte where exact bytes matter, and real MP3 files
// made by ffmpeg (libmp3lame) where another program's view is the point.

#include "core/foundation/byte_files.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace morvelin::testing {

// Header bytes 1 and 2 of MPEG-1 Layer III frames at 128 kbit/s.
constexpr std::uint8_t mp3_b1 = 0xFB;          // no CRC
constexpr std::uint8_t b2_44100 = 0x90;        // 417 bytes
constexpr std::uint8_t b2_44100_padded = 0x92; // 418 bytes
constexpr std::uint8_t b2_48000 = 0x94;        // 384 bytes
constexpr std::uint8_t b2_32000 = 0x98;        // 576 bytes

inline std::size_t frame_length(std::uint8_t b2) {
    switch (b2) {
    case b2_44100:
        return 417;
    case b2_44100_padded:
        return 418;
    case b2_48000:
        return 384;
    case b2_32000:
        return 576;
    }
    ADD_FAILURE() << "no length known for byte 2 = " << int(b2);
    return 4;
}

// One frame whose body tells its index, so a test can see which frames a cut kept.
inline Bytes frame(int index, std::uint8_t b2 = b2_44100) {
    Bytes f(frame_length(b2), static_cast<std::uint8_t>(index));
    f[0] = 0xFF;
    f[1] = mp3_b1;
    f[2] = b2;
    f[3] = 0xC4;
    f[4] = static_cast<std::uint8_t>(index >> 8);
    return f;
}

inline Bytes frames(int first, int count, std::uint8_t b2 = b2_44100) {
    Bytes out;
    for (int i = first; i < first + count; ++i) {
        Bytes f = frame(i, b2);
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

inline Bytes bytes_of(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline void put_u32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// An ID3v2.3 tag whose body is size bytes of text; footer adds the flag and the 10 footer bytes.
inline Bytes id3v2(std::uint32_t size, bool footer = false) {
    Bytes t = {'I', 'D', '3', 3, 0, static_cast<std::uint8_t>(footer ? 16 : 0)};
    for (int i = 3; i >= 0; --i)
        t.push_back(static_cast<std::uint8_t>((size >> (7 * i)) & 0x7F));
    t.resize(t.size() + size, 'x');
    if (footer) t = t + bytes_of(std::string_view("3DI\x03\x00\x10\x00\x00\x00\x00", 10));
    return t;
}

inline Bytes id3v1() {
    Bytes t = bytes_of("TAG");
    t.resize(128, 'y');
    return t;
}

// A RIFF chunk; pad adds the zero byte after an odd body.
inline Bytes chunk(std::string_view id, const Bytes& body, bool pad = true) {
    Bytes c = bytes_of(id);
    put_u32(c, static_cast<std::uint32_t>(body.size()));
    c = c + body;
    if (pad && body.size() % 2) c.push_back(0);
    return c;
}

inline Bytes riff_wave(const Bytes& chunks) {
    Bytes w = bytes_of("RIFF");
    put_u32(w, static_cast<std::uint32_t>(chunks.size() + 4));
    return w + bytes_of("WAVE") + chunks;
}

inline void put_u16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

// The 16-byte PCM format: mono, 8000 Hz, 16 bits.
inline Bytes pcm_format() {
    Bytes f;
    put_u16(f, 1);     // PCM
    put_u16(f, 1);     // channels
    put_u32(f, 8000);  // samples per second
    put_u32(f, 16000); // bytes per second
    put_u16(f, 2);     // block align
    put_u16(f, 16);    // bits per sample
    return f;
}

// The 30-byte MPEG Layer III format of a mono 44100 Hz 128 kbit/s stream.
inline Bytes mpeg_format() {
    Bytes f;
    put_u16(f, 85);    // MPEG Layer III
    put_u16(f, 1);     // channels
    put_u32(f, 44100); // samples per second
    put_u32(f, 16000); // bytes per second
    put_u16(f, 1);     // block align
    put_u16(f, 0);     // bits per sample
    put_u16(f, 12);    // extra bytes
    put_u16(f, 1);     // id
    put_u32(f, 2);     // flags
    put_u16(f, 417);   // block size
    put_u16(f, 1);     // frames per block
    put_u16(f, 1393);  // codec delay
    return f;
}

// A WAVE file with MPEG Layer III data: "fmt ", "fact", "data".
inline Bytes mpeg_wave(const Bytes& mpeg_data) {
    Bytes fact;
    put_u32(fact, 44100);
    return riff_wave(chunk("fmt ", mpeg_format()) + chunk("fact", fact) + chunk("data", mpeg_data));
}

inline std::string as_string(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// Runs a shell command line; its exit status.
inline int run(const std::string& command) {
    return std::system(command.c_str());
}

inline std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

// Encodes seconds of a tone to an MP3 file (44100 Hz, mono, 128 kbit/s CBR) with ffmpeg; extra
// arguments go before the output (tags, ID3 versions). Fails the test when ffmpeg fails.
inline void make_mp3_with_ffmpeg(const std::string& path, double seconds, const std::string& extra = "") {
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i sine=frequency=440:"
                          "sample_rate=44100:duration=" +
                          std::to_string(seconds) + " -ac 1 -c:a libmp3lame -b:a 128k " + extra + " " +
                          quoted(path);
    ASSERT_EQ(run(command), 0) << "ffmpeg (Debian package ffmpeg) is needed: " << command;
}

} // namespace morvelin::testing
