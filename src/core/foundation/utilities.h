#pragma once
// Small file, folder, text and number helpers used throughout the program. Paths are native; folders
// returned by these helpers end with '/'. Failures are shown with the messages below (flags 16 unless
// said otherwise) and reported to the caller; nothing here stops the program.
// No shared state: the file helpers may be called from a worker thread (copying to the hard disk).

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace morvelin {

// ---- files and folders ----

// Replaces path with bytes as a whole or not at all: a temporary file in the same folder is written
// and flushed to disk, then renamed over path, then the folder is flushed. A symbolic link at path is
// followed (its target is replaced); links that loop fail with errno ELOOP. The permissions of an
// existing file are kept; a new file gets 0666 less the umask. No message; false (and path untouched,
// errno telling why) on failure.
bool write_file_atomically(const std::string& path, const std::string& bytes);
// The whole file; no value when it does not exist or cannot be read.
std::optional<std::string> read_whole_file(const std::string& path);

// Appends '/' when text is not empty and does not end with one.
std::string ensure_trailing_separator(const std::string& text);

// Creates the folder (and missing parents) unless it exists. A file of that name:
// "Procedure \"GLB_create_directory()\" wanted to create subdirectory \"<name>\", but a file with the
// same name already exists."; a failure: "Something went wrong in procedure \"GLB_create_directory()\"
// when creating subdirectory \"<name>\"."; both return false.
bool create_directory(const std::string& name);

// Asks "Is it OK to delete the subdirectory \"<name>\"?" (flags 36). Yes: removes the files and
// sub-folders, then the folder; a failure shows "Something went wrong when deleting directory:" and
// the name on the next line, and returns false. No: returns false. Symbolic links inside are removed,
// never followed.
bool delete_directory_tree_with_confirmation(const std::string& name);

// Copies source to target (replacing it) and gives the copy the source's modification time. The copy
// goes to a temporary file next to the target first, so a failed copy never leaves a partial target.
// No message; false on failure.
bool copy_file(const std::string& source, const std::string& target);

// Both are existing files with equal modification time (to the second) and equal size.
bool same_file(const std::string& a, const std::string& b);

// This process may read (write) the file or folder at path.
bool can_read(const std::string& path);
bool can_write(const std::string& path);

struct ListFolderOptions {
    bool folders_only = false;
    bool full_path = false;  // folder + name instead of the name
    bool upper_case = false; // ASCII upper-casing of the names (a full path's folder part is kept,
                             // since an upper-cased folder would not exist on a case-sensitive system)
};
// The entries of a folder, never "." or "..", sorted by name; empty when the folder cannot be read.
std::vector<std::string> list_folder(const std::string& folder, ListFolderOptions options = {});

// Number of files below folder, sub-folders included (symbolic links are not followed).
std::int64_t count_files_in_tree(const std::string& folder);
// Total size in bytes of the listed files; missing files count 0.
std::int64_t size_of_listed_files(const std::vector<std::string>& files);
// Total size in bytes of the files below folder; stops early (returning what it has) when abort is set.
std::int64_t size_of_tree(const std::string& folder, const std::atomic<bool>* abort = nullptr);

// Copies the tree below source into target (both folders; missing folders are created), calling
// on_file(source file) before each file. Stops when abort becomes true (returning true: nothing
// failed) or at the first folder or file that cannot be made (returning false).
bool copy_tree(const std::string& source, const std::string& target,
               const std::function<void(const std::string& file)>& on_file, const std::atomic<bool>* abort);

// {longest prefix that is an existing folder (ending with '/', or empty), remaining part}; the two
// concatenated give the path again.
std::pair<std::string, std::string> split_existing_path(const std::string& path);

// The user's documents folder ($XDG_DOCUMENTS_DIR, user-dirs.dirs, ~/Documents) ending with '/', or
// empty when it does not exist.
std::string documents_folder();
// $HOME ending with '/'; "/" when it is not set.
std::string home_folder();

// ---- comma fields ----

// Removes the text up to the first ',' and that comma from line and returns the text; without a comma
// the whole line is returned and line becomes empty.
std::string take_comma_field(std::string& line);
// {text before the first ',', text after it}; without a comma {text, ""}.
std::pair<std::string, std::string> split_at_first_comma(const std::string& text);
// Four comma-separated integers; each missing or invalid one is 1 and sets error to true.
std::array<int, 4> parse_four_integers(const std::string& text, bool& error);
// "a,b,c,d".
std::string render_four_integers(const std::array<int, 4>& values);

// ---- numbers ----

// Trims spaces, converts a decimal integer (optional sign). On failure returns def and sets error to
// true; on success error is left as it was, so one flag can collect several conversions.
int parse_integer(const std::string& text, int def, bool& error);
int parse_integer(const std::string& text, int def);
// A decimal number with '.' as separator whatever the locale: [sign] digits [ '.' digits ]. The sign
// applies to the whole number ("-0.5" is -0.5). def on failure.
double parse_decimal(const std::string& text, double def, bool& error);
double parse_decimal(const std::string& text, double def);

constexpr int minimum(int a, int b) {
    return a < b ? a : b;
}
constexpr int maximum(int a, int b) {
    return a > b ? a : b;
}
constexpr int clamp(int value, int low, int high) {
    return value < low ? low : (value > high ? high : value);
}
constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
// Tests the character after upper-casing it (ASCII): true for 'A'..'Z' and 'a'..'z'.
constexpr bool is_upper_case_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
// The text equals "TRUE" ignoring ASCII case.
bool equals_true(const std::string& text);

// A caption for an item that opens a window: the text followed by an ellipsis, whose dots include the
// full stops the text already ends with ("Site descriptions etc." gives "Site descriptions etc...").
std::string with_ellipsis(const std::string& text);

} // namespace morvelin
