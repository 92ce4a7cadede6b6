// Stored data files from the fuzzer: decoding any bytes never fails, decoded bytes are always 21..255,
// and encoding what was decoded decodes to the same lines again.

#include "core/foundation/codec.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <cstring>
#include <string_view>

using namespace morvelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    if (size < 5) return 0;
    std::uint32_t seed;
    std::memcpy(&seed, data, 4);
    bool scheme_b = data[4] & 1;
    std::string_view text(reinterpret_cast<const char*>(data + 5), size - 5);

    std::vector<std::string> lines = split_text_lines(text).lines;
    if (scheme_b && !lines.empty()) lines[0] = "12FGH31";
    decode_data_file_lines(lines, seed);
    for (const std::string& line : lines)
        for (char ch : line)
            fuzzing::require(static_cast<unsigned char>(ch) >= 21, "decoded byte below 21");

    auto stored = encode_data_file_lines(lines, seed, scheme_b);
    fuzzing::require(stored.has_value(), "decoded lines cannot be encoded");
    for (const std::string& line : *stored)
        for (char ch : line)
            fuzzing::require(ch != '\r' && ch != '\n', "stored line holds a line break");
    decode_data_file_lines(*stored, seed);
    fuzzing::require(*stored == lines, "encode and decode are not inverse");

    TextLines split = split_text_lines(text);
    fuzzing::require(join_text_lines(split) == text, "split and join lose bytes");
    return 0;
}
