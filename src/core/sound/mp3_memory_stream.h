#pragma once
// MP3 data in memory: MPEG-1 Layer III frames found by walking their headers, cut into time slices,
// repeated and given an ID3v2.3 tag. No audio is decoded.

#include "core/sound/id3_tag.h"
#include "core/sound/sound_memory_stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace morvelin {

// One accepted frame header: sync, MPEG-1, Layer III, bitrate index 1..14, sampling-rate index 0..2.
// Free-format (bitrate index 0) and the reserved indexes are refused, so every accepted frame has a
// length of at least 96 bytes and a walk always advances.
struct Mp3FrameHeader {
    int bitrate_kbps = 0;
    int sampling_rate = 0;  // Hz
    int padding = 0;        // 0 or 1
    std::size_t length = 0; // bytes, header included
};
// Reads the four header bytes at data.
std::optional<Mp3FrameHeader> parse_mp3_frame_header(const std::uint8_t* data);

class TMP3MemoryStream : public TSoundMemoryStream {
public:
    TMP3MemoryStream() = default;
    // A copy of the bytes, as they are (no stripping).
    TMP3MemoryStream(const std::uint8_t* data, std::size_t length);

    // The base load, then strip_to_frames(). Afterwards the stream holds nothing but consecutive
    // frames (possibly none), position 0.
    void LoadSoundFile(const std::string& name, bool& error) override;

    // Keeps the unbroken run of frames that begins behind a leading ID3v2 tag; anything after the
    // run (an ID3v1 or trailing tag, garbage, a cut-off frame, and every frame after such bytes) is
    // dropped. Position 0.
    void strip_to_frames();

    // Keeps the frames that cover [start, start + length] seconds, measured with the frame duration
    // of the first frame: the frame holding the start, through the frame that straddles the end
    // (whole). A start beyond the last frame keeps everything from the first frame on. Walks from
    // position 0; leaves the position at 0 when something was cut. Always true.
    virtual bool CutSlice(double start, double length);

    // The contents become n + 1 copies of themselves; n below 1 changes nothing. False, and nothing
    // changed, when the result would pass max_repeated_size or not fit in memory.
    bool RepeatContents(int n);
    // 1 GiB: some 18 hours at 128 kbit/s, far beyond any disc, yet a damaged play list's repeat
    // count cannot exhaust the memory.
    static constexpr std::uint64_t max_repeated_size = std::uint64_t{1} << 30;

    // Puts the ID3v2.3 tag of build_id3v2_tag() in front of the contents; position 0. False, and
    // nothing changed, when the texts are too long for a tag.
    bool WriteID3v2Tag(const Mp3TagTexts& texts, LanguageFlags language, int species_number);

    // One step of the frame walk from the position: true, and the position behind the frame, when a
    // header is accepted there and the whole frame lies within the stream; otherwise false and the
    // position stays. A step that reads a header while first_frame is set takes the frame duration
    // from it; every step clears first_frame.
    bool walk_frame();

    bool first_frame = false;
    double frame_duration = 0; // seconds: 1152 / the first frame's sampling rate
};

} // namespace morvelin
