// Containers from the fuzzer: reading never touches memory out of bounds or hangs, and a successful
// read fills exactly the announced size. The input also serves as data: compressing it and reading
// the container back must give it unchanged.

#include "core/foundation/lzw.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    CompressedRead read = read_compressed_data_into_memory(data, size, true);
    if (read.error == lzw::error_none) {
        fuzzing::require(read.block.size() >= 2 && read.block[0] == 'C' && read.block[1] == 'F',
                         "no CF prefix");
        std::string size_text(reinterpret_cast<const char*>(data) + 52, 11);
        size_text = size_text.c_str();
        fuzzing::require(read.block.size() == std::strtoull(size_text.c_str(), nullptr, 10) + 2,
                         "block size differs from the header");
    } else {
        fuzzing::require(read.block.empty(), "failed read returned data");
        fuzzing::require(read.error >= lzw::error_open && read.error <= lzw::error_corrupt,
                         "unknown error code");
    }

    Bytes container = make_compressed_container(data, size);
    CompressedRead back = read_compressed_data_into_memory(container.data(), container.size(), true);
    fuzzing::require(back.error == lzw::error_none, "own container refused");
    fuzzing::require(back.block.size() == size + 2 && std::equal(data, data + size, back.block.begin() + 2),
                     "round trip changed the data");
    return 0;
}
