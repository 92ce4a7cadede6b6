#pragma once
// Whole binary files in memory: the picture, map and container readers load files this way.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

using Bytes = std::vector<std::uint8_t>;

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// An existing regular file (symbolic links followed) opened for binary reading; empty, with errno set,
// when it cannot be opened or is a folder, a pipe or a device: reading a pipe or a terminal could wait
// forever and a device could never end. Every file the program reads from a disc is opened this way.
FileHandle open_regular_file(const std::string& path);

// The whole file; no value when it does not exist, is no regular file, or cannot be read to its end.
std::optional<Bytes> read_byte_file(const std::string& path);

} // namespace morvelin
