#pragma once
// Language text files: sections of text lines looked up by key. The one global instance, the language
// text table, holds every text the user sees.
//
// File format (Windows-1252 bytes; lines end with CR LF, LF or CR):
// - lines before the first line beginning with '$' are a free header;
// - a line beginning with '$' that holds '[' and later ']' opens the section whose key is the text
//   between them, upper-cased (ASCII), spaces kept: "$ [ a ]" is key " A ";
// - the body runs up to the next line beginning with '$'; a '$' line that is no valid header ends the
//   section, and everything up to the next valid header belongs to no section;
// - in a body, lines beginning with '*' or a form feed are skipped; elsewhere "#" starts a comment that
//   runs to the end of the line, and "%$@" stands for a literal '#'; empty lines are kept; no trimming.

#include <map>
#include <string>
#include <vector>

namespace morvelin {

class Ttextfile_handler {
public:
    // An empty table (found() is false).
    Ttextfile_handler() = default;
    // Locates the file (locate_file) and loads it. When it is not found: with fatal_if_missing a fatal
    // error "The text file \"<name>\" was not found!", otherwise that message with flags 16 and an empty
    // table. A key that occurs twice is a fatal error naming the key and the file.
    explicit Ttextfile_handler(const std::string& file_name, bool fatal_if_missing = true);
    // Parses text already in memory; name is used in messages only.
    static Ttextfile_handler from_bytes(const std::string& bytes, const std::string& name);

    bool found() const { return found_; }
    const std::string& path() const { return path_; } // the file that was loaded, or empty

    // Sets out to lines 0..last_index (last_index + 1 entries, none when last_index < 0): the section's
    // lines as far as it has them, empty lines after that. A missing key gives only empty lines.
    void get_lines(const std::string& key, int last_index, std::vector<std::string>& out) const;
    // As get_lines; a copied line shorter than min_length is padded with spaces, and when max_length > 0
    // a longer one is cut to max_length.
    void get_lines_padded(const std::string& key, std::vector<std::string>& out, int min_length,
                          int max_length, int last_index) const;
    // Line number (1-based: 1 is line 0); empty when the key is missing, the section shorter, number < 1.
    std::string get_line(const std::string& key, int number) const;
    // Lines 0..99 concatenated without separators.
    std::string get_joined_text(const std::string& key) const;

    bool has_key(const std::string& key) const;
    int line_count(const std::string& key) const; // 0 for a missing key

private:
    void parse(const std::string& bytes, const std::string& name);
    const std::vector<std::string>* section(const std::string& key) const;

    bool found_ = false;
    std::string path_;
    std::map<std::string, std::vector<std::string>> sections_; // key upper-cased
};

// Start-up step 4: loads the file named by `Text File` in GENERAL (default Morvelin.txt) with fatal if
// missing, sets the message caption from MESSAGES_CAPTION line 1 and environment().out_of_memory_text
// from OUT_OF_MEMORY line 1 (each only when the line is not empty).
void load_language_texts();
// Replaces the global table (tests and tools).
void install_language_texts(Ttextfile_handler table);
// The global table; empty until loaded. Read-only and safe to read from any thread once loaded.
const Ttextfile_handler& language_texts();
// Lines 0..last_index of key K of the global table.
std::vector<std::string> texts(const std::string& key, int last_index);

} // namespace morvelin
