#include "core/foundation/scrambled_stream.h"

#include "core/foundation/codec.h"
#include "core/foundation/scramble_keys.h"

#include <algorithm>
#include <cstring>

namespace morvelin {

namespace {

constexpr std::size_t marker_length = 9;

bool starts_with(const Bytes& bytes, std::string_view marker) {
    return bytes.size() >= marker.size() && std::memcmp(bytes.data(), marker.data(), marker.size()) == 0;
}

// Both layers are XOR streams, so one routine scrambles and descrambles. Positions count from the
// start of the file, marker included; the marker itself is left alone.
void apply_layer(Bytes& file, PictureScrambling scrambling) {
    if (scrambling == PictureScrambling::scrambled) {
        const auto& table = scramble_keys::picture_xor_table;
        for (std::size_t p = marker_length; p < file.size(); ++p) {
            std::size_t q = p % 4096;
            file[p] ^= table[((q + 3) * (q + 7)) % 64];
        }
        return;
    }
    ScrambleGenerator generator(scramble_keys::scramble2_constant - static_cast<std::uint32_t>(file.size()));
    std::size_t p = marker_length;
    while (p < file.size()) {
        std::string digits = std::to_string(generator.draw());
        for (int round = 0; round < 2; ++round)
            for (char digit : digits) {
                if (p == file.size()) return;
                file[p++] ^= static_cast<std::uint8_t>(digit);
            }
    }
}

} // namespace

bool TOptionallyScrambleMemoryStream::load_from_file(const std::string& path) {
    std::optional<Bytes> bytes = read_byte_file(path);
    if (!bytes) {
        data_.clear();
        was_scrambled_ = false;
        return false;
    }
    load_from_memory(std::move(*bytes));
    return true;
}

void TOptionallyScrambleMemoryStream::load_from_memory(Bytes bytes) {
    data_ = std::move(bytes);
    was_scrambled_ = false;
    if (data_.size() <= marker_length) return;
    PictureScrambling scrambling;
    if (starts_with(data_, scrambled_marker))
        scrambling = PictureScrambling::scrambled;
    else if (starts_with(data_, scramble2_marker))
        scrambling = PictureScrambling::scramble2;
    else
        return;
    apply_layer(data_, scrambling);
    data_.erase(data_.begin(), data_.begin() + marker_length);
    was_scrambled_ = scrambling == PictureScrambling::scrambled;
}

Bytes scramble_picture(const Bytes& picture, PictureScrambling scrambling) {
    if (picture.empty()) return {};
    std::string_view marker =
        scrambling == PictureScrambling::scrambled ? scrambled_marker : scramble2_marker;
    Bytes file(marker.begin(), marker.end());
    file.insert(file.end(), picture.begin(), picture.end());
    apply_layer(file, scrambling);
    return file;
}

} // namespace morvelin
