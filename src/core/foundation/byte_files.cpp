#include "core/foundation/byte_files.h"

namespace morvelin {

// open_regular_file is in posix_files.cpp, with the other file calls to the system.

std::optional<Bytes> read_byte_file(const std::string& path) {
    FileHandle file = open_regular_file(path);
    if (!file) return std::nullopt;
    Bytes bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.insert(bytes.end(), buffer, buffer + got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

} // namespace morvelin
