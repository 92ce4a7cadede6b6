#include "core/foundation/bitmap.h"

#include "core/foundation/lzw.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <new>

namespace morvelin {

namespace {

std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void put32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void append32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void append16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

bool known_header_size(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// A channel of a bit-field pixel scaled to 0..255.
std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = std::countr_zero(mask);
    std::uint32_t value = (pixel & mask) >> shift;
    int bits = std::bit_width(mask >> shift);
    if (bits >= 8) return value >> (bits - 8);
    return value * 255u / ((1u << bits) - 1u);
}

struct Messages {
    std::string name;
    bool show;
    LoadedBitmap fail(int error) const {
        if (show) {
            std::string text;
            switch (error) {
            case bitmap::error_missing:
                text = "File \"" + name + "\" does not exist, can not show picture.";
                break;
            case bitmap::error_not_bitmap:
                text = "\"" + name + "\" is not a Windows bitmap file, can not show picture.";
                break;
            case bitmap::error_read:
                text = "Error when reading file \"" + name + "\", can not show picture.";
                break;
            default:
                text = "Error when trying to allocate memory, can not show picture.";
                break;
            }
            show_message(text, mb::icon_error);
        }
        return {{}, error};
    }
};

// The packed bitmap of a bitmap file (file header included; its signature is checked by the caller).
LoadedBitmap packed_from_file(const std::uint8_t* file, std::size_t size, const Messages& messages) {
    if (size < bitmap::file_header_size) return messages.fail(bitmap::error_not_bitmap);
    const std::uint8_t* dib = file + bitmap::file_header_size;
    std::size_t dib_size = size - bitmap::file_header_size;
    std::optional<DibLayout> layout = parse_dib_header(dib, dib_size);
    if (!layout) return messages.fail(bitmap::error_not_bitmap);
    if (layout->image_bytes > bitmap::max_image_bytes) return messages.fail(bitmap::error_memory);

    // The pixels start where the file header says when that is a sane place; some writers leave a gap
    // after the colour table.
    std::size_t table_end = layout->pixel_offset();
    std::size_t pixels = u32(file + 10);
    if (pixels < bitmap::file_header_size + table_end || pixels > size)
        pixels = table_end;
    else
        pixels -= bitmap::file_header_size;

    LoadedBitmap result;
    try {
        result.dib.reserve(table_end + layout->image_bytes);
        result.dib.assign(dib, dib + table_end);
        if (layout->compression == bitmap::bi_rle8) {
            Bytes rows = expand_rle8(dib + pixels, dib_size - pixels, static_cast<std::size_t>(layout->width),
                                     layout->rows());
            result.dib.insert(result.dib.end(), rows.begin(), rows.end());
            put32(result.dib, 16, bitmap::bi_rgb);
            put32(result.dib, 20, static_cast<std::uint32_t>(layout->image_bytes));
        } else {
            if (dib_size - pixels < layout->image_bytes) return messages.fail(bitmap::error_read);
            result.dib.insert(result.dib.end(), dib + pixels, dib + pixels + layout->image_bytes);
        }
    } catch (const std::bad_alloc&) {
        return messages.fail(bitmap::error_memory);
    }
    return result;
}

} // namespace

std::optional<DibLayout> parse_dib_header(const std::uint8_t* dib, std::size_t size) {
    if (size < 4) return std::nullopt;
    DibLayout l;
    l.header_size = u32(dib);
    if (!known_header_size(l.header_size) || size < l.header_size) return std::nullopt;
    l.width = static_cast<std::int32_t>(u32(dib + 4));
    l.height = static_cast<std::int32_t>(u32(dib + 8));
    l.bit_count = u16(dib + 14);
    l.compression = u32(dib + 16);
    std::uint32_t colours_used = u32(dib + 32);

    if (l.width <= 0 || static_cast<std::size_t>(l.width) > bitmap::max_dimension) return std::nullopt;
    if (l.height == 0 || l.rows() > bitmap::max_dimension) return std::nullopt;
    switch (l.bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    switch (l.compression) {
    case bitmap::bi_rgb:
        break;
    case bitmap::bi_rle8:
        // Encoded rows are bottom-up by definition.
        if (l.bit_count != 8 || l.height < 0) return std::nullopt;
        break;
    case bitmap::bi_bitfields:
        if (l.bit_count != 16 && l.bit_count != 32) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }

    if (l.bit_count <= 8) {
        std::size_t most = std::size_t{1} << l.bit_count;
        if (colours_used > most) return std::nullopt;
        l.colour_count = colours_used ? colours_used : most;
    } else {
        // A palette hint only; it still occupies its place before the pixels.
        if (colours_used > size / 4) return std::nullopt;
        l.colour_count = colours_used;
    }
    if (l.compression == bitmap::bi_bitfields) {
        if (l.header_size == bitmap::info_header_size) l.table_bytes = 12;
        if (size < bitmap::info_header_size + 12) return std::nullopt;
        l.masks = {u32(dib + 40), u32(dib + 44), u32(dib + 48)};
    } else if (l.bit_count == 16) {
        l.masks = {0x7C00u, 0x03E0u, 0x001Fu};
    } else if (l.bit_count == 32) {
        l.masks = {0xFF0000u, 0x00FF00u, 0x0000FFu};
    }
    l.table_bytes += l.colour_count * 4;
    if (l.pixel_offset() > size) return std::nullopt;

    std::uint64_t row_bits = static_cast<std::uint64_t>(l.width) * static_cast<std::uint64_t>(l.bit_count);
    l.stride = static_cast<std::size_t>((row_bits + 31) / 32 * 4);
    l.image_bytes = l.stride * l.rows();
    return l;
}

std::optional<DibLayout> parse_packed_dib(const std::uint8_t* dib, std::size_t size) {
    std::optional<DibLayout> layout = parse_dib_header(dib, size);
    if (!layout || layout->compression == bitmap::bi_rle8) return std::nullopt;
    if (size - layout->pixel_offset() < layout->image_bytes) return std::nullopt;
    return layout;
}

Bytes expand_rle8(const std::uint8_t* data, std::size_t size, std::size_t width, std::size_t rows) {
    std::size_t stride = (width + 3) & ~std::size_t{3};
    Bytes out(stride * rows, 0);
    std::size_t x = 0, y = 0, i = 0;
    // Writes count pixels from position x of the current row, dropping those past its end.
    auto put = [&](std::size_t count, const std::uint8_t* literal, std::uint8_t value) {
        if (x < width) {
            std::size_t n = std::min(count, width - x);
            std::uint8_t* row = out.data() + y * stride + x;
            if (literal)
                std::memcpy(row, literal, n);
            else
                std::memset(row, value, n);
        }
        x += count;
    };
    while (y < rows && size - i >= 2) {
        std::uint8_t count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            put(count, nullptr, value);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return out;
        case 2: // delta: right and up (further rows)
            if (size - i < 2) return out;
            x += data[i];
            y += data[i + 1];
            i += 2;
            break;
        default: { // absolute run, padded to a 16-bit boundary
            std::size_t available = std::min<std::size_t>(value, size - i);
            put(available, data + i, 0);
            if (available < value) return out;
            i += value + (value & 1);
            if (i > size) return out;
            break;
        }
        }
    }
    return out;
}

LoadedBitmap load_bitmap_from_memory(const std::uint8_t* data, std::size_t size, const std::string& name,
                                     bool show_messages) {
    Messages messages{utf8_to_cp1252(name), show_messages};
    if (is_compressed_data(data, size)) {
        CompressedRead read = read_compressed_data_into_memory(data, size, show_messages);
        if (read.error != lzw::error_none) return {{}, read.error};
        return packed_from_file(read.block.data() + 2, read.block.size() - 2, messages);
    }
    if (size < 2 || data[0] != 'B' || data[1] != 'M') return messages.fail(bitmap::error_not_bitmap);
    return packed_from_file(data, size, messages);
}

LoadedBitmap load_bitmap(const std::string& path, bool show_messages) {
    Messages messages{utf8_to_cp1252(path), show_messages};
    if (is_compressed_file(path)) {
        CompressedRead read = read_compressed_file_into_memory(path, show_messages);
        if (read.error != lzw::error_none) return {{}, read.error};
        return packed_from_file(read.block.data() + 2, read.block.size() - 2, messages);
    }
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return messages.fail(bitmap::error_missing);
    std::optional<Bytes> file = read_byte_file(path);
    if (!file) return messages.fail(bitmap::error_read);
    if (file->size() < 2 || (*file)[0] != 'B' || (*file)[1] != 'M')
        return messages.fail(bitmap::error_not_bitmap);
    return packed_from_file(file->data(), file->size(), messages);
}

Bytes bmp_file_from_packed_dib(const Bytes& dib) {
    std::optional<DibLayout> layout = parse_packed_dib(dib.data(), dib.size());
    if (!layout) return {};
    std::size_t used = layout->pixel_offset() + layout->image_bytes;
    Bytes file;
    file.reserve(bitmap::file_header_size + used);
    file.push_back('B');
    file.push_back('M');
    append32(file, static_cast<std::uint32_t>(bitmap::file_header_size + used));
    append32(file, 0);
    append32(file, static_cast<std::uint32_t>(bitmap::file_header_size + layout->pixel_offset()));
    file.insert(file.end(), dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(used));
    return file;
}

std::size_t packed_dib_start(const std::uint8_t* block, std::size_t size) {
    // The compressed reader's block is "C", "F" and a bitmap file whose file header is skipped.
    if (size >= 2 && block[0] == 'C' && block[1] == 'F') return std::min(size, 2 + bitmap::file_header_size);
    if (size >= 2 && block[0] == 'B' && block[1] == 'M') return std::min(size, bitmap::file_header_size);
    return 0;
}

std::vector<std::uint32_t> packed_dib_to_rgb32(const std::uint8_t* dib, std::size_t size, int& width,
                                               int& height) {
    width = height = 0;
    std::optional<DibLayout> layout = parse_packed_dib(dib, size);
    if (!layout) return {};
    const DibLayout& l = *layout;
    const std::size_t w = static_cast<std::size_t>(l.width), rows = l.rows();
    std::vector<std::uint32_t> palette(l.colour_count);
    const std::uint8_t* table =
        dib + l.header_size +
        (l.compression == bitmap::bi_bitfields && l.header_size == bitmap::info_header_size ? 12 : 0);
    for (std::size_t i = 0; i < l.colour_count; ++i)
        palette[i] = 0xFF000000u | table[4 * i + 2] << 16 | table[4 * i + 1] << 8 | table[4 * i];
    auto from_palette = [&](std::size_t index) {
        return index < palette.size() ? palette[index] : 0xFF000000u;
    };

    std::vector<std::uint32_t> pixels(w * rows);
    for (std::size_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = dib + l.pixel_offset() + (l.height > 0 ? rows - 1 - r : r) * l.stride;
        std::uint32_t* out = pixels.data() + r * w;
        for (std::size_t x = 0; x < w; ++x) {
            switch (l.bit_count) {
            case 1:
                out[x] = from_palette(row[x / 8] >> (7 - x % 8) & 1);
                break;
            case 4:
                out[x] = from_palette(row[x / 2] >> (x % 2 ? 0 : 4) & 15);
                break;
            case 8:
                out[x] = from_palette(row[x]);
                break;
            case 24:
                out[x] = 0xFF000000u | row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
                break;
            default: {
                std::uint32_t v = l.bit_count == 16 ? u16(row + 2 * x) : u32(row + 4 * x);
                out[x] = 0xFF000000u | channel(v, l.masks[0]) << 16 | channel(v, l.masks[1]) << 8 |
                         channel(v, l.masks[2]);
                break;
            }
            }
        }
    }
    width = l.width;
    height = static_cast<int>(rows);
    return pixels;
}

namespace {

// One row in 8-bit run-length encoding: runs of three or more equal pixels as encoded runs, the rest as
// absolute runs (three or more pixels) or short encoded runs.
void encode_rle8_row(Bytes& out, const std::uint8_t* row, std::size_t width) {
    auto run_at = [&](std::size_t x) {
        std::size_t n = 1;
        while (x + n < width && n < 255 && row[x + n] == row[x])
            ++n;
        return n;
    };
    std::size_t x = 0;
    while (x < width) {
        std::size_t run = run_at(x);
        if (run >= 3) {
            out.push_back(static_cast<std::uint8_t>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        std::size_t end = x;
        while (end < width && end - x < 255 && run_at(end) < 3)
            ++end;
        std::size_t n = end - x;
        if (n >= 3) {
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(n));
            out.insert(out.end(), row + x, row + end);
            if (n & 1) out.push_back(0);
        } else {
            for (; x < end; ++x) {
                out.push_back(1);
                out.push_back(row[x]);
            }
        }
        x = end;
    }
}

} // namespace

Bytes make_bmp_file_8bit(int width, int height, const std::vector<std::uint32_t>& palette,
                         const Bytes& pixels, bool rle8) {
    if (width <= 0 || height <= 0 || palette.empty() || palette.size() > 256 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return {};
    const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
    const std::size_t stride = (w + 3) & ~std::size_t{3};
    Bytes data;
    for (std::size_t r = 0; r < h; ++r) {
        const std::uint8_t* row = pixels.data() + (h - 1 - r) * w; // bottom row first
        if (rle8) {
            encode_rle8_row(data, row, w);
            data.push_back(0);
            data.push_back(r + 1 < h ? 0 : 1); // end of line, end of bitmap after the last
        } else {
            data.insert(data.end(), row, row + w);
            data.resize(data.size() + stride - w, 0);
        }
    }
    const std::uint32_t offset =
        static_cast<std::uint32_t>(bitmap::file_header_size + bitmap::info_header_size + 4 * palette.size());
    Bytes file;
    file.push_back('B');
    file.push_back('M');
    append32(file, offset + static_cast<std::uint32_t>(data.size()));
    append32(file, 0);
    append32(file, offset);
    append32(file, bitmap::info_header_size);
    append32(file, static_cast<std::uint32_t>(width));
    append32(file, static_cast<std::uint32_t>(height));
    append16(file, 1);
    append16(file, 8);
    append32(file, rle8 ? bitmap::bi_rle8 : bitmap::bi_rgb);
    append32(file, static_cast<std::uint32_t>(data.size()));
    append32(file, 2835); // 72 dots per inch
    append32(file, 2835);
    append32(file, static_cast<std::uint32_t>(palette.size()));
    append32(file, 0);
    for (std::uint32_t colour : palette)
        append32(file, colour & 0xFFFFFFu);
    file.insert(file.end(), data.begin(), data.end());
    return file;
}

} // namespace morvelin
