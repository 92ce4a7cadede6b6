// WAVE headers from the fuzzer: the header walk never reads out of bounds or loops, and a header it
// accepts really begins with RIFF and WAVE and leaves the data start within the file. The test for
// MPEG data inside agrees with the format tag it found.

#include "fuzz_harness.h"
#include "core/sound/wave_memory_stream.h"

#include <cstdint>
#include <cstring>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    TWaveMemoryStream stream;
    stream.assign(Bytes(data, data + size));
    bool error = true;
    WaveFormat format;
    stream.ReadWaveHeader(error, format);
    fuzzing::require(stream.data_start() + stream.data_length() == size, "data runs past the file");
    if (!error) {
        fuzzing::require(size >= 24 && std::memcmp(data, "RIFF", 4) == 0 &&
                             std::memcmp(data + 8, "WAVE", 4) == 0,
                         "accepted a file that is no RIFF WAVE file");
        fuzzing::require(stream.data_start() >= 24, "data inside the RIFF header");
        fuzzing::require(std::memcmp(data + stream.data_start() - 8, "data", 4) == 0 ||
                             stream.data_start() == size,
                         "data start not behind a data chunk header");
    }
    bool mpeg = IsMP3CompressedWave(stream);
    fuzzing::require(mpeg == (!error && format.format_tag() == wave_format_mpeg_layer3),
                     "second walk disagrees with the first");
    return 0;
}
