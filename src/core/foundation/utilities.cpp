#include "core/foundation/utilities.h"

#include "core/foundation/byte_files.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace morvelin {

namespace {

std::string trim_control(const std::string& text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return text.substr(b, e - b);
}

} // namespace

std::optional<std::string> read_whole_file(const std::string& path) {
    FileHandle file = open_regular_file(path);
    if (!file) return std::nullopt;
    std::string bytes;
    char buffer[65536];
    for (;;) {
        std::size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, got);
        if (got < sizeof buffer) break;
    }
    if (std::ferror(file.get())) return std::nullopt;
    return bytes;
}

std::string ensure_trailing_separator(const std::string& text) {
    if (text.empty() || text.back() == '/') return text;
    return text + '/';
}

bool create_directory(const std::string& name) {
    std::error_code ec;
    if (fs::is_directory(name, ec)) return true;
    if (fs::exists(name, ec)) {
        show_message("Procedure \"GLB_create_directory()\" wanted to create subdirectory \"" +
                         message_text_from_path(name) + "\", but a file with the same name already exists.",
                     mb::icon_error);
        return false;
    }
    fs::create_directories(name, ec);
    if (ec || !fs::is_directory(name)) {
        show_message(
            "Something went wrong in procedure \"GLB_create_directory()\" when creating subdirectory \"" +
                message_text_from_path(name) + "\".",
            mb::icon_error);
        return false;
    }
    return true;
}

bool delete_directory_tree_with_confirmation(const std::string& name) {
    if (show_message("Is it OK to delete the subdirectory \"" + message_text_from_path(name) + "\"?",
                     mb::question_yes_no) != id::yes)
        return false;
    std::error_code ec;
    fs::remove_all(name, ec); // removes symbolic links themselves, never what they point to
    if (ec || fs::exists(fs::symlink_status(name))) {
        show_message("Something went wrong when deleting directory:\n" + message_text_from_path(name),
                     mb::icon_error);
        return false;
    }
    return true;
}

std::vector<std::string> list_folder(const std::string& folder, ListFolderOptions options) {
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? "." : folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (options.folders_only) {
            std::error_code type_ec;
            if (!it->is_directory(type_ec)) continue;
        }
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string prefix = options.full_path ? ensure_trailing_separator(folder) : std::string();
    for (auto& n : names)
        n = prefix + (options.upper_case ? to_upper_ascii(n) : n);
    return names;
}

std::int64_t count_files_in_tree(const std::string& folder) {
    std::int64_t count = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_regular_file(type_ec)) ++count;
    }
    return count;
}

std::int64_t size_of_listed_files(const std::vector<std::string>& files) {
    std::int64_t total = 0;
    for (const auto& f : files) {
        std::error_code ec;
        auto size = fs::file_size(f, ec);
        if (!ec) total += static_cast<std::int64_t>(size);
    }
    return total;
}

std::int64_t size_of_tree(const std::string& folder, const std::atomic<bool>* abort) {
    std::int64_t total = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        if (abort && abort->load()) break;
        std::error_code type_ec;
        if (it->is_regular_file(type_ec)) {
            auto size = it->file_size(type_ec);
            if (!type_ec) total += static_cast<std::int64_t>(size);
        }
    }
    return total;
}

bool copy_tree(const std::string& source, const std::string& target,
               const std::function<void(const std::string& file)>& on_file, const std::atomic<bool>* abort) {
    std::error_code ec;
    fs::create_directories(target, ec);
    if (!fs::is_directory(target)) return false;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    if (ec) return false;
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
    for (const auto& entry : entries) {
        if (abort && abort->load()) return true;
        std::string name = entry.path().filename().string();
        std::error_code type_ec;
        if (entry.is_directory(type_ec)) {
            if (!copy_tree(entry.path().string(), ensure_trailing_separator(target) + name, on_file, abort))
                return false;
        } else if (entry.is_regular_file(type_ec)) {
            if (on_file) on_file(entry.path().string());
            if (!copy_file(entry.path().string(), ensure_trailing_separator(target) + name)) return false;
        }
    }
    return true;
}

