#pragma once
// Sound files held whole in memory. TSoundMemoryStream is a growable byte stream with a position;
// TWaveMemoryStream (wave_memory_stream.h) and TMP3MemoryStream (mp3_memory_stream.h) add the
// parsing. Every stream lives within one operation; none is shared between threads.

#include "core/foundation/byte_files.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvelin {

enum class SeekOrigin { begin, current, end };

class TSoundMemoryStream {
public:
    TSoundMemoryStream() = default;
    virtual ~TSoundMemoryStream() = default;
    TSoundMemoryStream(const TSoundMemoryStream&) = delete;
    TSoundMemoryStream& operator=(const TSoundMemoryStream&) = delete;

    std::size_t size() const { return data_.size(); }
    // May lie beyond the end after a seek or a skip; reads there give nothing.
    std::uint64_t position() const { return position_; }
    const Bytes& bytes() const { return data_; }
    const std::uint8_t* memory() const { return data_.data(); }

    // Copies up to count bytes from the position on and moves past them; returns how many were
    // copied (0 at or beyond the end). The rest of buffer is left as it was.
    std::size_t read(void* buffer, std::size_t count);
    // Reads a little-endian 32-bit number; missing bytes count as zero.
    std::uint32_t read_u32();
    // Writes at the position and moves past the bytes; a gap beyond the old end is zero-filled.
    void write(const void* buffer, std::size_t count);
    // Moves the position; a result below 0 becomes 0, one beyond the end is kept. Returns it.
    std::uint64_t seek(std::int64_t offset, SeekOrigin origin);
    // New bytes are zero; the position is kept unless it would lie beyond the new end.
    void set_size(std::size_t size);
    // Replaces the contents; position 0.
    void assign(Bytes bytes);
    void clear() { assign({}); }

    // Replaces the contents with the whole file (a regular file, or a link to one); position 0.
    // False, contents unchanged and no message, when it cannot be read.
    bool load_from_file(const std::string& path);
    // Writes the contents as a whole or not at all (temporary file, then rename); no message.
    bool save_to_file(const std::string& path) const;

    // Loads the whole file and remembers its name for messages. On failure sets error and shows
    // "Error reading file <name>" ("Error leyendo archivo <name>" in Spanish) with the error icon.
    virtual void LoadSoundFile(const std::string& name, bool& error);

    // The name of the file last loaded; empty for a stream made in memory.
    std::string file_name;

protected:
    Bytes data_;
    std::uint64_t position_ = 0;
};

} // namespace morvelin
