// Picture files from the fuzzer: loading never fails, and scrambling the loaded picture again with
// the marker it had gives the file back.

#include "core/foundation/scrambled_stream.h"
#include "fuzz_harness.h"

#include <cstdint>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    Bytes file(data, data + size);
    TOptionallyScrambleMemoryStream stream;
    stream.load_from_memory(file);
    bool marked = size > 9 && (file[8] == 'd' || file[8] == '2') &&
                  std::string(file.begin(), file.begin() + 8) == "Scramble";
    if (!marked) {
        fuzzing::require(stream.data() == file, "unmarked file changed");
        fuzzing::require(!stream.was_scrambled(), "unmarked file reported scrambled");
        return 0;
    }
    fuzzing::require(stream.data().size() == size - 9, "marker not removed");
    PictureScrambling kind = file[8] == 'd' ? PictureScrambling::scrambled : PictureScrambling::scramble2;
    fuzzing::require(stream.was_scrambled() == (kind == PictureScrambling::scrambled),
                     "wrong scrambled flag");
    fuzzing::require(scramble_picture(stream.data(), kind) == file, "scrambling does not restore the file");
    return 0;
}
