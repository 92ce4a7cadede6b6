#include "core/sound/sound_memory_stream.h"

#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/utilities.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

namespace morvelin {

std::size_t TSoundMemoryStream::read(void* buffer, std::size_t count) {
    if (position_ >= data_.size()) return 0;
    std::size_t n = std::min<std::uint64_t>(count, data_.size() - position_);
    std::memcpy(buffer, data_.data() + position_, n);
    position_ += n;
    return n;
}

std::uint32_t TSoundMemoryStream::read_u32() {
    std::uint8_t b[4] = {0, 0, 0, 0};
    read(b, 4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void TSoundMemoryStream::write(const void* buffer, std::size_t count) {
    if (count == 0) return;
    std::uint64_t end = position_ + count;
    if (end > data_.size()) data_.resize(end);
    std::memcpy(data_.data() + position_, buffer, count);
    position_ = end;
}

std::uint64_t TSoundMemoryStream::seek(std::int64_t offset, SeekOrigin origin) {
    std::uint64_t base = origin == SeekOrigin::begin     ? 0
                         : origin == SeekOrigin::current ? position_
                                                         : data_.size();
    if (offset < 0) {
        std::uint64_t back = offset == std::numeric_limits<std::int64_t>::min()
                                 ? std::uint64_t{1} << 63
                                 : static_cast<std::uint64_t>(-offset);
        position_ = back > base ? 0 : base - back;
    } else {
        // Skips come from 32-bit sizes in the files, so this cannot wrap for any real position.
        position_ = base + static_cast<std::uint64_t>(offset);
    }
    return position_;
}

void TSoundMemoryStream::set_size(std::size_t size) {
    data_.resize(size);
    position_ = std::min<std::uint64_t>(position_, size);
}

void TSoundMemoryStream::assign(Bytes bytes) {
    data_ = std::move(bytes);
    position_ = 0;
}

bool TSoundMemoryStream::load_from_file(const std::string& path) {
    std::error_code ec;
    FileHandle file = open_regular_file(path);
    if (!file) return false;
    try {
        Bytes bytes;
        auto expected = std::filesystem::file_size(path, ec);
        if (!ec) bytes.resize(expected);
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
        // A file that grew since it was measured is read to its end.
        std::uint8_t more[65536];
        while (std::size_t n = std::fread(more, 1, sizeof more, file.get()))
            bytes.insert(bytes.end(), more, more + n);
        if (std::ferror(file.get())) return false;
        assign(std::move(bytes));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool TSoundMemoryStream::save_to_file(const std::string& path) const {
    try {
        return write_file_atomically(path, std::string(data_.begin(), data_.end()));
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void TSoundMemoryStream::LoadSoundFile(const std::string& name, bool& error) {
    error = false;
    file_name = name;
    if (load_from_file(name)) return;
    error = true;
    show_message((edition().language_spanish ? "Error leyendo archivo " : "Error reading file ") +
                     message_text_from_path(name),
                 mb::icon_error);
}

} // namespace morvelin
