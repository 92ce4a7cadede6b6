// Bitmap files from the fuzzer, plain or (when they begin with the container text) compressed:
// loading refuses damage without touching memory out of bounds, and every bitmap it accepts is a
// complete packed bitmap that converts to pixels and back to a file that loads the same.

#include "core/foundation/bitmap.h"
#include "fuzz_harness.h"

#include <cstdint>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    LoadedBitmap loaded = load_bitmap_from_memory(data, size, "fuzz.bmp", true);
    if (loaded.dib.empty()) {
        fuzzing::require(loaded.error != 0, "empty bitmap without an error");
        return 0;
    }
    std::optional<DibLayout> layout = parse_packed_dib(loaded.dib.data(), loaded.dib.size());
    fuzzing::require(layout.has_value(), "loaded bitmap is not a packed bitmap");
    fuzzing::require(layout->compression != bitmap::bi_rle8, "run-length encoding left in place");
    fuzzing::require(loaded.dib.size() == layout->pixel_offset() + layout->image_bytes, "packed size is off");

    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels =
        packed_dib_to_rgb32(loaded.dib.data(), loaded.dib.size(), width, height);
    fuzzing::require(pixels.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) &&
                         !pixels.empty(),
                     "pixels do not match the size");

    Bytes file = bmp_file_from_packed_dib(loaded.dib);
    LoadedBitmap again = load_bitmap_from_memory(file.data(), file.size(), "again.bmp", true);
    fuzzing::require(again.dib == loaded.dib, "written file loads differently");
    return 0;
}
