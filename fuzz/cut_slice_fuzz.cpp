// Slices from the fuzzer: the first 9 bytes choose the slice (start and length in milliseconds,
// repeat count) and the rest is the MPEG data, as a WAVE file's data would be handed over (no
// stripping). CutSlice never reads out of bounds or loops; a slice it cuts is a run of whole frames
// taken from the data; repeating and tagging it give a stream that loads back to the repeated slice.

#include "fuzz_harness.h"
#include "core/sound/mp3_memory_stream.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace morvelin;

namespace {

std::uint32_t u32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool whole_frames(const Bytes& bytes) {
    std::size_t p = 0;
    while (p < bytes.size()) {
        if (bytes.size() - p < 4) return false;
        auto header = parse_mp3_frame_header(&bytes[p]);
        if (!header || header->length > bytes.size() - p) return false;
        p += header->length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    if (size < 9) return 0;
    const double start = u32(data) / 1000.0;
    const double length = u32(data + 4) / 1000.0;
    const int repeat = data[8] % 4;
    const std::uint8_t* audio = data + 9;
    const std::size_t audio_size = size - 9;

    TMP3MemoryStream stream(audio, audio_size);
    fuzzing::require(stream.CutSlice(start, length), "CutSlice reported a failure");
    fuzzing::require(stream.position() == 0, "position not at the start");
    const Bytes slice = stream.bytes();
    const bool cut = slice.size() != audio_size || !std::equal(slice.begin(), slice.end(), audio);
    if (cut) {
        fuzzing::require(!slice.empty() && whole_frames(slice), "a cut slice is not whole frames");
        fuzzing::require(std::search(audio, audio + audio_size, slice.begin(), slice.end()) !=
                             audio + audio_size,
                         "the slice is not a run of the data");
    }

    fuzzing::require(stream.RepeatContents(repeat), "a small repeat failed");
    fuzzing::require(stream.size() == slice.size() * (repeat + 1), "repeat gave the wrong size");
    Mp3TagTexts texts;
    texts.title.assign(reinterpret_cast<const char*>(audio), std::min<std::size_t>(audio_size, 40));
    fuzzing::require(stream.WriteID3v2Tag(texts, {}, static_cast<int>(u32(data))), "tag refused");
    const std::uint64_t tag_length = id3v2_audio_start(stream.memory(), stream.size());
    fuzzing::require(tag_length >= id3v2_padded_length &&
                         stream.size() == tag_length + slice.size() * (repeat + 1),
                     "tag size field disagrees with the tag");
    if (cut) {
        stream.strip_to_frames();
        Bytes repeated;
        for (int i = 0; i <= repeat; ++i)
            repeated.insert(repeated.end(), slice.begin(), slice.end());
        fuzzing::require(stream.bytes() == repeated, "the tagged slice does not load back");
    }
    return 0;
}
