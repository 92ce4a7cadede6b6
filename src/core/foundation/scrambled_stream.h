#pragma once
// Picture files that may be stored scrambled. A file longer than 9 bytes that begins with one of the
// two 9-byte markers holds the scrambled picture after the marker:
// - "Scrambled": each byte is XORed with an entry of a fixed 64-byte table chosen by its position;
// - "Scramble2": the bytes are XORed with the decimal digits of a random-number stream whose seed
//   depends on the file length.
// Any other file is the picture itself.

#include "core/foundation/byte_files.h"

#include <string>
#include <string_view>

namespace morvelin {

inline constexpr std::string_view scrambled_marker = "Scrambled";
inline constexpr std::string_view scramble2_marker = "Scramble2";

enum class PictureScrambling { scrambled, scramble2 };

class TOptionallyScrambleMemoryStream {
public:
    // Loads the whole file and removes the scrambling layer. False (and an empty stream) when the file
    // does not exist or cannot be read; no message.
    bool load_from_file(const std::string& path);
    // The same on bytes already in memory.
    void load_from_memory(Bytes bytes);

    const Bytes& data() const { return data_; }
    Bytes take_data() { return std::move(data_); }
    // True only for the "Scrambled" marker; "Scramble2" and plain files give false.
    bool was_scrambled() const { return was_scrambled_; }

private:
    Bytes data_;
    bool was_scrambled_ = false;
};

// The stored form of a picture: the marker followed by the scrambled bytes. An empty picture is
// stored as it is, since a lone marker would read back as a 9-byte plain file.
Bytes scramble_picture(const Bytes& picture, PictureScrambling scrambling);

} // namespace morvelin
