#include "core/foundation/lzw.h"

#include "core/foundation/services.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string_view>

namespace morvelin {

namespace {

constexpr std::string_view format_text = "Tobran's compression format";
constexpr std::size_t text_field = 0, text_length = 41;
constexpr std::size_t version_field = 41, size_field = 52, number_length = 11;

// The text of a header field: its bytes up to the first zero.
std::string_view field_text(const std::uint8_t* header, std::size_t offset, std::size_t length) {
    const char* start = reinterpret_cast<const char*>(header + offset);
    const void* zero = std::memchr(start, 0, length);
    return {start, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : length};
}

// A decimal integer with an optional sign; the fields are at most 11 characters, so it fits.
std::optional<long long> to_number(std::string_view text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

enum class HeaderProblem { none, not_container, strange, version };

struct Header {
    HeaderProblem problem = HeaderProblem::not_container;
    long long size = 0;
};

Header parse_header(const std::uint8_t* header) {
    Header result;
    if (field_text(header, text_field, text_length).substr(0, format_text.size()) != format_text)
        return result;
    std::string version;
    for (char ch : field_text(header, version_field, number_length))
        if (ch != ' ') version += ch;
    std::optional<long long> version_number = to_number(version);
    if (!version_number) {
        result.problem = HeaderProblem::strange;
        return result;
    }
    if (*version_number > 100) {
        result.problem = HeaderProblem::version;
        return result;
    }
    // The size is the length of the block to allocate: a text that is no size is as strange as a bad
    // version.
    std::string_view size_text = field_text(header, size_field, number_length);
    while (!size_text.empty() && size_text.front() == ' ')
        size_text.remove_prefix(1);
    while (!size_text.empty() && size_text.back() == ' ')
        size_text.remove_suffix(1);
    std::optional<long long> size = to_number(size_text);
    if (!size || *size < 0) {
        result.problem = HeaderProblem::strange;
        return result;
    }
    result.problem = HeaderProblem::none;
    result.size = *size;
    return result;
}

// Bytes readable behind every kept string and writable behind every output position.
constexpr std::size_t copy_slack = 16;
static_assert(copy_slack < lzw::pause_free);

// The most bytes a code stream of this length can yield: every code unwinds at most one string of
// stack_size + 1 characters plus the character of a code being defined.
std::uint64_t most_output(std::uint64_t stream_bytes) {
    std::uint64_t codes = stream_bytes / 3 * 2 + (stream_bytes % 3 == 2 ? 1 : 0);
    return codes * (lzw::stack_size + 2);
}

class PieceSource {
public:
    virtual ~PieceSource() = default;
    // Reads up to want bytes; fewer only at the end. False on a read failure.
    virtual bool read(std::uint8_t* buffer, std::size_t want, std::size_t& got) = 0;
};

class FileSource final : public PieceSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    bool read(std::uint8_t* buffer, std::size_t want, std::size_t& got) override {
        got = std::fread(buffer, 1, want, file_);
        return !std::ferror(file_);
    }

private:
    std::FILE* file_;
};

class MemorySource final : public PieceSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
    bool read(std::uint8_t* buffer, std::size_t want, std::size_t& got) override {
        got = want < left_ ? want : left_;
        if (got) std::memcpy(buffer, data_, got);
        data_ += got;
        left_ -= got;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
};

// total_size, when known, bounds the size a header may announce.
CompressedRead read_container(PieceSource& source, std::optional<std::uint64_t> total_size,
                              bool show_messages) {
    CompressedRead result;
    auto say = [show_messages](const char* text, int flags) {
        if (show_messages) show_message(text, flags);
    };
    auto fail = [&](int error) {
        result.block.clear();
        result.block.shrink_to_fit();
        result.error = error;
        say("read_compressed_file_into_memory(): error", mb::ok);
        return std::move(result);
    };

    std::uint8_t header_bytes[lzw::header_size];
    std::size_t got = 0;
    if (!source.read(header_bytes, sizeof header_bytes, got)) {
        say("read_bytes_from_file(): read error", mb::icon_error);
        return fail(lzw::error_read);
    }
    if (got < sizeof header_bytes) return fail(lzw::error_header);
    Header header = parse_header(header_bytes);
    switch (header.problem) {
    case HeaderProblem::none:
        break;
    case HeaderProblem::not_container:
        return fail(lzw::error_header);
    case HeaderProblem::strange:
        say("strange error in compressed file!", mb::icon_error);
        return fail(lzw::error_header);
    case HeaderProblem::version:
        say("version of compressed file can not be used!", mb::icon_error);
        return fail(lzw::error_header);
    }

    // A size the stream cannot possibly yield would end as too few bytes anyway; refusing it first
    // keeps a damaged header from allocating gigabytes.
    auto expected = static_cast<std::uint64_t>(header.size);
    if (total_size && expected > most_output(*total_size - lzw::header_size)) {
        say("read_compressed_file_into_memory(): less bytes than expected!", mb::icon_error);
        return fail(lzw::error_corrupt);
    }
    try {
        result.block.assign(static_cast<std::size_t>(expected) + 2, 0);
    } catch (const std::bad_alloc&) {
        say("read_compressed_file_into_memory(): Memory Allocation Error", mb::icon_error);
        return fail(lzw::error_memory);
    } catch (const std::length_error&) {
        say("read_compressed_file_into_memory(): Memory Allocation Error", mb::icon_error);
        return fail(lzw::error_memory);
    }
    result.block[0] = 'C';
    result.block[1] = 'F';
    std::size_t filled = 2;

    auto decoder = std::make_unique<LZW_TCompressor>();
    decoder->set_show_messages(show_messages);
    decoder->expect_output(static_cast<std::size_t>(expected));
    std::uint8_t piece[lzw::piece_size];
    for (;;) {
        if (!source.read(piece, sizeof piece, got)) {
            say("read_bytes_from_file(): read error", mb::icon_error);
            return fail(lzw::error_read);
        }
        if (got == 0) break;
        bool overrun = false;
        if (decoder->begin_piece(piece, got)) {
            while (!decoder->piece_done()) {
                std::span<const std::uint8_t> out = decoder->decode_some();
                // More data than announced would not fit the block: the stream is corrupt.
                if (out.size() > result.block.size() - filled) {
                    overrun = true;
                    break;
                }
                if (!out.empty()) std::memcpy(result.block.data() + filled, out.data(), out.size());
                filled += out.size();
            }
        }
        if (overrun || decoder->error() != lzw::error_none) {
            say("read_compressed_file_into_memory(): error when decompressing", mb::icon_error);
            return fail(lzw::error_corrupt);
        }
        if (got < sizeof piece) break;
    }
    // A short stream would leave the rest of the picture blank: that is a damaged file, not a result.
    if (filled < result.block.size()) {
        say("read_compressed_file_into_memory(): less bytes than expected!", mb::icon_error);
        return fail(lzw::error_corrupt);
    }
    return result;
}

} // namespace

namespace {
// The spelled-out strings of the last decoder on this thread, kept for the next one: maps are decoded
// one after another, and fresh memory of that size costs more in page faults than the decoding itself.
thread_local std::vector<std::uint8_t> spare_strings;
constexpr std::size_t largest_spare = 1u << 20;
} // namespace

LZW_TCompressor::LZW_TCompressor() {
    strings_.swap(spare_strings);
    init_dictionary();
}

LZW_TCompressor::~LZW_TCompressor() {
    if (strings_.capacity() <= largest_spare && strings_.capacity() > spare_strings.capacity())
        spare_strings.swap(strings_);
}

void LZW_TCompressor::init_dictionary() {
    in_use_.fill(0);
    next_.fill(lzw::none);
    prefix_.fill(lzw::none);
    suffix_.fill(0);
    length_.fill(0);
    free_count_ = lzw::dictionary_size;
    strings_.clear();
    strings_end_ = 0;
    for (int s = 0; s < 256; ++s)
        keep_string(insert(lzw::none, static_cast<std::uint8_t>(s)));
    input_ = nullptr;
    input_left_ = 0;
    pending_half_ = lzw::none;
    previous_code_ = lzw::none;
    final_char_ = 0;
    error_ = lzw::error_none;
}

std::uint16_t LZW_TCompressor::placement(std::uint16_t prefix, std::uint8_t suffix,
                                         std::uint16_t& chain_end) const {
    std::uint32_t v = (static_cast<std::uint32_t>(prefix) + suffix) | 2048u;
    auto h = static_cast<std::uint16_t>(((v * v) >> 6) & 4095u);
    chain_end = lzw::none;
    if (!in_use_[h]) return h;
    std::uint16_t e = h;
    while (next_[e] != lzw::none)
        e = next_[e];
    chain_end = e;
    // Callers place only while an entry is free, so the probe ends.
    std::uint16_t p = (e + 101) & 4095;
    while (in_use_[p])
        p = (p + 1) & 4095;
    return p;
}

std::uint16_t LZW_TCompressor::insert(std::uint16_t prefix, std::uint8_t suffix) {
    std::uint16_t chain_end;
    std::uint16_t slot = placement(prefix, suffix, chain_end);
    if (chain_end != lzw::none) next_[chain_end] = slot;
    in_use_[slot] = 1;
    prefix_[slot] = prefix;
    suffix_[slot] = suffix;
    length_[slot] = prefix == lzw::none ? 1 : static_cast<std::uint16_t>(length_[prefix] + 1);
    --free_count_;
    return slot;
}

void LZW_TCompressor::expect_output(std::size_t bytes) {
    // Every entry is a string already output plus one character, so this bounds the spelled strings.
    std::size_t most = lzw::dictionary_size * (lzw::stack_size + 1);
    strings_.reserve(std::min(bytes + lzw::dictionary_size, most) + copy_slack);
}

void LZW_TCompressor::keep_string(std::uint16_t entry) {
    std::size_t length = length_[entry];
    if (length > lzw::stack_size + 1) return; // never output: refused as too long for the stack
    std::size_t at = strings_end_;
    strings_end_ += length;
    strings_.resize(strings_end_ + copy_slack);
    std::uint8_t* spelled = strings_.data() + at;
    if (length > 1) std::memcpy(spelled, strings_.data() + string_at_[prefix_[entry]], length - 1);
    spelled[length - 1] = suffix_[entry];
    string_at_[entry] = static_cast<std::uint32_t>(at);
}

// An entry is always reachable from its hash: it sits there or was linked to the end of the chain
// running through it, and links are only ever appended.
std::uint16_t LZW_TCompressor::find(std::uint16_t prefix, std::uint8_t suffix) const {
    std::uint32_t v = (static_cast<std::uint32_t>(prefix) + suffix) | 2048u;
    auto e = static_cast<std::uint16_t>(((v * v) >> 6) & 4095u);
    if (!in_use_[e]) return lzw::none;
    for (; e != lzw::none; e = next_[e])
        if (prefix_[e] == prefix && suffix_[e] == suffix) return e;
    return lzw::none;
}

void LZW_TCompressor::fail(const char* message) {
    error_ = lzw::error_corrupt;
    if (message && show_messages_) show_message(message, mb::icon_error);
}

bool LZW_TCompressor::begin_piece(const std::uint8_t* data, std::size_t size) {
    input_ = data;
    input_left_ = size;
    if (size % 3 == 1) {
        input_left_ = 0;
        fail("Compression: error 1");
        return false;
    }
    return error_ == lzw::error_none;
}

bool LZW_TCompressor::next_code(std::uint16_t& code) {
    if (pending_half_ != lzw::none) {
        code = static_cast<std::uint16_t>(pending_half_ << 8 | input_[0]);
        pending_half_ = lzw::none;
        ++input_;
        --input_left_;
        return true;
    }
    if (input_left_ < 2) {
        // A single byte at a pair boundary: only a piece of length 3k + 1 leaves one, and those are
        // refused when the piece begins.
        fail(nullptr);
        return false;
    }
    code = static_cast<std::uint16_t>(input_[0] << 4 | input_[1] >> 4);
    if (input_left_ >= 3) pending_half_ = input_[1] & 15;
    input_ += 2;
    input_left_ -= 2;
    return true;
}

std::span<const std::uint8_t> LZW_TCompressor::decode_some() {
    std::uint8_t* out = output_.data();
    std::size_t produced = 0;
    while (input_left_ > 0 && error_ == lzw::error_none) {
        if (output_.size() - produced <= lzw::pause_free) break;
        std::uint16_t code;
        if (!next_code(code)) break;
        if (previous_code_ == lzw::none) {
            if (!in_use_[code] || prefix_[code] != lzw::none) {
                fail(nullptr);
                break;
            }
            out[produced++] = suffix_[code];
            previous_code_ = code;
            final_char_ = suffix_[code];
            continue;
        }
        std::uint16_t source = code;
        bool being_defined = !in_use_[code];
        if (being_defined) {
            // Only the entry this step is about to add may be used before it exists.
            std::uint16_t chain_end;
            if (free_count_ == 0 || placement(previous_code_, final_char_, chain_end) != code) {
                fail(nullptr);
                break;
            }
            source = previous_code_;
        }
        std::size_t length = length_[source];
        if (length > lzw::stack_size + 1) {
            fail("Compression Stack full");
            break;
        }
        const std::uint8_t* spelled = strings_.data() + string_at_[source];
        // Most strings are short: one fixed-size copy (the slack behind both buffers allows it) beats a
        // call with a length.
        if (length <= copy_slack)
            std::memcpy(out + produced, spelled, copy_slack);
        else
            std::memcpy(out + produced, spelled, length);
        std::uint8_t first = spelled[0];
        produced += length;
        if (being_defined) out[produced++] = final_char_;
        if (free_count_ > 0) keep_string(insert(previous_code_, first));
        previous_code_ = code;
        final_char_ = first;
    }
    return {out, produced};
}

Bytes LZW_TCompressor::compress(const std::uint8_t* data, std::size_t size, std::size_t max_string) {
    Bytes stream;
    if (size == 0) return stream;
    stream.reserve(size / 2 + 16);
    auto dictionary = std::make_unique<LZW_TCompressor>();
    LZW_TCompressor& d = *dictionary;
    std::array<std::uint16_t, 256> roots;
    for (int s = 0; s < 256; ++s)
        roots[s] = d.find(lzw::none, static_cast<std::uint8_t>(s));

    std::uint16_t half = lzw::none;
    auto emit = [&](std::uint16_t code) {
        if (half == lzw::none) {
            half = code;
            return;
        }
        stream.push_back(static_cast<std::uint8_t>(half >> 4));
        stream.push_back(static_cast<std::uint8_t>((half & 15) << 4 | code >> 8));
        stream.push_back(static_cast<std::uint8_t>(code & 255));
        half = lzw::none;
    };

    std::uint16_t w = roots[data[0]];
    for (std::size_t i = 1; i < size; ++i) {
        std::uint8_t c = data[i];
        // A string one longer than the decoder can unwind is never matched; the decoder still adds it.
        if (d.length_[w] < max_string) {
            std::uint16_t x = d.find(w, c);
            if (x != lzw::none) {
                w = x;
                continue;
            }
        }
        emit(w);
        if (d.free_count_ > 0) d.insert(w, c);
        w = roots[c];
    }
    emit(w);
    if (half != lzw::none) {
        stream.push_back(static_cast<std::uint8_t>(half >> 4));
        stream.push_back(static_cast<std::uint8_t>((half & 15) << 4));
    }
    return stream;
}

Bytes make_compressed_container(const std::uint8_t* data, std::size_t size) {
    Bytes container(lzw::header_size, 0);
    std::memcpy(container.data() + text_field, format_text.data(), format_text.size());
    std::memcpy(container.data() + version_field, "100", 3);
    std::string size_text = std::to_string(size);
    std::memcpy(container.data() + size_field, size_text.data(), size_text.size());
    Bytes stream = LZW_TCompressor::compress(data, size);
    container.insert(container.end(), stream.begin(), stream.end());
    return container;
}

bool is_compressed_data(const std::uint8_t* data, std::size_t size) {
    return size >= lzw::header_size && parse_header(data).problem == HeaderProblem::none;
}

bool is_compressed_file(const std::string& path) {
    FileHandle file = open_regular_file(path);
    if (!file) return false;
    std::uint8_t header[lzw::header_size];
    return std::fread(header, 1, sizeof header, file.get()) == sizeof header &&
           parse_header(header).problem == HeaderProblem::none;
}

CompressedRead read_compressed_file_into_memory(const std::string& path, bool show_messages) {
    FileHandle file = open_regular_file(path);
    if (!file) {
        if (show_messages) {
            show_message("read_compressed_file_into_memory(): file open error", mb::ok);
            show_message("read_compressed_file_into_memory(): error", mb::ok);
        }
        return {{}, lzw::error_open};
    }
    std::error_code ec;
    std::optional<std::uint64_t> total = std::filesystem::file_size(path, ec);
    if (ec || *total < lzw::header_size) total.reset();
    FileSource source(file.get());
    return read_container(source, total, show_messages);
}

CompressedRead read_compressed_data_into_memory(const std::uint8_t* data, std::size_t size,
                                                bool show_messages) {
    MemorySource source(data, size);
    std::optional<std::uint64_t> total;
    if (size >= lzw::header_size) total = size;
    return read_container(source, total, show_messages);
}

} // namespace morvelin
