#pragma once
// Whole binary files in memory: the picture, map and container readers load files this way.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

using Bytes = std::vector<std::uint8_t>;

// The whole file; no value when it does not exist, is a folder, or cannot be read to its end.
std::optional<Bytes> read_byte_file(const std::string& path);

} // namespace morvelin
