#include "core/foundation/settings_file.h"

#include "core/foundation/environment.h"
#include "core/foundation/file_lock_port.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"

#include <charconv>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>

namespace morvelin {

namespace {

constexpr std::size_t max_string_length = 200;
constexpr std::size_t max_number_set_length = 1000;

// Serialises the read-modify-replace of writes within this process.
std::mutex write_mutex;

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && (is_blank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The file as lines, keeping what the reader does not understand so that a write changes one value only.
} // namespace

struct IniText {
    std::vector<std::string> lines;
    std::string eol = "\n";

    static IniText parse(const std::string& bytes) {
        IniText t;
        auto lf = bytes.find('\n');
        if (lf != std::string::npos && lf > 0 && bytes[lf - 1] == '\r') t.eol = "\r\n";
        std::size_t start = 0;
        while (start < bytes.size()) {
            auto end = bytes.find('\n', start);
            if (end == std::string::npos) end = bytes.size();
            std::string line = bytes.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            t.lines.push_back(std::move(line));
            start = end + 1;
        }
        return t;
    }

    std::string render() const {
        std::string out;
        for (const auto& l : lines)
            out += l + eol;
        return out;
    }

    // The section name when the line is a header.
    static std::optional<std::string_view> header(std::string_view line) {
        line = trim(line);
        if (line.empty() || line.front() != '[') return std::nullopt;
        auto close = line.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        return trim(line.substr(1, close - 1));
    }

    struct KeyLine {
        std::string_view key;
        std::string_view value;
    };
    static std::optional<KeyLine> key_line(std::string_view line) {
        auto eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        return KeyLine{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
    }

    // [first body line, end) of the first section with that name; no value when absent.
    struct Range {
        std::size_t header;
        std::size_t begin;
        std::size_t end;
    };
    std::optional<Range> find_section(std::string_view section) const {
        std::string_view wanted = trim(section);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            auto h = header(lines[i]);
            if (!h || !equals_ignore_case(*h, wanted)) continue;
            std::size_t j = i + 1;
            while (j < lines.size() && !header(lines[j]))
                ++j;
            return Range{i, i + 1, j};
        }
        return std::nullopt;
    }

