#include "core/sound/play_list.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <optional>
#include <tuple>

namespace morvelin {

namespace {

constexpr const char* general_section = "GENERAL";
constexpr const char* recordings_section = "RECORDINGS";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A whole decimal number (digits only, optional sign), no value otherwise.
std::optional<long long> whole_number(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (at == text.size()) return std::nullopt;
    long long value = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        if (!is_digit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -value : value;
}

int clamped_count(long long value) {
    return static_cast<int>(std::clamp<long long>(value, 1, TPlayListInfo::max_repeat_count));
}

std::string play_list_text(int line) {
    return language_texts().get_line("PLAY_LISTS", line + 1); // get_line counts from 1
}

// "00012A00003 " into number, carrier, sub-number and variant; a key without its variant letter has a
// blank one.
std::optional<std::tuple<int, char, int, char>> parse_list_key(const std::string& key) {
    std::size_t at = 0;
    auto digits = [&]() -> std::optional<int> {
        const std::size_t start = at;
        while (at < key.size() && is_digit(key[at]) && at - start < 9)
            ++at;
        if (at == start) return std::nullopt;
        return std::stoi(key.substr(start, at - start));
    };
    const auto number = digits();
    if (!number || at >= key.size()) return std::nullopt;
    const char carrier = key[at++];
    const auto sub_number = digits();
    if (!sub_number) return std::nullopt;
    char variant = ' ';
    if (at < key.size()) variant = key[at++];
    if (at != key.size()) return std::nullopt;
    return std::tuple{*number, carrier, *sub_number, variant};
}

// The item's number among the species' visible items; 0 when it is not visible.
int visible_context(const Tcupaitem& item, const PlayListResolver& resolver) {
    const Tspecies& species = *item.species;
    const int count = resolver.visibility.visible_item_count(species, resolver.mode);
    for (int n = 1; n <= count; ++n)
        if (resolver.visibility.nth_visible_item(species, n, false, resolver.mode) == &item) return n;
    return 0;
}

} // namespace

std::string play_list_cut_part_key(const Tcutpart& cut_part) {
    char text[40];
    std::snprintf(text, sizeof text, "%.5d%c%.5d%c", cut_part.number, cut_part.carrier_letter,
                  cut_part.sub_number, cut_part.variant_letter);
    return text;
}

std::string play_list_recording_value(const Tcupaitem& recording) {
    if (!recording.species || !recording.cut_part) return {};
    return std::to_string(recording.species->unique_id) + "," + play_list_cut_part_key(*recording.cut_part);
}

PlayListRecordingFinder::PlayListRecordingFinder(const Tdata& data) : data_(data) {
    for (const Tcutpart* c : data.cut_parts())
        by_fields_.emplace(CutPartFields{c->number, c->carrier_letter, c->sub_number, c->variant_letter}, c);
}

const Tcupaitem* PlayListRecordingFinder::find(const std::string& value, std::string* rest) const {
    std::string remaining = value;
    const std::string id_text = take_comma_field(remaining);
    const std::string key = take_comma_field(remaining);
    if (rest) *rest = remaining;
    const auto id = whole_number(trimmed(id_text));
    const Tspecies* species = id && *id > 0 && *id <= 0x7FFFFFFF ? data_.find_species(static_cast<int>(*id)) : nullptr;
    if (!species) return nullptr;
    const Tcutpart* cut_part = data_.find_cut_part(key);
    if (!cut_part) {
        if (const auto fields = parse_list_key(key)) {
            const auto it = by_fields_.find(*fields);
            if (it != by_fields_.end()) cut_part = it->second;
        }
    }
    if (!cut_part) return nullptr;
    for (const Tcupaitem* item = species->first_item; item; item = item->next_item)
        if (item->cut_part == cut_part) return item;
    return nullptr;
}

// ---- the rows ----

int PlayList::add(TPlayListInfo entry) {
    entry.repeat_count = clamped_count(entry.repeat_count);
    entries_.push_back(entry);
    return static_cast<int>(entries_.size()) - 1;
}

bool PlayList::remove(int row) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return false;
    entries_.erase(entries_.begin() + row);
    return true;
}

bool PlayList::move(int from, int to) {
    const int n = static_cast<int>(entries_.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return false;
    const TPlayListInfo entry = entries_[static_cast<std::size_t>(from)];
    entries_.erase(entries_.begin() + from);
    entries_.insert(entries_.begin() + to, entry);
    return true;
}

bool PlayList::set_repeat_text(int row, const std::string& text) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return false;
    const std::string t = trimmed(text);
    int count = 1;
    if (!t.empty()) {
        const auto value = whole_number(t);
        if (!value) return false;
        count = clamped_count(*value);
    }
    int& current = entries_[static_cast<std::size_t>(row)].repeat_count;
    if (current == count) return false;
    current = count;
    return true;
}

std::string PlayList::repeat_text(int row) const {
    if (row < 0 || row >= static_cast<int>(entries_.size())) return {};
    const int count = entries_[static_cast<std::size_t>(row)].repeat_count;
    return count == 1 ? std::string() : std::to_string(count);
}

std::string PlayList::clipboard_text(const std::function<std::string(const TPlayListInfo&)>& describe,
                                     const std::string& times_header) const {
    std::string times = times_header;
    for (char& c : times)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string out;
    for (int row = 0; row < row_count(); ++row) {
        if (row > 0) out += "\r\n";
        out += std::to_string(row + 1) + ":  ";
        if (entries_.empty()) continue;
        out += describe(entries_[static_cast<std::size_t>(row)]);
        const std::string repeat = repeat_text(row);
        if (!repeat.empty()) out += ", " + times + "=" + repeat;
    }
    return out;
}

void PlayList::start_sequence(int start_row) {
    // The entry at the start row is handed out as a new entry: index before it, counter 0.
    index_ = start_row > 0 && start_row < static_cast<int>(entries_.size()) ? start_row : 0;
    counter_ = 0;
}

NextEntry PlayList::next_entry(bool endless_loop) {
    NextEntry next;
    const int n = static_cast<int>(entries_.size());
    if (index_ >= 1 && index_ <= n && counter_ >= 1 &&
        entries_[static_cast<std::size_t>(index_ - 1)].repeat_count > counter_) {
        next.is_repeat = true;
        ++counter_;
    } else {
        ++index_;
        counter_ = 1;
        if (index_ > n && endless_loop) index_ = 1;
    }
    if (index_ < 1 || index_ > n) return next;
    const TPlayListInfo& entry = entries_[static_cast<std::size_t>(index_ - 1)];
    next.recording = entry.recording;
    next.context = entry.context;
    next.row = index_ - 1;
    next.is_last = index_ == n && entry.repeat_count <= counter_ && !endless_loop;
    return next;
}

// ---- the file ----

PlayListProduct PlayListProduct::running() {
    return {program_text(8), program_text(9)};
}

std::string list_file_identity_text(const PlayListProduct& product) {
    return "[GENERAL]\r\nCDROM=" + product.title + "\r\nVersion=" + product.version + "\r\n";
}

ListFileIdentity read_list_file_identity(const SettingsReader& reader, const PlayListProduct& product) {
    const auto cdrom = reader.value(general_section, "CDROM");
    const auto version = reader.value(general_section, "Version");
    if (!cdrom || !version) return ListFileIdentity::missing;
    if (*cdrom != product.title) return ListFileIdentity::other_product;
    return *version == product.version ? ListFileIdentity::same : ListFileIdentity::other_version;
}

std::string play_list_file_text(const PlayListFile& list, const PlayListProduct& product) {
    std::string text = list_file_identity_text(product);
    auto line = [&](const std::string& key, const std::string& value) { text += key + "=" + value + "\r\n"; };
    for (const auto& field : settings::between_sounds_fields()) {
        std::visit(
            [&](const auto& f) {
                using F = std::decay_t<decltype(f)>;
                using S = settings::BetweenSoundsOptions;
                if constexpr (std::is_same_v<F, settings::IntField<S>>)
                    line(f.key, std::to_string(list.options.*f.member));
                else if constexpr (std::is_same_v<F, settings::BoolField<S>>)
                    line(f.key, list.options.*f.member ? "Yes" : "No");
            },
            field);
    }
    line("Endless Loop", list.endless_loop ? "Yes" : "No");
    text += "\r\n[RECORDINGS]\r\n";
    if (list.entries.empty()) line("R1", "x");
    for (std::size_t i = 0; i < list.entries.size(); ++i) {
        const TPlayListInfo& entry = list.entries[i];
        std::string value = entry.recording ? play_list_recording_value(*entry.recording) : std::string();
        value = value.empty() ? "x" : value + "," + std::to_string(clamped_count(entry.repeat_count));
        line("R" + std::to_string(i + 1), value);
    }
    return text;
}

bool write_play_list_file(const std::string& path, const PlayListFile& list, const PlayListProduct& product) {
    if (write_file_atomically(path, play_list_file_text(list, product))) return true;
    show_message("File creation went wrong!", mb::icon_error);
    return false;
}

void remember_current_play_list(const std::string& path) {
    using P = settings::PlaylistSettings;
    P stored;
    stored.current = path;
    SettingsChanges changes;
    settings::write_field(changes, P::section, P::fields(), stored, &P::current);
    changes.commit();
}

bool save_play_list(const std::string& path, const PlayListFile& list, const PlayListProduct& product) {
    if (!write_play_list_file(path, list, product)) return false;
    remember_current_play_list(path);
    const bool from_cds = std::any_of(list.entries.begin(), list.entries.end(), [](const TPlayListInfo& e) {
        return e.recording && e.recording->cut_part && !e.recording->cut_part->is_sound_file;
    });
    if (from_cds) show_message(play_list_text(27), mb::icon_warning);
    return true;
}

PlayListReadResult read_play_list_file(const std::string& path, const PlayListResolver& resolver,
                                       const PlayListProduct& product) {
    PlayListReadResult result;
    if (path.empty()) return result;
    const SettingsReader reader(path);
    const ListFileIdentity identity = read_list_file_identity(reader, product);
    if (identity == ListFileIdentity::missing) return result;
    if (identity == ListFileIdentity::other_product) {
        result.status = PlayListLoad::other_product;
        return result;
    }
    result.status = PlayListLoad::loaded;
    result.other_version = identity == ListFileIdentity::other_version;

    PlayListFile& list = result.list;
    list.options = settings::PlaylistSettings::defaults(); // the same rows and defaults
    settings::read_fields(reader, general_section, settings::between_sounds_fields(), list.options);
    if (!resolver.speak_names_offered) {
        list.options.tell_species_names = false;
        list.options.tell_names_afterwards = false;
    }
    list.endless_loop = reader.read_yes_no(general_section, "Endless Loop", false);

    const PlayListRecordingFinder finder(resolver.data);
    for (int n = 1;; ++n) {
        const std::optional<std::string> stored = reader.value(recordings_section, "R" + std::to_string(n));
        if (!stored || stored->empty()) break;
        if (*stored == "x" || *stored == "X") continue;
        std::string rest;
        const Tcupaitem* item = finder.find(*stored, &rest);
        if (!item) {
            result.recordings_not_found = true;
            continue;
        }
        const int context = visible_context(*item, resolver);
        if (context == 0) {
            result.recordings_hidden = true;
            continue;
        }
        const auto repeat = whole_number(trimmed(rest));
        list.entries.push_back({item, context, repeat ? clamped_count(*repeat) : 1});
    }
    return result;
}

bool report_play_list_read(const PlayListReadResult& result, const std::function<void()>& between) {
    switch (result.status) {
    case PlayListLoad::not_a_play_list:
        show_message(play_list_text(24), mb::icon_error);
        return false;
    case PlayListLoad::other_product:
        show_message(play_list_text(21), mb::icon_error);
        return false;
    case PlayListLoad::loaded:
        break;
    }
    if (result.other_version) show_message(play_list_text(22) + " " + play_list_text(23), mb::icon_warning);
    if (between) between();
    if (result.recordings_not_found)
        show_message(play_list_text(25), mb::icon_warning);
    else if (result.recordings_hidden)
        show_message(play_list_text(26), mb::icon_warning);
    return true;
}

} // namespace morvelin
