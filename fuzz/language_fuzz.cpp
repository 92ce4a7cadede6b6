// Language text files from the fuzzer: a duplicate key is a fatal error (unwound back here); any other
// file gives a table whose sections answer every lookup, and the program's texts are taken from it as at
// start-up.

#include "core/foundation/textfile_handler.h"
#include "fuzz_harness.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

using namespace morvelin;

namespace {

// The keys the file's headers name ("$ [KEY]"), as the handler upper-cases them.
std::vector<std::string> header_keys(const std::string& text) {
    std::vector<std::string> keys = {"QM_GLOBS", "MESSAGES_CAPTION", "OUT_OF_MEMORY"};
    for (std::size_t at = 0; at < text.size() && keys.size() < 64;) {
        const std::size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        if (text[at] == '$') {
            const std::size_t open = text.find('[', at), close = text.find(']', open == std::string::npos ? end : open);
            if (open < end && close < end) {
                std::string key = text.substr(open + 1, close - open - 1);
                for (char& c : key)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                keys.push_back(key);
            }
        }
        at = end + 1;
    }
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::install_harness();
    const std::string text(reinterpret_cast<const char*>(data), size);
    Ttextfile_handler table;
    try {
        table = Ttextfile_handler::from_bytes(text, "fuzz.txt");
    } catch (const FatalError&) {
        return 0;
    }
    for (const std::string& key : header_keys(text)) {
        const int count = table.line_count(key);
        fuzzing::require(count >= 0, "a negative line count");
        std::vector<std::string> lines;
        table.get_lines(key, 9, lines);
        fuzzing::require(lines.size() == 10, "get_lines gives another number of lines");
        for (int n = 1; n <= std::min(count, 10); ++n)
            fuzzing::require(table.get_line(key, n) == lines[static_cast<std::size_t>(n - 1)], "lines differ");
        fuzzing::require(table.get_line(key, count + 1).empty() && table.get_line(key, 0).empty(),
                         "a line outside the section");
        table.get_lines_padded(key, lines, 5, 20, 3);
        for (int i = 0; i < std::min(count, 4); ++i)
            fuzzing::require(lines[static_cast<std::size_t>(i)].size() >= 5 && lines[static_cast<std::size_t>(i)].size() <= 20,
                             "a padded line of another length");
        table.get_joined_text(key);
    }
    install_language_texts(std::move(table));
    fuzzing::require(texts("QM_GLOBS", 7).size() == 8, "texts gives another number of lines");
    return 0;
}
