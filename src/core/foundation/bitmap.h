#pragma once
// Distribution-map bitmaps: Windows bitmap files, plain or inside an LZW container, loaded into a packed
// device-independent bitmap (the information header, its colour table or bit masks, then the pixel
// rows, bottom row first unless the height is negative), with 8-bit run-length encoding expanded.
// All multi-byte fields are little-endian, as in the files.

#include "core/foundation/byte_files.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

namespace bitmap {
constexpr std::uint32_t bi_rgb = 0;
constexpr std::uint32_t bi_rle8 = 1;
constexpr std::uint32_t bi_rle4 = 2;
constexpr std::uint32_t bi_bitfields = 3;

constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_size = 40;
// Larger maps are refused: the disc's maps are a few hundred pixels wide.
constexpr std::size_t max_dimension = 32767;
constexpr std::size_t max_image_bytes = 64u << 20;

// Failures of load_bitmap other than those of the compressed-file reader (lzw::error_...).
constexpr int error_none = 0;
constexpr int error_missing = 1;    // the file does not exist
constexpr int error_not_bitmap = 2; // no Windows bitmap, or a damaged one
constexpr int error_read = 3;       // cannot be read, or its pixels are cut short
constexpr int error_memory = 4;     // the expanded pixels would not fit in memory
} // namespace bitmap

// The shape of a device-independent bitmap, read from its information header.
struct DibLayout {
    std::uint32_t header_size = 0;        // 40, 52, 56, 108 or 124
    std::int32_t width = 0;               // > 0
    std::int32_t height = 0;              // != 0; negative: top row first
    int bit_count = 0;                    // 1, 4, 8, 16, 24 or 32
    std::uint32_t compression = 0;        // bitmap::bi_rgb, bi_rle8 or bi_bitfields
    std::size_t colour_count = 0;         // entries of the colour table
    std::size_t table_bytes = 0;          // bit masks of a 40-byte header plus the colour table
    std::array<std::uint32_t, 3> masks{}; // red, green, blue for 16 and 32 bits per pixel
    std::size_t stride = 0;               // bytes per row, a multiple of 4
    std::size_t image_bytes = 0;          // stride × rows

    std::size_t rows() const {
        return static_cast<std::size_t>(height < 0 ? -static_cast<std::int64_t>(height) : height);
    }
    std::size_t pixel_offset() const { return header_size + table_bytes; }
};

// The layout of the information header at the start of dib (header and table must be complete; the
// pixels are not looked at). No value for anything this program cannot draw, including 4-bit
// run-length encoding, or sizes beyond bitmap::max_dimension and bitmap::max_image_bytes.
std::optional<DibLayout> parse_dib_header(const std::uint8_t* dib, std::size_t size);
// The layout of a packed bitmap ready to draw: uncompressed and holding all its rows.
std::optional<DibLayout> parse_packed_dib(const std::uint8_t* dib, std::size_t size);

// Expands 8-bit run-length encoded pixels (end of line, end of bitmap, delta, encoded and absolute runs
// with word padding) into rows of the layout's stride, bottom row first. Pixels no code reaches stay
// 0; runs past the end of a row or rows past the top are dropped; data that ends early just ends.
Bytes expand_rle8(const std::uint8_t* data, std::size_t size, std::size_t width, std::size_t rows);

struct LoadedBitmap {
    Bytes dib;     // the packed bitmap; empty on failure
    int error = 0; // bitmap::error_..., or lzw::error_... for a damaged container
};

// Loads a map bitmap file, compressed or plain. With show_messages a failure is shown (flags 16):
// "File \"<name>\" does not exist, can not show picture.", "\"<name>\" is not a Windows bitmap file,
// can not show picture." (also for a damaged one), "Error when reading file \"<name>\", can not show
// picture.", "Error when trying to allocate memory, can not show picture.", or the compressed-file
// reader's own messages.
LoadedBitmap load_bitmap(const std::string& path, bool show_messages);
// The same for a file already in memory; name is used in the messages.
LoadedBitmap load_bitmap_from_memory(const std::uint8_t* data, std::size_t size, const std::string& name,
                                     bool show_messages);

// A bitmap file (file header included) holding a packed bitmap, or an empty result when dib is not one.
Bytes bmp_file_from_packed_dib(const Bytes& dib);

// A block handed to drawing: a packed bitmap, a bitmap file, or the compressed reader's "C" "F" block.
// Returns where the packed bitmap starts in it (0, or past the prefixes).
std::size_t packed_dib_start(const std::uint8_t* block, std::size_t size);

// The pixels of a packed bitmap as 0xFFRRGGBB, top row first; empty when it is not drawable.
std::vector<std::uint32_t> packed_dib_to_rgb32(const std::uint8_t* dib, std::size_t size, int& width,
                                               int& height);

// An 8-bit bitmap file from pixels given top row first (width × height indexes into palette, whose
// entries are 0x00RRGGBB; at most 256). With rle8 the rows are run-length encoded.
Bytes make_bmp_file_8bit(int width, int height, const std::vector<std::uint32_t>& palette,
                         const Bytes& pixels, bool rle8);

} // namespace morvelin
