#include "core/sound/wave_memory_stream.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <cstring>

namespace morvelin {

namespace {

using ChunkId = std::array<char, 4>;

ChunkId read_id(TSoundMemoryStream& stream) {
    ChunkId id{};
    stream.read(id.data(), id.size());
    return id;
}

bool is(const ChunkId& id, const char* text) {
    return std::memcmp(id.data(), text, 4) == 0;
}

bool is_id_character(std::uint8_t c) {
    return c >= 0x20 && c < 0x7F;
}

// RIFF pads odd-sized chunk bodies to an even length, yet some writers leave the pad byte out. After
// an odd body the pad is skipped only when it is a zero followed by something that can be a chunk id,
// so that files of either kind walk on to their next chunk.
void skip_pad(TWaveMemoryStream& stream, std::uint32_t chunk_size) {
    if (chunk_size % 2 == 0) return;
    const Bytes& b = stream.bytes();
    std::uint64_t p = stream.position();
    if (p + 5 <= b.size() && b[p] == 0 && std::all_of(b.begin() + p + 1, b.begin() + p + 5, is_id_character))
        stream.seek(1, SeekOrigin::current);
}

void skip_body(TWaveMemoryStream& stream, std::uint32_t size) {
    stream.seek(size, SeekOrigin::current);
    skip_pad(stream, size);
}

} // namespace

void TWaveMemoryStream::ReadWaveHeader(bool& error, WaveFormat& format) {
    error = false;
    format = WaveFormat{};
    bool passes = false;
    if (!data_.empty()) {
        position_ = 0;
        ChunkId riff = read_id(*this);
        read_u32(); // the RIFF size: the walk below goes by the stream's own size
        ChunkId form = read_id(*this);

        std::uint64_t before = position_;
        if (is(read_id(*this), "DISP"))
            skip_body(*this, read_u32());
        else
            position_ = before;

        ChunkId fmt = read_id(*this);
        std::uint32_t fmt_size = read_u32();
        std::size_t copied =
            read(format.block.data(), std::min<std::uint32_t>(fmt_size, WaveFormat::block_size));
        // A larger "fmt " chunk keeps its first bytes; the rest is skipped like any chunk body.
        seek(fmt_size - copied, SeekOrigin::current);
        skip_pad(*this, fmt_size);

        while (position_ < data_.size()) {
            ChunkId chunk = read_id(*this);
            if (is(chunk, "fact")) {
                seek(8, SeekOrigin::current);
            } else if (is(chunk, "data")) {
                seek(-4, SeekOrigin::current);
                break;
            } else {
                skip_body(*this, read_u32());
            }
        }

        ChunkId data = read_id(*this);
        read_u32();
        passes = is(riff, "RIFF") && is(form, "WAVE") && is(fmt, "fmt ") && is(data, "data");
    }
    if (passes) return;
    error = true;
    show_message(file_name.empty() ? std::string("Not a wave file!")
                                   : "File \"" + message_text_from_path(file_name) + "\" is not a wave file!",
                 mb::icon_error);
}

bool IsMP3CompressedWave(TWaveMemoryStream& stream) {
    bool error = false;
    WaveFormat format;
    stream.ReadWaveHeader(error, format);
    return !error && format.format_tag() == wave_format_mpeg_layer3;
}

bool IsMP3CompressedWave(const std::string& file_name) {
    TWaveMemoryStream stream;
    bool error = false;
    stream.LoadSoundFile(file_name, error);
    return !error && IsMP3CompressedWave(stream);
}

} // namespace morvelin
