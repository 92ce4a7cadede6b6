#include "core/foundation/codec.h"

#include "core/foundation/byte_files.h"
#include "core/foundation/scramble_keys.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <array>

namespace morvelin {

namespace {

constexpr std::array<const char*, 10> data_file_names = {
    "mapsdata.txt", "people.txt",     "names_sc.txt", "taxa.txt",     "locality.txt",
    "big_pict.txt", "othermedia.txt", "cutparts.txt", "cupaitem.txt", "syst_ord.txt",
};

std::string_view base_name(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Keys enter the transform only modulo 235.
int key_residue(std::uint32_t key) {
    return static_cast<int>(key % 235u);
}

// The stored byte is kept in 21..255 as well (r and r + 235 decode alike), so it is never a line break.
unsigned char encode_byte(unsigned char plain, int key_residue) {
    int r = plain <= 234 ? plain : plain - 235;
    int c = r + 20 + key_residue; // 20..488
    if (c >= 235) c -= 235;
    if (c >= 235) c -= 235;
    return static_cast<unsigned char>(c <= 20 ? c + 235 : c);
}

} // namespace

void Tcodec::advance() {
    ++position_;
    if (position_ > text_.size()) {
        number_ = generator_.draw();
        text_ = std::to_string(number_);
        position_ = 1;
    }
}

int Tcodec::next_digit() {
    for (;;) {
        advance();
        digit_ = text_[position_ - 1] - '0';
        if (digit_ != 0) return digit_;
        ++position_; // the digit after a 0 is skipped too
    }
}

std::uint32_t data_file_seed(const std::string& file_name) {
    std::string_view name = base_name(file_name);
    if (equals_ignore_case(name, "cutparts.txt")) return scramble_keys::cutparts_seed;
    if (equals_ignore_case(name, "cupaitem.txt")) return scramble_keys::cupaitem_seed;
    return scramble_keys::common_data_file_seed;
}

bool is_data_file_name(const std::string& file_name) {
    std::string_view name = base_name(file_name);
    for (const char* known : data_file_names)
        if (equals_ignore_case(name, known)) return true;
    return false;
}

std::vector<std::uint32_t> data_file_line_keys(std::size_t line_count, std::uint32_t seed, bool scheme_b) {
    std::vector<std::uint32_t> keys(line_count);
    for (std::size_t i = 0; i < line_count; ++i) {
        std::uint32_t m = static_cast<std::uint32_t>(i % 1111);
        keys[i] = m * m;
    }
    if (!scheme_b) {
        Tcodec codec(seed);
        std::size_t special = static_cast<std::size_t>(codec.next_digit());
        while (special < line_count) {
            keys[special] = codec.current_number();
            special += static_cast<std::size_t>(codec.next_digit());
        }
    }
    return keys;
}

DataLineDecoder::DataLineDecoder(const std::vector<std::string>& stored, std::uint32_t seed)
    : keys_(data_file_line_keys(stored.empty() ? 0 : stored.size() - 1, seed,
                                !stored.empty() && stored.front() == scheme_b_marker)) {}

void decode_data_file_lines(std::vector<std::string>& lines, std::uint32_t seed) {
    if (lines.empty()) return;
    const DataLineDecoder decoder(lines, seed);
    lines.erase(lines.begin());
    for (std::size_t i = 0; i < lines.size(); ++i)
        decoder.decode(lines[i], i);
}

std::optional<std::vector<std::string>> encode_data_file_lines(const std::vector<std::string>& plain,
                                                               std::uint32_t seed, bool scheme_b,
                                                               LineEncodeProblem* problem) {
    for (std::size_t i = 0; i < plain.size(); ++i) {
        for (char ch : plain[i]) {
            auto byte = static_cast<unsigned char>(ch);
            if (byte < 21) {
                if (problem) *problem = {i, byte};
                return std::nullopt;
            }
        }
    }
    std::vector<std::uint32_t> keys = data_file_line_keys(plain.size(), seed, scheme_b);
    std::vector<std::string> stored;
    stored.reserve(plain.size() + 1);
    // Any first line other than the scheme B marker selects scheme A.
    stored.emplace_back(scheme_b ? std::string(scheme_b_marker) : std::string("Morvelin"));
    for (std::size_t i = 0; i < plain.size(); ++i) {
        int k = key_residue(keys[i]);
        std::string line = plain[i];
        for (char& ch : line)
            ch = static_cast<char>(encode_byte(static_cast<unsigned char>(ch), k));
        stored.push_back(std::move(line));
    }
    return stored;
}

namespace {

// Calls on_line(line, ending) for each line of bytes, with the break that ended it (see
// split_text_lines).
template <typename OnLine> void for_each_text_line(std::string_view bytes, OnLine on_line) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char ch = bytes[i];
        if (ch != '\n' && ch != '\r') {
            ++i;
            continue;
        }
        const std::size_t break_length = (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        on_line(bytes.substr(start, i - start), bytes.substr(i, break_length));
        i += break_length;
        start = i;
    }
    if (start < bytes.size()) on_line(bytes.substr(start), std::string_view());
}

// Lines end with LF or CR LF in practice: one line per LF and possibly a last one without a break.
// Reserving that many up front spares the line list its copies while it grows (only a file with lone
// CRs still grows it).
std::size_t expected_line_count(std::string_view bytes) {
    return static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
}

} // namespace

TextLines split_text_lines(std::string_view bytes) {
    TextLines text;
    text.lines.reserve(expected_line_count(bytes));
    text.endings.reserve(text.lines.capacity());
    for_each_text_line(bytes, [&](std::string_view line, std::string_view ending) {
        text.lines.emplace_back(line);
        text.endings.emplace_back(ending);
    });
    return text;
}

std::string join_text_lines(const TextLines& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.lines.size(); ++i) {
        bytes += text.lines[i];
        if (i < text.endings.size()) bytes += text.endings[i];
    }
    return bytes;
}

std::optional<std::vector<std::string>> read_data_file_lines(const std::string& path) {
    std::optional<Bytes> bytes = read_byte_file(path);
    if (!bytes) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    // The line breaks themselves are not needed here, only the lines.
    std::vector<std::string> lines;
    lines.reserve(expected_line_count(text));
    for_each_text_line(text, [&](std::string_view line, std::string_view) { lines.emplace_back(line); });
    return lines;
}

} // namespace morvelin
