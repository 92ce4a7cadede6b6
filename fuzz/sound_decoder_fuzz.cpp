// Sound files from the fuzzer through the FFmpeg decoding wrapper, as the players open them: as a RIFF
// WAVE file or with any format. A file that opens has a rate, channels and a length, decodes to its end
// without going past it, and seeks back to its start. Built with FFmpeg.

#include "core/sound/media_port.h"
#include "fuzz_folder.h"
#include "fuzz_harness.h"
#include "platform/media/sound_decoder.h"

#include <cstdint>
#include <string_view>
#include <vector>

using namespace morvelin;
using morvelin::media::SoundDecoder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    if (size == 0) return 0;
    // The first byte chooses the opening; the rest is the file.
    const bool riff_wave_only = data[0] & 1;
    const std::string path =
        fuzzing::write_private_file("sound", std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
    SoundDecoder decoder;
    if (decoder.open(path, riff_wave_only) != mci::no_error) return 0;
    fuzzing::require(decoder.sample_rate() > 0 && decoder.channels() >= 1 && decoder.channels() <= 2,
                     "an opened file without rate or channels");
    fuzzing::require(decoder.length_samples() > 0, "an opened file without length");
    std::vector<std::int16_t> frames(4096 * 2);
    // Bounded: a damaged header may claim hours of sound.
    for (int blocks = 0; blocks < 2000; ++blocks) {
        const std::int64_t got = decoder.read(frames.data(), 4096);
        fuzzing::require(got >= 0 && got <= 4096, "a read of another size");
        if (got == 0) break;
    }
    decoder.seek(0);
    fuzzing::require(decoder.position() == 0, "a seek to the start went elsewhere");
    decoder.read(frames.data(), 4096);
    return 0;
}
