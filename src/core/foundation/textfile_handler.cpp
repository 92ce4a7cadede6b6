#include "core/foundation/textfile_handler.h"

#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"

#include <algorithm>
#include <string_view>

namespace morvelin {

namespace {

std::vector<std::string> split_lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + ((bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::optional<std::string> header_key(const std::string& line) {
    if (line.empty() || line[0] != '$') return std::nullopt;
    auto open = line.find('[');
    auto close = line.find(']');
    if (open == std::string::npos || close == std::string::npos || open > close) return std::nullopt;
    return to_upper_ascii(line.substr(open + 1, close - open - 1));
}

// Kept body line, or no value for a skipped one.
std::optional<std::string> body_line(const std::string& line) {
    if (!line.empty() && (line[0] == '*' || line[0] == '\f')) return std::nullopt;
    std::string_view rest(line.data(), std::min(line.size(), line.find('#')));
    std::string text;
    for (auto at = rest.find("%$@"); at != std::string_view::npos; at = rest.find("%$@")) {
        text.append(rest.substr(0, at)).push_back('#');
        rest.remove_prefix(at + 3);
    }
    text.append(rest);
    return text;
}

Ttextfile_handler& global_table() {
    static Ttextfile_handler table;
    return table;
}

} // namespace

Ttextfile_handler::Ttextfile_handler(const std::string& file_name, bool fatal_if_missing) {
    auto path = locate_file(file_name);
    std::optional<std::string> bytes;
    if (path) bytes = read_whole_file(*path);
    if (!bytes) {
        std::string text = "The text file \"" + message_text_from_path(file_name) + "\" was not found!";
        if (fatal_if_missing) fatal_error(text);
        show_message(text, mb::icon_error);
        return;
    }
    found_ = true;
    path_ = *path;
    parse(*bytes, path_);
}

Ttextfile_handler Ttextfile_handler::from_bytes(const std::string& bytes, const std::string& name) {
    Ttextfile_handler t;
    t.found_ = true;
    t.path_ = name;
    t.parse(bytes, name);
    return t;
}

void Ttextfile_handler::parse(const std::string& bytes, const std::string& name) {
    const std::vector<std::string> lines = split_lines(bytes);
    std::size_t i = 0;
    while (i < lines.size()) {
        auto key = header_key(lines[i]);
        ++i;
        if (!key) continue; // the free header, or lines after a '$' line that is no valid header
        std::vector<std::string> body;
        for (; i < lines.size() && (lines[i].empty() || lines[i][0] != '$'); ++i)
            if (auto kept = body_line(lines[i])) body.push_back(std::move(*kept));
        if (sections_.count(*key))
            fatal_error("The text file \"" + message_text_from_path(name) + "\" contains the key [" + *key +
                        "] more than once!");
        sections_.emplace(std::move(*key), std::move(body));
    }
}

const std::vector<std::string>* Ttextfile_handler::section(const std::string& key) const {
    auto it = sections_.find(to_upper_ascii(key));
    return it == sections_.end() ? nullptr : &it->second;
}

void Ttextfile_handler::get_lines(const std::string& key, int last_index,
                                  std::vector<std::string>& out) const {
    get_lines_padded(key, out, 0, 0, last_index);
}

void Ttextfile_handler::get_lines_padded(const std::string& key, std::vector<std::string>& out,
                                         int min_length, int max_length, int last_index) const {
    out.assign(static_cast<std::size_t>(std::max(last_index + 1, 0)), std::string());
    const auto* lines = section(key);
    if (!lines) return;
    std::size_t count = std::min(lines->size(), out.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = (*lines)[i];
        if (min_length > 0 && line.size() < static_cast<std::size_t>(min_length))
            line.resize(static_cast<std::size_t>(min_length), ' ');
        if (max_length > 0 && line.size() > static_cast<std::size_t>(max_length))
            line.resize(static_cast<std::size_t>(max_length));
        out[i] = std::move(line);
    }
}

std::string Ttextfile_handler::get_line(const std::string& key, int number) const {
    const auto* lines = section(key);
    if (!lines || number < 1 || static_cast<std::size_t>(number) > lines->size()) return {};
    return (*lines)[static_cast<std::size_t>(number - 1)];
}

std::string Ttextfile_handler::get_joined_text(const std::string& key) const {
    std::string text;
    const auto* lines = section(key);
    if (!lines) return text;
    for (std::size_t i = 0; i < lines->size() && i < 100; ++i)
        text += (*lines)[i];
    return text;
}

bool Ttextfile_handler::has_key(const std::string& key) const {
    return section(key) != nullptr;
}

int Ttextfile_handler::line_count(const std::string& key) const {
    const auto* lines = section(key);
    return lines ? static_cast<int>(lines->size()) : 0;
}

void load_language_texts() {
    const ProgramConfig& config = program_config();
    std::string name = settings::read_general_settings().text_file;
    if (name.empty()) name = config.text_file_name;
    global_table() = Ttextfile_handler(name, true);
    if (config.load_caption_and_memory_texts) {
        std::string caption = global_table().get_line("MESSAGES_CAPTION", 1);
        if (!caption.empty()) set_message_caption(caption);
        std::string memory = global_table().get_line("OUT_OF_MEMORY", 1);
        if (!memory.empty()) environment().out_of_memory_text = memory;
    }
}

void install_language_texts(Ttextfile_handler table) {
    global_table() = std::move(table);
}

const Ttextfile_handler& language_texts() {
    return global_table();
}

std::vector<std::string> texts(const std::string& key, int last_index) {
    std::vector<std::string> out;
    global_table().get_lines(key, last_index, out);
    return out;
}

} // namespace morvelin
