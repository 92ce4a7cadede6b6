#pragma once
// "Tobran's compression format": the container of the disc's LZW-compressed map bitmaps.
//
// Layout (all header fields 8-bit text):
//   offset  0, 41 bytes: "Tobran's compression format", a zero byte, rest free
//   offset 41, 11 bytes: format version, decimal (spaces ignored), zero-terminated when shorter; <= 100
//   offset 52, 11 bytes: size of the uncompressed data, decimal, zero-terminated when shorter
//   offset 63 to end   : the code stream
// The code stream is fixed-width 12-bit LZW without a clear code. Two codes fill three bytes (high
// nibbles first); a final lone code fills two bytes, its 12 bits followed by 4 zero bits. The codes
// are dictionary entries whose places come from a hash of (prefix, suffix), the 256 roots included,
// and the dictionary stops growing when its 4096 entries are in use.

#include "core/foundation/byte_files.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace morvelin {

namespace lzw {
constexpr int error_none = 0;
constexpr int error_open = 991;    // input file cannot be opened
constexpr int error_header = 992;  // not a valid container
constexpr int error_read = 993;    // read error
constexpr int error_memory = 994;  // memory allocation failed
constexpr int error_corrupt = 995; // corrupt code stream

constexpr std::size_t header_size = 63;
constexpr std::size_t piece_size = 1998;           // input is decoded in pieces of at most this size
constexpr std::size_t output_buffer_size = 20000;  // decoded bytes are collected in a buffer this big
constexpr std::size_t stack_size = 1000;           // the longest string has stack_size + 1 characters
constexpr std::size_t pause_free = 3 * stack_size; // decoding pauses at this many free output bytes
constexpr std::size_t dictionary_size = 4096;
constexpr std::uint16_t none = 65535;
} // namespace lzw

// The dictionary and the resumable decoding state of one code stream. Decoding works piece by piece:
// begin_piece() hands over an input piece, decode_some() decodes from it into the output buffer until
// the piece is used up or the buffer has no more than lzw::pause_free free bytes; a code pair split by
// a pause carries over. A corrupt stream stops with lzw::error_corrupt and never reads or writes out
// of bounds; a code that refers to an entry not in use is corrupt unless it is the entry being defined
// by that very step.
class LZW_TCompressor {
public:
    LZW_TCompressor();
    ~LZW_TCompressor();
    LZW_TCompressor(const LZW_TCompressor&) = delete;
    LZW_TCompressor& operator=(const LZW_TCompressor&) = delete;

    // Empties the dictionary, inserts the 256 roots and resets the decoding state.
    void init_dictionary();

    // Messages ("Compression: error 1", "Compression Stack full", flags 16) are shown only when asked.
    void set_show_messages(bool show) { show_messages_ = show; }
    // Prepares for a stream that decodes to about this many bytes, so that the decoder's own memory
    // is set aside once instead of growing step by step. Optional.
    void expect_output(std::size_t bytes);

    // Starts decoding a piece; the bytes must stay valid until the piece is used up. A piece whose
    // length leaves remainder 1 after division by 3 is corrupt.
    bool begin_piece(const std::uint8_t* data, std::size_t size);
    // Decodes from the current piece; the returned bytes are valid until the next call.
    std::span<const std::uint8_t> decode_some();
    bool piece_done() const { return input_left_ == 0 || error_ != lzw::error_none; }
    int error() const { return error_; }

    // The code stream of data, built with the decoder's own dictionary rules so that decoding gives
    // data back: strings never exceed what the decoder can unwind, and entries stop being added when
    // the dictionary is full. A max_string above the default makes streams this decoder refuses (for
    // tests of that refusal).
    static Bytes compress(const std::uint8_t* data, std::size_t size,
                          std::size_t max_string = lzw::stack_size + 1);

    std::size_t free_entries() const { return free_count_; }

private:
    // The entry that placement gives (prefix, suffix); chain_end is the entry to link it from, or none.
    std::uint16_t placement(std::uint16_t prefix, std::uint8_t suffix, std::uint16_t& chain_end) const;
    std::uint16_t insert(std::uint16_t prefix, std::uint8_t suffix);
    // The entry holding (prefix, suffix), or none.
    std::uint16_t find(std::uint16_t prefix, std::uint8_t suffix) const;
    bool next_code(std::uint16_t& code);
    void fail(const char* message);

    // Keeps the whole string of a new entry when the decoder can output it.
    void keep_string(std::uint16_t entry);

    // Dictionary, one array per field for speed; length_ is the string length of each entry.
    std::array<std::uint8_t, lzw::dictionary_size> in_use_;
    std::array<std::uint16_t, lzw::dictionary_size> next_;
    std::array<std::uint16_t, lzw::dictionary_size> prefix_;
    std::array<std::uint8_t, lzw::dictionary_size> suffix_;
    std::array<std::uint16_t, lzw::dictionary_size> length_;
    std::size_t free_count_ = lzw::dictionary_size;

    // The decoder keeps every string it may output (at most stack_size + 1 characters) spelled out in
    // strings_, at string_at_: a code is then one copy instead of a walk through its prefixes. The
    // dictionary stops growing early, so this costs at most one copy per entry.
    std::vector<std::uint8_t> strings_;
    std::size_t strings_end_ = 0; // strings_ holds a few spare bytes behind this
    std::array<std::uint32_t, lzw::dictionary_size> string_at_;

    const std::uint8_t* input_ = nullptr;
    std::size_t input_left_ = 0;
    std::uint16_t pending_half_ = lzw::none; // low nibble of a pair's middle byte, awaiting its last byte

    std::uint16_t previous_code_ = lzw::none;
    std::uint8_t final_char_ = 0; // first character of the previous code's string
    int error_ = lzw::error_none;
    bool show_messages_ = false;

    std::array<std::uint8_t, lzw::output_buffer_size> output_;
};

// The container holding data: header (version 100) and code stream.
Bytes make_compressed_container(const std::uint8_t* data, std::size_t size);
inline Bytes make_compressed_container(const Bytes& data) {
    return make_compressed_container(data.data(), data.size());
}

// True when the file exists, can be opened and its header is valid. No messages.
bool is_compressed_file(const std::string& path);
bool is_compressed_data(const std::uint8_t* data, std::size_t size);

// The result of reading a container: on success, block holds "C", "F" and the decompressed data
// (size + 2 bytes); on failure block is empty and error is one of lzw::error_....
struct CompressedRead {
    Bytes block;
    int error = lzw::error_none;
};

// Decompresses a whole container file. With show_messages the failures are shown through the message
// port, each as the reader's own fixed English text. A stream that yields fewer or more bytes than the
// header announces is refused as corrupt, never returned half filled or overrun.
CompressedRead read_compressed_file_into_memory(const std::string& path, bool show_messages);
// The same for a container already in memory.
CompressedRead read_compressed_data_into_memory(const std::uint8_t* data, std::size_t size,
                                                bool show_messages);

} // namespace morvelin