    std::optional<std::size_t> find_key(const Range& r, std::string_view key) const {
        std::string_view wanted = trim(key);
        for (std::size_t i = r.begin; i < r.end; ++i) {
            auto k = key_line(lines[i]);
            if (k && equals_ignore_case(k->key, wanted)) return i;
        }
        return std::nullopt;
    }
};

namespace {

std::string resolve(const std::string& file) {
    return file.empty() ? environment().settings_file_path : file;
}

// One matching pair of double or single quotes around the value is not part of it.
std::string_view unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The written form of a value: one that a reader would unquote gets one more pair of its quotes.
std::string quoted_if_needed(const std::string& value) {
    if (unquoted(value).size() == value.size()) return value;
    return value.front() + value + value.back();
}

std::optional<std::string> value_in(const IniText& t, const std::string& section, const std::string& key) {
    auto r = t.find_section(section);
    if (!r) return std::nullopt;
    auto i = t.find_key(*r, key);
    if (!i) return std::nullopt;
    return std::string(unquoted(IniText::key_line(t.lines[*i])->value));
}

bool has_line_break(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Reads the file for a change. An absent file is an empty one; a file that exists but cannot be read
// must not be replaced by a file holding only the new value.
std::optional<IniText> load_for_change(const std::string& path) {
    std::error_code ec;
    const std::filesystem::file_type type = std::filesystem::status(path, ec).type();
    if (type == std::filesystem::file_type::not_found) return IniText{};
    if (type == std::filesystem::file_type::none) return std::nullopt;
    auto bytes = read_whole_file(path);
    if (!bytes) return std::nullopt;
    return IniText::parse(*bytes);
}

// A temporary file of a writer of path: "." + name + ".tmp-" + process id + "-" + counter. The id, or
// no value when the name is not one.
std::optional<long> temp_file_writer(const std::string& entry, const std::string& settings_name) {
    const std::string prefix = "." + settings_name + ".tmp-";
    if (entry.size() <= prefix.size() || entry.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
    std::string_view rest(entry);
    rest.remove_prefix(prefix.size());
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size()) return std::nullopt;
    long pid = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + dash, pid);
    if (ec != std::errc() || end != rest.data() + dash) return std::nullopt;
    for (char c : rest.substr(dash + 1))
        if (c < '0' || c > '9') return std::nullopt;
    return pid;
}

// Removes the temporary files that killed writers left beside path. Runs under the lock, so no other
// writer that keeps to it is writing one now; a running process's files are left alone all the same.
void remove_stale_temp_files(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path p(path);
    const std::string name = p.filename().string();
    std::error_code ec;
    fs::directory_iterator it(p.has_parent_path() ? p.parent_path() : fs::path("."), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const auto pid = temp_file_writer(it->path().filename().string(), name);
        if (pid && !file_lock_port().process_running(*pid)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

std::string lock_file_of(const std::string& path) {
    const std::filesystem::path p(path);
    return (p.parent_path() / ("." + p.filename().string() + ".lock")).string();
}

// Applies the changes to the file's text and replaces the file when the text changed. Each change
// reports whether it was made; a refused one leaves the text alone.
bool change_file(const std::string& file, const std::vector<std::function<bool(IniText&)>>& changes) {
    if (file.empty() && environment().settings_on_cdrom) return true;
    std::string path = resolve(file);
    if (path.empty()) return false;
    std::lock_guard lock(write_mutex);
    const auto hold = file_lock_port().lock_exclusive(lock_file_of(path));
    static std::set<std::string> cleaned; // under write_mutex
    if (cleaned.insert(path).second) remove_stale_temp_files(path);
    auto text = load_for_change(path);
    if (!text) return false;
    std::string before = text->render();
    bool all_made = true;
    for (const auto& change : changes)
        all_made = change(*text) && all_made;
    std::string after = text->render();
    if (after == before) return all_made; // spares the disk the many unchanged values saved at exit
    return write_file_atomically(path, after) && all_made;
}

bool valid_key(std::string_view k) {
    return !k.empty() && k.front() != '[' && k.find('=') == std::string_view::npos && !has_line_break(k);
}

bool valid_section(const std::string& section) {
    return section.find(']') == std::string::npos && !has_line_break(section);
}

bool set_value(IniText& t, const std::string& section, const std::string& key, const std::string& value) {
    std::string_view k = trim(key);
    if (!valid_key(k) || !valid_section(section) || has_line_break(value)) return false;
    const std::string stored = quoted_if_needed(value);
    std::string line = std::string(k) + "=" + stored;
    auto r = t.find_section(section);
    if (!r) {
        if (!t.lines.empty() && !trim(t.lines.back()).empty()) t.lines.emplace_back();
        t.lines.push_back("[" + std::string(trim(section)) + "]");
        t.lines.push_back(std::move(line));
        return true;
    }
    if (auto i = t.find_key(*r, key)) {
        // Keep the key as the file spells it.
        t.lines[*i] = std::string(IniText::key_line(t.lines[*i])->key) + "=" + stored;
        return true;
    }
    // After the section's last non-empty line, so the blank line before the next section stays.
    std::size_t at = r->end;
    while (at > r->begin && trim(t.lines[at - 1]).empty())
        --at;
    t.lines.insert(t.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    return true;
}

int integer_of(const std::optional<std::string>& v, int def) {
    if (!v) return def;
    std::string_view s = trim(*v);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty() || s.front() < '0' || s.front() > '9') return def; // negative numbers included
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return def;
    return value;
}

bool yes_no_of(const std::optional<std::string>& v, bool def) {
    if (!v) return def;
    if (v->empty()) return false;
    char c = static_cast<char>((*v)[0] >= 'a' && (*v)[0] <= 'z' ? (*v)[0] - 'a' + 'A' : (*v)[0]);
    return c == 'Y' || c == 'T';
}

} // namespace

NumberSet::NumberSet(std::initializer_list<int> members) {
    for (int m : members)
        insert(m);
}

void NumberSet::insert(int number) {
    if (number >= 1 && number <= 255) bits_.set(static_cast<std::size_t>(number));
}

void NumberSet::erase(int number) {
    if (number >= 1 && number <= 255) bits_.reset(static_cast<std::size_t>(number));
}

bool NumberSet::contains(int number) const {
    return number >= 1 && number <= 255 && bits_.test(static_cast<std::size_t>(number));
}

std::vector<int> NumberSet::members() const {
    std::vector<int> out;
    for (int i = 1; i <= 255; ++i)
        if (bits_.test(static_cast<std::size_t>(i))) out.push_back(i);
    return out;
}

std::string NumberSet::to_text() const {
    std::string out;
    for (int m : members()) {
        if (!out.empty()) out += '-';
        out += std::to_string(m);
    }
    return out;
}

NumberSet NumberSet::from_text(std::string_view text) {
    NumberSet set;
    text = text.substr(0, std::min(text.size(), max_number_set_length));
    int value = 0;
    bool have_digits = false;
    bool too_big = false;
    auto finish = [&] {
        if (have_digits && !too_big) set.insert(value);
        value = 0;
        have_digits = false;
        too_big = false;
    };
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            have_digits = true;
            if (!too_big) {
                value = value * 10 + (c - '0');
                too_big = value > 255;
            }
        } else if (c == '-') {
            finish();
        }
    }
    finish();
    return set;
}

SettingsReader::SettingsReader(const std::string& file) {
    if (auto bytes = read_whole_file(resolve(file)))
        text_ = std::make_shared<const IniText>(IniText::parse(*bytes));
}

std::optional<std::string> SettingsReader::value(const std::string& section, const std::string& key) const {
    if (!text_) return std::nullopt;
    return value_in(*text_, section, key);
}

std::string SettingsReader::read_string(const std::string& section, const std::string& key,
                                        const std::string& def) const {
    auto v = value(section, key);
    if (!v) return def;
    if (v->size() > max_string_length) v->resize(max_string_length);
    return *v;
}

int SettingsReader::read_integer(const std::string& section, const std::string& key, int def) const {
    return integer_of(value(section, key), def);
}

bool SettingsReader::read_yes_no(const std::string& section, const std::string& key, bool def) const {
    return yes_no_of(value(section, key), def);
}

NumberSet SettingsReader::read_number_set(const std::string& section, const std::string& key,
                                          const NumberSet& def) const {
    auto v = value(section, key);
    return v ? NumberSet::from_text(*v) : def;
}

bool SettingsReader::key_exists(const std::string& section, const std::string& key) const {
    return value(section, key).has_value();
}

void SettingsChanges::write_string(const std::string& section, const std::string& key,
                                   const std::string& value) {
    changes_.emplace_back([section, key, value](IniText& t) { return set_value(t, section, key, value); });
}

void SettingsChanges::write_integer(const std::string& section, const std::string& key, int value) {
    write_string(section, key, std::to_string(value));
}

void SettingsChanges::write_yes_no(const std::string& section, const std::string& key, bool value) {
    write_string(section, key, value ? "Yes" : "No");
}

void SettingsChanges::write_number_set(const std::string& section, const std::string& key,
                                       const NumberSet& value) {
    write_string(section, key, value.to_text());
}

void SettingsChanges::delete_key(const std::string& section, const std::string& key) {
    changes_.emplace_back([section, key](IniText& t) {
        auto r = t.find_section(section);
        if (!r) return true;
        if (auto i = t.find_key(*r, key)) t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(*i));
        return true;
    });
}

void SettingsChanges::delete_section(const std::string& section) {
    changes_.emplace_back([section](IniText& t) {
        auto r = t.find_section(section);
        if (!r) return true;
        t.lines.erase(t.lines.begin() + static_cast<std::ptrdiff_t>(r->header),
                      t.lines.begin() + static_cast<std::ptrdiff_t>(r->end));
        return true;
    });
}

bool SettingsChanges::commit(const std::string& file) const {
    if (changes_.empty()) return true;
    return change_file(file, changes_);
}

std::string settings_read_string(const std::string& file, const std::string& section, const std::string& key,
                                 const std::string& def) {
    return SettingsReader(file).read_string(section, key, def);
}

bool settings_write_string(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value) {
    // Refused before the file is looked at, so that a refused write never touches it.
    if (!valid_key(trim(key)) || !valid_section(section) || has_line_break(value)) return false;
    SettingsChanges c;
    c.write_string(section, key, value);
    return c.commit(file);
}

int settings_read_integer(const std::string& file, const std::string& section, const std::string& key,
                          int def) {
    return SettingsReader(file).read_integer(section, key, def);
}

bool settings_write_integer(const std::string& file, const std::string& section, const std::string& key,
                            int value) {
    return settings_write_string(file, section, key, std::to_string(value));
}

bool settings_read_yes_no(const std::string& file, const std::string& section, const std::string& key,
                          bool def) {
    return SettingsReader(file).read_yes_no(section, key, def);
}

bool settings_write_yes_no(const std::string& file, const std::string& section, const std::string& key,
                           bool value) {
    return settings_write_string(file, section, key, value ? "Yes" : "No");
}

NumberSet settings_read_number_set(const std::string& file, const std::string& section,
                                   const std::string& key, const NumberSet& def) {
    return SettingsReader(file).read_number_set(section, key, def);
}

bool settings_write_number_set(const std::string& file, const std::string& section, const std::string& key,
                               const NumberSet& value) {
    return settings_write_string(file, section, key, value.to_text());
}

bool settings_key_exists(const std::string& file, const std::string& section, const std::string& key) {
    return SettingsReader(file).key_exists(section, key);
}

std::vector<std::string> settings_read_section_keys(const std::string& file, const std::string& section) {
    std::vector<std::string> keys;
    auto bytes = read_whole_file(resolve(file));
    if (!bytes) return keys;
    IniText t = IniText::parse(*bytes);
    auto r = t.find_section(section);
    if (!r) return keys;
    for (std::size_t i = r->begin; i < r->end; ++i)
        if (auto k = IniText::key_line(t.lines[i]); k && !k->key.empty()) keys.emplace_back(k->key);
    return keys;
}

bool settings_delete_key(const std::string& file, const std::string& section, const std::string& key) {
    SettingsChanges c;
    c.delete_key(section, key);
    return c.commit(file);
}

bool settings_delete_section(const std::string& file, const std::string& section) {
    SettingsChanges c;
    c.delete_section(section);
    return c.commit(file);
}

} // namespace morvelin
