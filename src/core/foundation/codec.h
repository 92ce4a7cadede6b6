#pragma once
// Line scrambling of the disc's data files (mapsdata.txt, people.txt, ... syst_ord.txt).
//
// A stored data file is 8-bit text. Its first line selects the scheme ("12FGH31": scheme B, anything
// else: scheme A) and is not part of the data. Every other byte is transformed with a key that depends
// on the line number and, in scheme A, on a digit stream drawn from a generator seeded per file.
// Decoded bytes always lie in 21..255, and so do the bytes an encoder stores; line breaks and text
// styles inside data texts are therefore written as "LINEFEED_ONLY_REPLACER" and markup tags.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelin {

// The program's pseudo-random generator: a 32-bit linear congruential state; a draw below a range is the
// upper half of the 64-bit product of the new state and the range. Shared by the line and picture
// scramblers; the sequence is part of the stored format.
class ScrambleGenerator {
public:
    static constexpr std::uint32_t range = 2147483647u;

    explicit ScrambleGenerator(std::uint32_t seed) : state_(seed) {}
    std::uint32_t draw(std::uint32_t below = range) {
        state_ = state_ * 134775813u + 1u;
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state_) * below) >> 32);
    }

private:
    std::uint32_t state_;
};

// The state of one line-descrambling run: a stream of digits 1..9 taken from the decimal texts of
// successive random numbers. A digit 0 is skipped together with the digit after it.
class Tcodec {
public:
    explicit Tcodec(std::uint32_t seed) : generator_(seed) {}

    // The next digit of the stream, 1..9.
    int next_digit();
    // The random number whose text supplied the last digit.
    std::uint32_t current_number() const { return number_; }

private:
    void advance();

    ScrambleGenerator generator_;
    std::uint32_t number_ = 0;
    std::string text_;         // decimal text of number_, no leading zeros
    std::size_t position_ = 0; // 1-based position of the current digit in text_; past the end: draw
    int digit_ = 0;
};

// The first line of a stored file that selects scheme B.
inline constexpr std::string_view scheme_b_marker = "12FGH31";

// The seed of a data file, by its file name (a path is allowed; the name compares ignoring ASCII case).
// Names other than the ten data files get the common seed; see is_data_file_name.
std::uint32_t data_file_seed(const std::string& file_name);
// True for the ten data files of a disc (file name or path, ignoring ASCII case).
bool is_data_file_name(const std::string& file_name);

// The key of every line of a file of line_count data lines (header excluded).
std::vector<std::uint32_t> data_file_line_keys(std::size_t line_count, std::uint32_t seed, bool scheme_b);

// Descrambles a data file in place: removes the header line and transforms the others. An empty list
// stays empty.
void decode_data_file_lines(std::vector<std::string>& lines, std::uint32_t seed);

// Descrambles the lines of one stored data file one at a time, for a reader that wants each line
// descrambled just before it looks at it (while its bytes are at hand) rather than all in a pass of
// their own. decode_data_file_lines does its work with it.
class DataLineDecoder {
public:
    // stored: the lines as read, header first.
    DataLineDecoder(const std::vector<std::string>& stored, std::uint32_t seed);

    // Descrambles data line i (0-based, the header not counted) in place.
    void decode(std::string& line, std::size_t i) const {
        const int k = static_cast<int>(keys_[i] % 235u); // keys enter the transform only modulo 235
        for (char& ch : line) {
            int r = static_cast<unsigned char>(ch) - 20 - k; // -254..235
            if (r < 0) r += 235;
            if (r < 0) r += 235;
            if (r >= 235) r -= 235;
            ch = static_cast<char>(r > 20 ? r : r + 235);
        }
    }
    std::size_t line_count() const { return keys_.size(); }

private:
    std::vector<std::uint32_t> keys_;
};

// Where encoding failed: the 0-based line of the plain text and the offending byte.
struct LineEncodeProblem {
    std::size_t line = 0;
    unsigned char byte = 0;
};

// The stored lines (header first) for plain data lines. No value when a line holds a byte below 21,
// which no stored file can represent; problem then names the first such line and byte.
std::optional<std::vector<std::string>> encode_data_file_lines(const std::vector<std::string>& plain,
                                                               std::uint32_t seed, bool scheme_b,
                                                               LineEncodeProblem* problem = nullptr);

// A text split into lines with the break that ended each one, so that joining gives the bytes back.
// A line ends at CR LF, LF or a lone CR; endings[i] is "\r\n", "\n", "\r", or "" for a last line that
// has no break. A text that ends with a break has no empty line after it.
struct TextLines {
    std::vector<std::string> lines;
    std::vector<std::string> endings;
};
TextLines split_text_lines(std::string_view bytes);
std::string join_text_lines(const TextLines& text);

// Reads a stored data file into its lines (8-bit, breaks removed), ready for decode_data_file_lines.
// No value when the file does not exist or cannot be read.
std::optional<std::vector<std::string>> read_data_file_lines(const std::string& path);

} // namespace morvelin
