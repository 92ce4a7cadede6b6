#include "core/foundation/byte_files.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace morvelin {

std::optional<Bytes> read_byte_file(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return std::nullopt;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
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
