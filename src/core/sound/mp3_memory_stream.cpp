#include "core/sound/mp3_memory_stream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace morvelin {

std::optional<Mp3FrameHeader> parse_mp3_frame_header(const std::uint8_t* data) {
    static constexpr int bitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static constexpr int rates[4] = {44100, 48000, 32000, 0};
    // Frame sync (eleven set bits), version bits 11 (MPEG-1), layer bits 01 (Layer III); the
    // protection bit may be either.
    if (data[0] != 0xFF || (data[1] & 0xFE) != 0xFA) return std::nullopt;
    Mp3FrameHeader h;
    h.bitrate_kbps = bitrates[data[2] >> 4];
    h.sampling_rate = rates[(data[2] >> 2) & 3];
    if (h.bitrate_kbps == 0 || h.sampling_rate == 0) return std::nullopt;
    h.padding = (data[2] >> 1) & 1;
    h.length = static_cast<std::size_t>(h.bitrate_kbps) * 144000 / h.sampling_rate + h.padding;
    return h;
}

TMP3MemoryStream::TMP3MemoryStream(const std::uint8_t* data, std::size_t length) {
    data_.assign(data, data + length);
}

void TMP3MemoryStream::LoadSoundFile(const std::string& name, bool& error) {
    TSoundMemoryStream::LoadSoundFile(name, error);
    if (!error) strip_to_frames();
}

bool TMP3MemoryStream::walk_frame() {
    bool was_first = first_frame;
    first_frame = false;
    if (position_ >= data_.size() || data_.size() - position_ < 4) return false;
    auto header = parse_mp3_frame_header(data_.data() + position_);
    if (!header) return false;
    if (was_first) frame_duration = 1152.0 / header->sampling_rate;
    if (header->length > data_.size() - position_) return false;
    position_ += header->length;
    return true;
}

void TMP3MemoryStream::strip_to_frames() {
    std::uint64_t start =
        std::min<std::uint64_t>(id3v2_audio_start(data_.data(), data_.size()), data_.size());
    position_ = start;
    while (walk_frame()) {
    }
    std::uint64_t end = position_;
    position_ = 0;
    if (start == 0 && end == data_.size()) return;
    std::memmove(data_.data(), data_.data() + start, end - start);
    data_.resize(end - start);
}

bool TMP3MemoryStream::CutSlice(double start, double length) {
    // Extended precision like the times the slices were measured with.
    const long double start_time = start;
    const long double end_time = static_cast<long double>(start) + length;
    first_frame = true;
    position_ = 0;
    std::uint64_t k = 0;
    std::optional<std::uint64_t> start_offset, end_offset;
    for (;;) {
        std::uint64_t p = position_;
        bool stepped = walk_frame();
        if (stepped) ++k;
        long double walked = static_cast<long double>(k) * frame_duration;
        if (!start_offset && walked >= start_time) start_offset = p;
        if (!end_offset) {
            if (stepped && walked > end_time) end_offset = position_;
            if (!stepped) end_offset = p;
        }
        if (!stepped) break;
    }
    std::uint64_t from = start_offset.value_or(0);
    std::uint64_t to = *end_offset;
    if (to <= from) {
        position_ = 0;
        return true;
    }
    std::memmove(data_.data(), data_.data() + from, to - from);
    data_.resize(to - from);
    position_ = 0;
    return true;
}

bool TMP3MemoryStream::RepeatContents(int n) {
    const std::size_t old_size = data_.size();
    if (n < 1 || old_size == 0) return true;
    const std::uint64_t copies = static_cast<std::uint64_t>(n) + 1;
    if (copies > max_repeated_size / old_size) return false;
    try {
        data_.resize(old_size * copies);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::uint64_t i = 1; i < copies; ++i)
        std::memcpy(data_.data() + i * old_size, data_.data(), old_size);
    position_ = 0;
    return true;
}

bool TMP3MemoryStream::WriteID3v2Tag(const Mp3TagTexts& texts, LanguageFlags language, int species_number) {
    std::optional<Bytes> tag = build_id3v2_tag(texts, language, species_number);
    if (!tag) return false;
    try {
        data_.insert(data_.begin(), tag->begin(), tag->end());
    } catch (const std::bad_alloc&) {
        return false;
    }
    position_ = 0;
    return true;
}

} // namespace morvelin