std::pair<std::string, std::string> split_existing_path(const std::string& path) {
    std::size_t existing = 0; // length of the longest existing folder prefix ending with '/'
    std::size_t pos = 0;
    while ((pos = path.find('/', pos)) != std::string::npos) {
        std::error_code ec;
        std::string prefix = path.substr(0, pos + 1);
        if (!fs::is_directory(prefix, ec)) break;
        existing = pos + 1;
        ++pos;
    }
    return {path.substr(0, existing), path.substr(existing)};
}

std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "/";
    return ensure_trailing_separator(home);
}

std::string documents_folder() {
    std::string home = home_folder();
    std::string candidate;
    if (const char* env = std::getenv("XDG_DOCUMENTS_DIR"); env && *env) candidate = env;
    if (candidate.empty()) {
        const char* config = std::getenv("XDG_CONFIG_HOME");
        std::string dirs_file =
            (config && *config ? ensure_trailing_separator(config) : home + ".config/") + "user-dirs.dirs";
        std::ifstream in(dirs_file);
        std::string line;
        while (std::getline(in, line)) {
            const std::string key = "XDG_DOCUMENTS_DIR=";
            if (line.rfind(key, 0) != 0) continue;
            std::string value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            if (value.rfind("$HOME", 0) == 0)
                value = home + value.substr(value.size() > 5 && value[5] == '/' ? 6 : 5);
            candidate = value;
            break;
        }
    }
    if (candidate.empty()) candidate = home + "Documents";
    std::error_code ec;
    if (!fs::is_directory(candidate, ec)) return {};
    return ensure_trailing_separator(candidate);
}

std::string take_comma_field(std::string& line) {
    auto comma = line.find(',');
    std::string field;
    if (comma == std::string::npos) {
        field = std::move(line);
        line.clear();
    } else {
        field = line.substr(0, comma);
        line.erase(0, comma + 1);
    }
    return field;
}

std::pair<std::string, std::string> split_at_first_comma(const std::string& text) {
    auto comma = text.find(',');
    if (comma == std::string::npos) return {text, {}};
    return {text.substr(0, comma), text.substr(comma + 1)};
}

std::array<int, 4> parse_four_integers(const std::string& text, bool& error) {
    std::array<int, 4> values{};
    std::string rest = text;
    for (int& v : values)
        v = parse_integer(take_comma_field(rest), 1, error);
    return values;
}

std::string render_four_integers(const std::array<int, 4>& values) {
    return std::to_string(values[0]) + "," + std::to_string(values[1]) + "," + std::to_string(values[2]) +
           "," + std::to_string(values[3]);
}

int parse_integer(const std::string& text, int def, bool& error) {
    std::string t = trim_control(text);
    std::size_t start = (!t.empty() && t[0] == '+') ? 1 : 0;
    if (start == 1 && (t.size() < 2 || t[1] == '-')) {
        error = true;
        return def;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(t.data() + start, t.data() + t.size(), value);
    if (t.size() == start || ec != std::errc() || end != t.data() + t.size()) {
        error = true;
        return def;
    }
    return value;
}

int parse_integer(const std::string& text, int def) {
    bool error = false;
    return parse_integer(text, def, error);
}

double parse_decimal(const std::string& text, double def, bool& error) {
    std::string t = trim_control(text);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < t.size() && is_digit(t[i]))
        ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && is_digit(t[i]))
            ++i, ++digits;
    }
    if (digits == 0 || i != t.size()) {
        error = true;
        return def;
    }
    // The sign belongs to the whole number: "-0.5" is -0.5 (an integer part of -0 is not negative, so
    // negating the fraction only for a negative integer part would give +0.5).
    std::size_t from = (t[0] == '+') ? 1 : 0;
    double value = 0;
    auto [end, ec] = std::from_chars(t.data() + from, t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size()) {
        error = true;
        return def;
    }
    return value;
}

double parse_decimal(const std::string& text, double def) {
    bool error = false;
    return parse_decimal(text, def, error);
}

bool equals_true(const std::string& text) {
    return equals_ignore_case(text, "TRUE");
}

std::string with_ellipsis(const std::string& text) {
    std::size_t stops = 0;
    while (stops < 3 && stops < text.size() && text[text.size() - 1 - stops] == '.')
        ++stops;
    return text + std::string(3 - stops, '.');
}

} // namespace morvelin
