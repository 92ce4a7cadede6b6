// MP3 files from the fuzzer: stripping the tags and walking the frames never reads out of bounds or
// loops, and leaves a run of whole frames taken unchanged from the file, from where the audio begins
// behind a leading ID3v2 tag. Stripping again changes nothing.

#include "fuzz_harness.h"
#include "core/sound/mp3_memory_stream.h"

#include <algorithm>
#include <cstdint>

using namespace morvelin;

namespace {

// The stream is nothing but whole frames, one after another.
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
    TMP3MemoryStream stream;
    stream.assign(Bytes(data, data + size));
    stream.strip_to_frames();
    const Bytes& frames = stream.bytes();
    fuzzing::require(stream.position() == 0, "position not at the start");
    fuzzing::require(whole_frames(frames), "stripped stream is not whole frames");
    const std::uint64_t start = std::min<std::uint64_t>(id3v2_audio_start(data, size), size);
    fuzzing::require(start + frames.size() <= size && std::equal(frames.begin(), frames.end(), data + start),
                     "frames are not the file's bytes behind the tag");
    // The run is unbroken: no whole frame follows it.
    const std::uint64_t after = start + frames.size();
    TMP3MemoryStream rest(data + after, size - after);
    fuzzing::require(!rest.walk_frame(), "a frame after the run was dropped");

    Bytes before = frames;
    stream.strip_to_frames();
    fuzzing::require(stream.bytes() == before, "stripping twice changed the stream");
    return 0;
}
