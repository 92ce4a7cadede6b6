#include "data_commands.h"

#include "disc_commands.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/foundation/editions.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace morvelin::disc {

namespace {

// A small streaming JSON writer: objects and arrays nest, commas and indentation are placed for the
// caller. Strings are Windows-1252 and are written as UTF-8.
class JsonWriter {
public:
    std::string take() { return std::move(out_); }

    JsonWriter& begin_object() { return open('{'); }
    JsonWriter& end_object() { return close('}'); }
    JsonWriter& begin_array() { return open('['); }
    JsonWriter& end_array() { return close(']'); }

    JsonWriter& key(std::string_view name) {
        separate();
        write_string(name);
        out_ += ": ";
        after_key_ = true;
        return *this;
    }
    JsonWriter& value(std::string_view text) {
        separate();
        write_string(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(const std::string& text) { return value(std::string_view(text)); }
    JsonWriter& value(long long number) {
        separate();
        out_ += std::to_string(number);
        return *this;
    }
    JsonWriter& value(int number) { return value(static_cast<long long>(number)); }
    JsonWriter& value(double number) {
        separate();
        std::ostringstream s;
        s.imbue(std::locale::classic());
        s.precision(17);
        s << number;
        out_ += s.str();
        return *this;
    }
    JsonWriter& value(bool flag) {
        separate();
        out_ += flag ? "true" : "false";
        return *this;
    }
    JsonWriter& null() {
        separate();
        out_ += "null";
        return *this;
    }
    template <typename T> JsonWriter& field(std::string_view name, const T& v) { return key(name).value(v); }

private:
    JsonWriter& open(char bracket) {
        separate();
        out_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char bracket) {
        const bool empty = first_.back();
        first_.pop_back();
        if (!empty) newline();
        out_ += bracket;
        return *this;
    }
    void separate() {
        if (after_key_) {
            after_key_ = false;
            return;
        }
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
        newline();
    }
    void newline() {
        out_ += '\n';
        out_.append(first_.size(), ' ');
    }
    void write_string(std::string_view text) {
        out_ += '"';
        for (char c : cp1252_to_utf8(text)) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\') {
                out_ += '\\';
                out_ += c;
            } else if (c == '\n') {
                out_ += "\\n";
            } else if (byte < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", byte);
                out_ += buffer;
            } else {
                out_ += c;
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool after_key_ = false;
};

const char* order_name(int kind) {
    switch (kind) {
    case order_kind::scientific_names:
        return "names_sc.txt";
    case order_kind::clements:
        return "Clements 2000";
    case order_kind::sibley_monroe:
        return "Sibley&Monroe";
    default:
        return "other";
    }
}

// Kinds of the orders the data set holds: order 1, then the listed orders in file order.
std::vector<int> order_kinds_of(const Tdata& data) {
    std::vector<int> kinds{order_kind::scientific_names};
    for (int i = 1; i <= std::min(3, data.order_count); ++i)
        kinds.push_back(data.order_kind[i]);
    return kinds;
}

std::string flag_letters(const Tspecies& s) {
    std::string letters;
    const std::pair<bool, char> flags[] = {{s.flag_a, 'A'}, {s.flag_r, 'R'},  {s.flag_m, 'M'},
                                           {s.flag_s, 'S'}, {s.flag_c, 'C'},  {s.flag_e, 'E'},
                                           {s.flag_n, 'N'}, {s.map_flag, 'D'}};
    for (auto [on, letter] : flags)
        if (on) letters += letter;
    return letters;
}

void write_ssp(JsonWriter& j, const Tssp_data* ref) {
    j.key("subspecies");
    if (!ref) {
        j.null();
        return;
    }
    j.begin_object();
    j.key("name");
    if (ref->subspecies) {
        j.value(ref->subspecies->name);
    } else {
        j.null();
    }
    j.field("p_mark", ref->p_mark).end_object();
}

void write_optional_key(JsonWriter& j, std::string_view name, const std::string* key) {
    j.key(name);
    if (key) {
        j.value(*key);
    } else {
        j.null();
    }
}

void write_cut_part(JsonWriter& j, const Tcutpart& c) {
    j.begin_object().field("key", c.key).field("number", c.number);
    j.field("carrier_letter", std::string(1, c.carrier_letter)).field("sub_number", c.sub_number);
    j.field("variant_letter", std::string(1, c.variant_letter)).field("is_sound_file", c.is_sound_file);
    if (c.is_sound_file) {
        j.field("compression", static_cast<int>(c.compression));
    } else {
        j.field("audio_cd", c.audio_cd->number).field("track", c.track).field("offset_ms", c.offset);
        j.field("selected", c.cd_selected);
    }
    j.field("length_ms", c.length).field("value_3", c.value_3).field("value_4", c.value_4);
    j.field("locality", c.locality->key);
    write_optional_key(j, "recordist", c.recordist ? &c.recordist->key : nullptr);
    j.field("text_7", c.text_7).field("text_8", c.text_8).field("value_9", c.value_9).end_object();
}

void write_species(JsonWriter& j, const Tspecies& s) {
    j.begin_object().field("unique_id", s.unique_id).field("scientific_name", s.scientific_name);
    j.field("vernacular_name", s.vernacular_name);
    j.key("order_positions").begin_array();
    for (int k = 1; k < order_kinds; ++k)
        j.value(s.order_position[k]);
    j.end_array();
    j.field("flags", flag_letters(s)).field("threat_status", static_cast<int>(s.threat_status));
    j.field("in_region", s.in_region).field("has_photo", s.has_photo);
    j.field("has_sound_file_item", s.has_sound_file_item);
    if (s.area) j.field("areas", s.area->selection_text());
    write_optional_key(j, "text_author", s.text_author ? &s.text_author->key : nullptr);
    j.field("media_folder", s.media_folder);
    j.key("maps").begin_array();
    for (int slot = 1; slot <= s.map_count; ++slot)
        j.begin_object()
            .field("map", s.map_slot[slot].map->name)
            .field("is_mask", s.map_slot[slot].is_mask)
            .end_object();
    j.end_array();
    j.field("text_2", s.text_2).field("text_3", s.text_3).field("text_4", s.text_4);
    j.key("literature").begin_array();
    for (const auto& [number, text] : s.literature)
        j.begin_object().field("number", number).field("text", text).end_object();
    j.end_array();
    j.key("subspecies").begin_array();
    for (const Tsubspecies* ssp = s.first_subspecies; ssp; ssp = ssp->next_subspecies)
        j.begin_object()
            .field("ordinal", ssp->ordinal)
            .field("name", ssp->name)
            .field("not_real", ssp->not_real)
            .end_object();
    j.end_array();
    j.key("items").begin_array();
    for (const Tcupaitem* item = s.first_item; item; item = item->next_item) {
        j.begin_object().field("item_number", item->item_number);
        j.field("class_letter", std::string(1, item->class_letter))
            .field("number_3", static_cast<int>(item->number_3));
        j.field("is_p", item->is_p);
        write_ssp(j, item->subspecies);
        j.field("text_5", item->text_5).field("text_7", item->text_7);
        j.key("cut_part");
        write_cut_part(j, *item->cut_part);
        j.end_object();
    }
    j.end_array();
    j.key("photos").begin_array();
    for (const Tbig_picture* p = s.first_picture; p; p = p->next_picture) {
        j.begin_object().field("number", p->number).field("counts_as_photo", p->counts_as_photo);
        write_ssp(j, p->subspecies);
        write_optional_key(j, "copyright_holder", p->copyright_holder ? &p->copyright_holder->key : nullptr);
        j.field("date", p->date);
        write_optional_key(j, "locality", p->locality ? &p->locality->key : nullptr);
        j.field("description", p->description).end_object();
    }
    j.end_array();
    j.end_object();
}

struct FatalHandlerScope {
    FatalHandlerScope() {
        set_fatal_handler([](const std::string& text) { throw FatalError{text}; });
    }
    ~FatalHandlerScope() { install_tool_fatal_handler(); }
    FatalHandlerScope(const FatalHandlerScope&) = delete;
    FatalHandlerScope& operator=(const FatalHandlerScope&) = delete;
};

} // namespace

std::unique_ptr<Tdata> load_disc(const std::string& folder, std::string& error) {
    const std::string dir = ensure_trailing_separator(folder);
    FatalHandlerScope scope;
    try {
        if (auto texts_path = find_path_case_insensitive(dir + "Morvelin.txt")) {
            install_language_texts(Ttextfile_handler(*texts_path, false));
        } else {
            install_language_texts(Ttextfile_handler());
        }
        int code = 0;
        auto edition_path = find_path_case_insensitive(dir + "PROGR_NM.TXT");
        auto bytes = edition_path ? read_whole_file(*edition_path) : std::nullopt;
        if (bytes) {
            code = edition_code(*bytes);
        } else {
            std::fprintf(stderr, "PROGR_NM.TXT not found in %s: loading as the unknown edition\n",
                         dir.c_str());
        }
        determine_edition_from_code(code);
        return load_data({dir});
    } catch (const FatalError& e) {
        error = e.message;
        return nullptr;
    }
}

std::string data_summary(const Tdata& data) {
    std::ostringstream s;
    s << "Edition: " << edition().edition_id << " (" << cp1252_to_utf8(edition().title) << ")\n";
    s << "Families per order:\n";
    for (int kind : order_kinds_of(data)) {
        s << "  " << order_name(kind) << ": " << data.family_count[kind]
          << (data.order_complete[kind] ? "" : " (not every species is in this order)") << "\n";
    }
    s << "Species: " << data.species_count() << "\n";
    s << "Recordings: " << data.item_count() << "\n";
    std::size_t sound_files = 0;
    for (const Tcutpart* c : data.cut_parts())
        sound_files += c->is_sound_file;
    s << "Cut parts: " << data.cut_parts().size() << " (sound files " << sound_files << ", audio-CD slices "
      << data.cut_parts().size() - sound_files << ")\n";
    std::size_t counted = 0;
    for (std::size_t i = 0; i < data.species_count(); ++i) {
        for (const Tbig_picture* p = data.species_at(i).first_picture; p; p = p->next_picture)
            counted += p->counts_as_photo;
    }
    s << "Photos: " << data.photo_count() << " (" << counted << " counted as photos of their species)\n";
    s << "Localities: " << data.localities().size() << " (" << data.localities_by_name().size()
      << " with a site description)\n";
    s << "Persons: " << data.persons().size() << "\n";
    s << "Audio CDs: " << data.audio_cd_count() << " (" << data.audio_cd_count() - data.regular_cd_count
      << " always available)\n";
    s << "Maps: " << data.map_data().size() << "\n";
    s << "Literature references: " << data.literature_references.size() << "\n";
    for (const std::string& note : data.notes)
        s << "Note: " << cp1252_to_utf8(note) << "\n";
    return s.str();
}

std::string data_json(const Tdata& data) {
    JsonWriter j;
    j.begin_object();
    j.field("edition_id", edition().edition_id);
    j.key("orders").begin_array();
    for (int kind : order_kinds_of(data)) {
        j.begin_object()
            .field("kind", kind)
            .field("name", order_name(kind))
            .field("complete", data.order_complete[kind]);
        j.key("families").begin_array();
        for (const Tfamily* f : data.families(kind)) {
            j.begin_object()
                .field("scientific_name", f->scientific_name)
                .field("vernacular_name", f->vernacular_name);
            if (kind == order_kind::scientific_names) j.field("media_folder", f->media_folder);
            j.key("species").begin_array();
            for (const Tspecies* s = f->first_species; s; s = s->next_in_order[kind])
                j.value(s->unique_id);
            j.end_array().end_object();
        }
        j.end_array().end_object();
    }
    j.end_array();
    j.key("species").begin_array();
    for (std::size_t i = 0; i < data.species_count(); ++i)
        write_species(j, data.species_at(i));
    j.end_array();
    j.key("localities").begin_array();
    for (const Tlocality* l : data.localities()) {
        j.begin_object().field("key", l->key).field("name", l->name).field("region", l->region);
        j.field("country", l->country).field("line_4", l->line_4).field("text", l->text);
        j.field("position_1", static_cast<int>(l->position_1)).field("position_1_flag", l->position_1_flag);
        j.field("position_2", static_cast<int>(l->position_2)).field("position_2_flag", l->position_2_flag);
        j.field("text_7", l->text_7).end_object();
    }
    j.end_array();
    j.key("persons").begin_array();
    for (const Tperson* p : data.persons())
        j.begin_object()
            .field("key", p->key)
            .field("text_1", p->text_1)
            .field("text_2", p->text_2)
            .field("text_3", p->text_3)
            .end_object();
    j.end_array();
    j.key("audio_cds").begin_array();
    for (std::size_t i = 1; i <= data.audio_cd_count(); ++i) {
        const TaudioCD& cd = data.audio_cd_by_sequence(static_cast<int>(i));
        j.begin_object().field("number", cd.number).field("sequence", cd.sequence).field("text_1", cd.text_1);
        j.field("text_2", cd.text_2)
            .field("text_3", cd.text_3)
            .field("always_available", cd.always_available);
        j.field("text_5", cd.text_5)
            .field("text_6", cd.text_6)
            .field("hard_disk_folder", cd.hard_disk_folder)
            .end_object();
    }
    j.end_array();
    j.key("maps").begin_array();
    for (const Tmap_data* m : data.map_data()) {
        j.begin_object().field("name", m->name).field("kind", m->kind).key("bounds").begin_array();
        for (double b : m->bounds)
            j.value(b);
        j.end_array().end_object();
    }
    j.end_array();
    j.key("literature_references").begin_array();
    for (const std::string& r : data.literature_references)
        j.value(r);
    j.end_array();
    j.end_object();
    std::string out = j.take();
    out += '\n';
    return out;
}

namespace {

int usage(const char* command, const std::string& problem, const char* arguments) {
    std::fprintf(stderr, "morvelin-disc %s: %s\nusage: morvelin-disc %s %s\n", command, problem.c_str(),
                 command, arguments);
    return 2;
}

} // namespace

int cmd_check(const std::vector<std::string>& args) {
    const ParsedArguments a = parse_arguments(args, {}, {}, 1);
    if (!a.error.empty()) return usage("check", a.error, "DIR");
    std::string error;
    auto data = load_disc(a.positional[0], error);
    if (!data) return tool_failure(cp1252_to_utf8(error));
    std::fputs(data_summary(*data).c_str(), stdout);
    return 0;
}

int cmd_dump(const std::vector<std::string>& args) {
    const ParsedArguments a = parse_arguments(args, {}, {"--output"}, 1);
    if (!a.error.empty()) return usage("dump", a.error, "DIR [--output FILE]");
    std::string error;
    auto data = load_disc(a.positional[0], error);
    if (!data) return tool_failure(cp1252_to_utf8(error));
    const std::string json = data_json(*data);
    const auto output = a.values.find("--output");
    if (output == a.values.end()) {
        std::fwrite(json.data(), 1, json.size(), stdout);
        return 0;
    }
    return write_output(output->second, json, error) ? 0 : tool_failure(error);
}

int cmd_register_cd_copies(const std::vector<std::string>& args) {
    const ParsedArguments a = parse_arguments(args, {}, {}, 2);
    if (!a.error.empty()) return usage("register-cd-copies", a.error, "DIR SETTINGS");
    const std::string& settings = a.positional[1];
    std::string error;
    auto data = load_disc(a.positional[0], error);
    if (!data) return tool_failure(cp1252_to_utf8(error));
    std::vector<std::filesystem::path> folders;
    std::error_code ec;
    const auto copies =
        find_path_case_insensitive(ensure_trailing_separator(a.positional[0]) + "Audio CD copies");
    if (copies && std::filesystem::is_directory(*copies, ec)) {
        for (const auto& entry : std::filesystem::directory_iterator(*copies, ec))
            if (entry.is_directory(ec)) folders.push_back(entry.path());
    } else {
        std::printf("no folder \"Audio CD copies\" on the disc: every regular audio CD plays from a drive\n");
    }
    std::sort(folders.begin(), folders.end());
    const auto& cds = data->audio_cds();
    NumberSet on_hard_disk;
    for (const auto& folder : folders) {
        // The folder is named like the CD's first text, which is Windows-1252 like every disc text.
        const std::string name = utf8_to_cp1252(folder.filename().string());
        const auto found = std::find_if(cds.begin(), cds.end(), [&](const TaudioCD* cd) {
            return !cd->always_available && cd->text_1 == name;
        });
        if (found == cds.end()) {
            std::fprintf(stderr, "register-cd-copies: no regular audio CD is named \"%s\"; left out\n",
                         folder.filename().string().c_str());
            continue;
        }
        const TaudioCD& match = **found;
        const std::string n = std::to_string(match.number);
        // A path: stored native, as the program reads it.
        const std::string path = std::filesystem::absolute(folder, ec).string() + "/";
        SettingsChanges changes;
        settings::write_audio_cd_copy(changes, match.number,
                                      {audio_cd_short_name(match), path});
        if (!changes.commit(settings)) return tool_failure("could not write \"" + settings + "\"");
        on_hard_disk.insert(match.sequence);
        std::printf("audio CD %s (%s): copy in %s\n", n.c_str(), cp1252_to_utf8(match.text_2).c_str(),
                    path.c_str());
    }
    // The CD sets of every window: each CD shown and playable; the CDs with a copy play from the hard
    // disk, the others from a drive (the program's default would take every CD to be on the hard disk).
    if (!cds.empty()) {
        NumberSet all;
        for (std::size_t i = 1; i <= cds.size(); ++i)
            all.insert(static_cast<int>(i));
        const int windows = std::clamp(settings_read_integer(settings, "GENERAL", "Windows", 1), 1, 99);
        for (int w = 1; w <= windows; ++w) {
            const std::string section = "WINDOW " + std::to_string(w);
            if (!settings_write_number_set(settings, section, "Visible Audio CDs", all) ||
                !settings_write_number_set(settings, section, "Playable Audio CDs", all) ||
                !settings_write_number_set(settings, section, "Audio CDs on HD", on_hard_disk))
                return tool_failure("could not write \"" + settings + "\"");
        }
    }
    return 0;
}

} // namespace morvelin::disc
