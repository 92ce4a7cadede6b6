#pragma once
// The settings file: an ini file read and written with the semantics of the Windows private-profile
// functions. Sections and keys compare ASCII case-insensitively and the first match wins; spaces around
// keys and values are ignored; lines the reader does not understand are kept as they are.
//
// A value enclosed in a matching pair of double or single quotes is read without them, as the Windows
// reader does; a value written that would lose its own quotes so is written inside one more pair.
//
// Every operation takes a file name; an empty name means environment().settings_file_path. Nothing is
// held open or cached: each read opens and parses the file, each write re-reads it, changes its values
// and replaces the whole file atomically (temporary file in the same folder, fsync, rename, fsync of the
// folder), so an interrupted write leaves either the old or the new file, never a mix. Writers in other
// processes are kept out for the whole read-modify-replace by the advisory lock of a lock file beside
// the file ("." + name + ".lock", through the file-lock port); the first write of a process to a file
// removes the temporary files that writers killed meanwhile left beside it.
// Writes with an empty file name are skipped (reported as success) when environment().settings_on_cdrom.
// A write fails (returns false, file untouched) when the file exists but cannot be read, when its folder
// is not writable, or when section, key or value would not survive a round trip (line breaks, a key
// holding '=' or starting with '[', a section holding ']').
// Texts are 8-bit bytes (Windows-1252) and are never converted. Safe to call from any thread.

#include <bitset>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvelin {

// A set of numbers 1..255, stored on disk as the members in ascending order joined by "-".
class NumberSet {
public:
    NumberSet() = default;
    NumberSet(std::initializer_list<int> members);

    // Numbers outside 1..255 are ignored.
    void insert(int number);
    void erase(int number);
    bool contains(int number) const;
    bool empty() const { return bits_.none(); }
    int size() const { return static_cast<int>(bits_.count()); }
    void clear() { bits_.reset(); }
    std::vector<int> members() const; // ascending

    // "3-17-200"; the empty set gives "".
    std::string to_text() const;
    // The stored form: each maximal run of digits (characters other than digits and '-' are skipped,
    // so "7x8" is 78) ends at a '-' or at the end and forms one number; numbers outside 1..255 are
    // dropped. At most the first 1000 characters are looked at.
    static NumberSet from_text(std::string_view text);

    friend bool operator==(const NumberSet&, const NumberSet&) = default;

private:
    std::bitset<256> bits_;
};

// Value up to 200 characters (longer values are cut); def when the key is absent.
std::string settings_read_string(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& def);
bool settings_write_string(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value);

// Only non-negative decimal numbers are valid (surrounding spaces and a leading '+' allowed); anything
// else, a negative number included, or a number too large for int, gives def.
int settings_read_integer(const std::string& file, const std::string& section, const std::string& key,
                          int def);
bool settings_write_integer(const std::string& file, const std::string& section, const std::string& key,
                            int value);

// True when the first character of the value, upper-cased, is 'Y' or 'T'; any other value (the empty
// value too) is false; def when the key is absent. Written as "Yes" or "No".
bool settings_read_yes_no(const std::string& file, const std::string& section, const std::string& key,
                          bool def);
bool settings_write_yes_no(const std::string& file, const std::string& section, const std::string& key,
                           bool value);

NumberSet settings_read_number_set(const std::string& file, const std::string& section,
                                   const std::string& key, const NumberSet& def);
bool settings_write_number_set(const std::string& file, const std::string& section, const std::string& key,
                               const NumberSet& value);

// True when the key is present in the section (with any value, the empty value too).
bool settings_key_exists(const std::string& file, const std::string& section, const std::string& key);
// The keys of the section in file order, spelt as stored; empty when the section is absent.
std::vector<std::string> settings_read_section_keys(const std::string& file, const std::string& section);

// Remove one key (its first occurrence) or a whole section (header and body, first occurrence).
// Removing something that is not there succeeds without touching the file.
bool settings_delete_key(const std::string& file, const std::string& section, const std::string& key);
bool settings_delete_section(const std::string& file, const std::string& section);

struct IniText;

// Many values from one reading of the file, with the rules of the functions above.
class SettingsReader {
public:
    explicit SettingsReader(const std::string& file = {});

    // The value as the typed reads see it (unquoted, not cut); no value when the key is absent.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    std::string read_string(const std::string& section, const std::string& key, const std::string& def) const;
    int read_integer(const std::string& section, const std::string& key, int def) const;
    bool read_yes_no(const std::string& section, const std::string& key, bool def) const;
    NumberSet read_number_set(const std::string& section, const std::string& key, const NumberSet& def) const;
    bool key_exists(const std::string& section, const std::string& key) const;

private:
    std::shared_ptr<const IniText> text_; // null when the file cannot be read
};

// Changes collected and then made in one read-modify-replace of the file, in the order given, each
// with the rules of the single writes above.
class SettingsChanges {
public:
    void write_string(const std::string& section, const std::string& key, const std::string& value);
    void write_integer(const std::string& section, const std::string& key, int value);
    void write_yes_no(const std::string& section, const std::string& key, bool value);
    void write_number_set(const std::string& section, const std::string& key, const NumberSet& value);
    void delete_key(const std::string& section, const std::string& key);
    void delete_section(const std::string& section);
    bool empty() const { return changes_.empty(); }

    // False when the file could not be read or replaced (nothing written) or when a change was refused
    // (the others are made).
    bool commit(const std::string& file = {}) const;

private:
    std::vector<std::function<bool(IniText&)>> changes_;
};

} // namespace morvelin
