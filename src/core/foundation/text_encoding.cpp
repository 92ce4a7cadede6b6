#include "core/foundation/text_encoding.h"

#include <array>
#include <cstdint>

namespace morvelin {

namespace {

// Code points of bytes 0x80..0x9F; the five unassigned bytes map to themselves like Windows does.
constexpr std::array<char32_t, 32> high_block = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char to_cp1252_byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < high_block.size(); ++i)
        if (high_block[i] == cp) return static_cast<char>(0x80 + i);
    return '?';
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

std::string cp1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char ch : text) {
        auto b = static_cast<unsigned char>(ch);
        if (b < 0x80) {
            out += ch;
        } else if (b < 0xA0) {
            append_utf8(out, high_block[b - 0x80]);
        } else {
            append_utf8(out, b);
        }
    }
    return out;
}

std::string utf8_to_cp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        if (extra == 0 || i + extra >= text.size()) {
            out += static_cast<char>(b);
            ++i;
            continue;
        }
        char32_t cp = b & (0x3F >> extra);
        bool valid = extra > 0;
        for (int k = 1; k <= extra && valid; ++k) {
            auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid) {
            out += static_cast<char>(b); // a stray byte: keep it as Latin-1
            ++i;
            continue;
        }
        out += to_cp1252_byte(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upper(c);
    return out;
}

int compare_ignore_case(std::string_view a, std::string_view b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(upper(a[i]));
        auto y = static_cast<unsigned char>(upper(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool equals_ignore_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compare_ignore_case(a, b) == 0;
}

} // namespace morvelin
