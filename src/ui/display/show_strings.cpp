#include "ui/display/show_strings.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "ui/display/show_form.h"
#include "ui/display/show_sound_bars.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "core/sound/file_locations.h"
#include "ui/sound/sonogram_strip.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <charconv>
#include <map>

namespace morvelin {

namespace {

using Line = TShowStringsLine;

// The document shows every recording a window's filter lets through, whatever its class.
constexpr int document_item_mode = TShowStrings::item_mode;

TextPictureFactory& picture_factory() {
    static TextPictureFactory f;
    return f;
}
TextPictureTest& picture_test() {
    static TextPictureTest t;
    return t;
}

std::string shstr_line(int index) {
    return language_texts().get_line("QM_SHSTR", index + 1);
}

char upper_cp1252(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z') return static_cast<char>(u - 32);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 32);
    return c;
}
char lower_cp1252(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
    return c;
}
std::string first_upper(std::string text) {
    if (!text.empty()) text[0] = upper_cp1252(text[0]);
    return text;
}
std::string first_lower(std::string text) {
    if (!text.empty()) text[0] = lower_cp1252(text[0]);
    return text;
}
std::string upper_text(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = upper_cp1252(c);
    return out;
}
std::string trimmed(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    return std::string(text.substr(b, e - b));
}
std::string with_link(const std::string& text) {
    return std::string(1, markup::link) + text + std::string(1, markup::link);
}

int scroll_bar_extent() {
    return QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
}

bool is_fold_kind(std::uint8_t kind) {
    return kind == line_kind::group_fold || kind == line_kind::family_fold ||
           kind == line_kind::species_fold || kind == line_kind::recording_fold;
}

// The kinds after which folding a fold line of the given kind stops removing lines.
bool ends_fold(std::uint8_t fold_kind, std::uint8_t kind) {
    switch (fold_kind) {
    case line_kind::group_fold:
        return kind == line_kind::group_fold;
    case line_kind::family_fold:
        return kind == line_kind::group_fold || kind == line_kind::family_fold;
    case line_kind::species_fold:
        return kind == line_kind::group_fold || kind == line_kind::family_fold ||
               kind == line_kind::species_fold;
    case line_kind::recording_fold:
        return kind == line_kind::group_fold || kind == line_kind::family_fold ||
               kind == line_kind::species_fold || kind == line_kind::recording_number ||
               kind == line_kind::subspecies_header;
    default:
        return true;
    }
}

// The lines that belong to a fold line's own block (shown while it is folded).
bool in_fold_block(std::uint8_t fold_kind, std::uint8_t kind) {
    switch (fold_kind) {
    case line_kind::group_fold:
        return kind == line_kind::group_header;
    case line_kind::family_fold:
        return kind == line_kind::family_header || kind == line_kind::family_scientific ||
               kind == line_kind::family_other;
    case line_kind::species_fold:
        return kind >= line_kind::species_header && kind <= line_kind::other_names;
    case line_kind::recording_fold:
        return kind == line_kind::recording_code || kind == line_kind::recording_title ||
               kind == line_kind::percentage;
    default:
        return false;
    }
}

std::vector<const Tfamily*> families_in_order(const Tdata& data, int order) {
    std::vector<const Tfamily*> out;
    for (const Tfamily* f = data.first_family[static_cast<std::size_t>(order)]; f; f = f->next_family)
        out.push_back(f);
    return out;
}

// The countable items of a species that the filter shows, in data order.
std::vector<const Tcupaitem*> shown_items(const Tspecies& species,
                                          const TClassVisibleSpeciesAndRecordings& v) {
    std::vector<const Tcupaitem*> items;
    for (const Tcupaitem* item = species.first_item; item && item->is_p; item = item->next_item) {
        if (v.item_visible(*item, false, document_item_mode)) items.push_back(item);
    }
    return items;
}

bool subspecies_has_pictures(const Tspecies& species, const Tsubspecies* subspecies) {
    for (const Tbig_picture* p = species.first_picture; p; p = p->next_picture) {
        if (p->subspecies && p->subspecies->subspecies == subspecies) return true;
    }
    return false;
}

const Tsubspecies* subspecies_of(const Tcupaitem& item) {
    return item.subspecies ? item.subspecies->subspecies : nullptr;
}

// A person's key is the name; the three texts are contact fields.
std::string person_name(const Tperson& person) {
    return person.key;
}

} // namespace

void set_text_picture_factory(TextPictureFactory factory) {
    picture_factory() = std::move(factory);
}
void set_text_picture_test(TextPictureTest test) {
    picture_test() = std::move(test);
}

// ---------------------------------------------------------------- list handling

TShowStrings::TShowStrings(TShowForm* owner)
    : owner_(owner), settings_(), sound_bars_(std::make_unique<ShowSoundBars>(*this)) {}

TShowStrings::~TShowStrings() {
    clear();
}

void TShowStrings::clear() {
    while (head_)
        remove_line(head_);
    selected_ = current_family_ = current_species_ = nullptr;
    reset_first_visible();
}

TShowStringsLine* TShowStrings::last() const {
    return tail_;
}

TShowStringsLine* TShowStrings::append_after(Line* after, std::unique_ptr<Line> line) {
    Line* l = line.release();
    if (!after) {
        l->next = head_;
        if (head_) head_->prev = l;
        head_ = l;
    } else {
        l->next = after->next;
        l->prev = after;
        if (after->next) after->next->prev = l;
        after->next = l;
    }
    if (!l->next) tail_ = l;
    ++line_count_;
    return l;
}

void TShowStrings::remove_line(Line* line) {
    if (line->sound_bar) sound_bars_->free(*line->sound_bar);
    if (line == selected_) selected_ = nullptr;
    if (line == current_family_) current_family_ = nullptr;
    if (line == current_species_) current_species_ = nullptr;
    if (line == first_visible_) reset_first_visible();
    if (line->prev)
        line->prev->next = line->next;
    else
        head_ = line->next;
    if (line->next)
        line->next->prev = line->prev;
    else
        tail_ = line->prev;
    --line_count_;
    delete line;
}

void TShowStrings::remove_after_until(Line* from, const std::function<bool(const Line&)>& stop) {
    while (from->next && !stop(*from->next))
        remove_line(from->next);
}

std::unique_ptr<TShowStringsLine> TShowStrings::make_line(std::uint8_t kind) const {
    auto line = std::make_unique<Line>();
    line->kind = kind;
    line->x = kind_indent(kind);
    return line;
}

// ---------------------------------------------------------------- layout of single lines

int TShowStrings::available_width(const Line& line) const {
    const int client = owner_ ? owner_->client_width() : 800;
    return std::max(60, client - scroll_bar_extent() - kind_indent(line.kind) - line.extra_indent);
}

void TShowStrings::wrap_line(Line& line) const {
    const TShowFonts& fonts = TShowFonts::instance();
    line.text = wrap_markup(line.text, line.font, available_width(line));
    line.x = kind_indent(line.kind) + line.extra_indent;
    if (line.kind == line_kind::cd_line) line.x = 0; // continues after the sound bar
    int lines = markup_line_count(line.text);
    // The CD line and the recording title start on the row of the line before them.
    if (line.kind == line_kind::cd_line || line.kind == line_kind::recording_title) --lines;
    line.height = lines * fonts.line_height();
    if (line.kind == line_kind::subspecies_header && line.state[0]) line.height += 10; // closing list
}

int TShowStrings::code_row_height(const Tcupaitem* recording) const {
    const TShowFonts& fonts = TShowFonts::instance();
    const int bold_height = fonts.metrics(FontRef{font_style::bold, 1, 0}).height();
    const Tcutpart* cut = recording ? recording->cut_part : nullptr;
    const bool audio_cd = cut && !cut->is_sound_file && cut->audio_cd;
    return std::max(19, bold_height * 7 / 6) + (audio_cd ? 1 : 0) +
           (has_strip(recording) ? TSonogramStrip::slot_height : 0);
}

bool TShowStrings::has_strip(const Tcupaitem* recording) const {
    return strips_ && recording && recording->cut_part &&
           has_a_file(*recording->cut_part, settings_.visible.carriers.cds_on_hd);
}

void TShowStrings::set_sonogram_strips(bool shown) {
    if (shown == strips_) return;
    strips_ = shown;
    if (!shown) sound_bars_->free_strips();
    relayout();
    if (owner_) {
        owner_->update_scroll_range();
        owner_->viewport()->update();
    }
}

namespace {
// Heights that follow from a line's kind and neighbours (wrapped lines are measured separately).
int fixed_height(const Line& line, int code_row, int picture_compensation) {
    const TShowFonts& fonts = TShowFonts::instance();
    switch (line.kind) {
    case line_kind::group_fold:
    case line_kind::family_fold:
    case line_kind::species_fold:
        return fonts.spacer_height();
    case line_kind::recording_number: {
        // Room for the bar's numbers above its slider, clear of the text of the row above.
        const QFontMetrics& m = fonts.metrics(FontRef{});
        const Tcutpart* cut = line.recording ? line.recording->cut_part : nullptr;
        const int numbers = m.height() + 1 + (cut && !cut->is_sound_file ? 1 : 0);
        int h =
            std::max(scroll_bar_extent() + fonts.line_height() - 3, numbers + m.ascent() - 2 + m.descent()) +
            picture_compensation;
        if (line.flags & line_flag::connecting_line) h += 5;
        return h;
    }
    case line_kind::recording_fold:
        return code_row;
    case line_kind::recording_code:
        return line.prev && line.prev->kind == line_kind::recording_fold ? 0 : code_row;
    case line_kind::percentage:
        return fonts.line_height();
    default:
        return 0;
    }
}
} // namespace

// ---------------------------------------------------------------- names

std::string TShowStrings::main_name_of(const Tspecies& species) const {
    const bool sci_first = settings_.main_name == main_name::scientific;
    if (sci_first || species.vernacular_name.empty()) return species.scientific_name;
    return species.vernacular_name;
}

namespace {
struct NameChoice {
    std::uint8_t kind_offset; // 0 scientific, 1 other language
    const std::string* text;
};

// The name lines of a family or species row, in order (see the name rules of the document).
std::vector<NameChoice> choose_names(const SHST_TClassShowStringsData& s, const std::string& scientific,
                                     const std::string& other) {
    std::vector<NameChoice> names;
    const bool sci_main = s.main_name == main_name::scientific;
    const auto add = [&](bool sci) {
        const std::string& text = sci ? scientific : other;
        if (!text.empty()) names.push_back({static_cast<std::uint8_t>(sci ? 0 : 1), &text});
    };
    // Position 1: the main name, when its kind is shown.
    if (sci_main ? s.scientific : s.other_language) add(sci_main);
    // Position 2: the other kind, when shown.
    if (sci_main ? s.other_language : s.scientific) add(!sci_main);
    // A row always has a name.
    if (names.empty()) add(true);
    return names;
}
} // namespace

TShowStringsLine* TShowStrings::append_names(Line* after, const std::string& scientific,
                                             const std::string& other, bool species) {
    const std::vector<NameChoice> names = choose_names(settings_, scientific, other);
    Line* first = nullptr;
    for (const NameChoice& n : names) {
        const std::uint8_t base = species ? line_kind::species_scientific : line_kind::family_scientific;
        auto line = make_line(static_cast<std::uint8_t>(base + n.kind_offset));
        line->text = *n.text;
        line->font = n.kind_offset == 0 ? FontRef{font_style::italic, 0, 0} : FontRef{};
        after = append_after(after, std::move(line));
        if (!first)
            first = after;
        else
            first->flags |= line_flag::second_name_follows;
    }
    return after;
}

// ---------------------------------------------------------------- building

void TShowStrings::build(const SHST_TClassShowStringsData* settings) {
    clear();
    const Tdata& data = data_set();
    settings_ = settings ? *settings : SHST_TClassShowStringsData::create_default(data);
    strips_ = ::morvelin::settings::read_general_settings().sonogram_strips;
    layout_width_ = owner_ ? owner_->client_width() : 0;
    if (edition().switches.group_families) {
        Line* at = nullptr;
        for (int g = 3; g <= 6; ++g) {
            bool any = false;
            for (const Tfamily* f : families_in_order(data, settings_.systematic_order)) {
                if (family_group(*f) == g &&
                    settings_.visible.family_has_visible_species(*f, settings_.systematic_order)) {
                    any = true;
                    break;
                }
            }
            if (!any) continue;
            auto fold = make_line(line_kind::group_fold);
            fold->number = g;
            fold->height = TShowFonts::instance().spacer_height();
            at = append_after(at, std::move(fold));
            auto header = make_line(line_kind::group_header);
            header->number = g;
            header->text = group_name(g, "");
            header->font = FontRef{font_style::bold, 1, 0};
            at = append_after(at, std::move(header));
        }
    } else {
        append_families(nullptr, 0);
    }
    select(first_selectable());
}

TShowStringsLine* TShowStrings::append_families(Line* after, int group) {
    const Tdata& data = data_set();
    const int order = settings_.systematic_order;
    int number = 0;
    for (const Tfamily* f : families_in_order(data, order)) {
        ++number;
        if (group != 0 && family_group(*f) != group) continue;
        if (!settings_.visible.family_has_visible_species(*f, order)) continue;
        auto fold = make_line(line_kind::family_fold);
        fold->height = TShowFonts::instance().spacer_height();
        after = append_after(after, std::move(fold));
        auto header = make_line(line_kind::family_header);
        header->number = number;
        header->family = f;
        after = append_after(after, std::move(header));
        after = append_names(after, f->scientific_name, f->vernacular_name, false);
    }
    return after;
}

TShowStringsLine* TShowStrings::append_species(Line* after, const Line& family_header) {
    const int order = settings_.systematic_order;
    int number = 0;
    for (const Tspecies* s = family_header.family->first_species; s;
         s = s->next_in_order[static_cast<std::size_t>(order)]) {
        if (!settings_.visible.species_visible(*s)) continue;
        ++number;
        after = append_species_lines(after, *s, family_header.number, number);
    }
    return after;
}

bool TShowStrings::species_has_text(const Tspecies& species) const {
    return !species.text_3.empty() || !species.text_4.empty();
}

bool TShowStrings::species_unfoldable(const Tspecies& species) const {
    if (species_has_text(species)) return true;
    if (picture_test() && picture_test()(species)) return true;
    return settings_.visible.visible_item_count(species, document_item_mode) > 0;
}

TShowStringsLine* TShowStrings::append_species_lines(Line* after, const Tspecies& species, int family_number,
                                                     int species_number) {
    (void)family_number;
    auto fold = make_line(line_kind::species_fold);
    fold->species = &species;
    fold->height = TShowFonts::instance().spacer_height();
    after = append_after(after, std::move(fold));
    auto header = make_line(line_kind::species_header);
    header->number = species_number;
    header->species = &species;
    after = append_after(after, std::move(header));
    after = append_names(after, species.scientific_name, species.vernacular_name, true);

    if (species.map_count > 0 || species.map_flag) {
        auto map = make_line(line_kind::map_button);
        map->species = &species;
        after = append_after(after, std::move(map));
    }
    auto icons = make_line(line_kind::content_icons);
    icons->species = &species;
    icons->state[0] = species.picture_count > 0;
    icons->state[1] = picture_test() && picture_test()(species);
    icons->state[2] = settings_.visible.visible_item_count(species, document_item_mode) > 0;
    after = append_after(after, std::move(icons));
    if (!species.literature.empty()) {
        auto lit = make_line(line_kind::literature_link);
        lit->species = &species;
        lit->text = " " + with_link("r");
        after = append_after(after, std::move(lit));
    }
    {
        // Editions with a country scheme note when a species is not known from the selected area.
        const int id = edition().edition_id;
        const bool noting = id == 101 || id == 111 || (id >= 113 && id <= 115) || id == 120;
        const TArea* selection = settings_.visible.area_selection.get();
        if (noting && selection && species.area && !species.area->shares_an_area_with(*selection)) {
            auto area = make_line(line_kind::area_status);
            area->species = &species;
            area->text = "  " + shstr_line(13);
            area->font = FontRef{font_style::bold, 0, 0};
            after = append_after(after, std::move(area));
        }
    }
    if (settings_.show_threatened && species.threat_status >= 1 && species.threat_status <= 4) {
        auto threat = make_line(line_kind::threatened_status);
        threat->species = &species;
        threat->number = species.threat_status;
        threat->text = "  " + with_link(shstr_line(14 + species.threat_status));
        threat->font = FontRef{font_style::bold, 0, 1};
        after = append_after(after, std::move(threat));
    }
    if (settings_.other_language && !species.text_2.empty()) {
        auto other = make_line(line_kind::other_names);
        other->species = &species;
        other->text = species.text_2;
        other->font = FontRef{font_style::normal, -1, 0};
        after = append_after(after, std::move(other));
        wrap_line(*after);
    }
    return after;
}

// ---------------------------------------------------------------- unfolding

TShowStringsLine* TShowStrings::block_end(Line* fold) const {
    Line* end = fold;
    while (end->next && in_fold_block(fold->kind, end->next->kind))
        end = end->next;
    return end;
}

TShowStringsLine* TShowStrings::owning_header(const Line* line, std::uint8_t header_kind) const {
    for (const Line* l = line; l; l = l->prev) {
        if (l->kind == header_kind) return const_cast<Line*>(l);
        // A family header is not looked for past its group, a species header not past its family.
        if (header_kind == line_kind::species_header &&
            (l->kind == line_kind::family_header || l->kind == line_kind::group_header))
            return nullptr;
        if (header_kind == line_kind::family_header && l->kind == line_kind::group_header) return nullptr;
    }
    return nullptr;
}

std::string TShowStrings::subspecies_header_text(const Tspecies& species,
                                                 const Tsubspecies* subspecies) const {
    if (!subspecies) return first_upper(shstr_line(9));
    // A name of more than one word is the subspecies' full name.
    if (subspecies->name.find(' ') != std::string::npos) return subspecies_display_name(*subspecies);
    if (settings_.scientific) {
        return std::string(1, markup::italic) + species.scientific_name + " " + subspecies->name +
               std::string(1, markup::italic);
    }
    return subspecies->name + " " + first_lower(shstr_line(8));
}

std::string TShowStrings::recording_title_text(const Tcupaitem& item, int stars) const {
    std::string text = trimmed(item.text_5);
    const Tlocality* locality = item.cut_part ? item.cut_part->locality : nullptr;
    if (locality) {
        std::string place;
        if (settings_.show_department && !locality->region.empty()) place = locality->region;
        if (settings_.show_country && !locality->country.empty())
            place += (place.empty() ? "" : ", ") + locality->country;
        if (!place.empty()) text += (text.empty() ? "" : ", ") + place;
    }
    if (stars > 0) {
        text += " ";
        text += markup::bold;
        text += markup::larger;
        text += markup::larger;
        for (int i = 0; i < stars; ++i)
            text += "* ";
        text += markup::smaller;
        text += markup::smaller;
        text += markup::bold;
    }
    return text;
}

std::array<std::string, 3> TShowStrings::detail_texts(const Tcupaitem& item) const {
    std::array<std::string, 3> out;
    const Tcutpart* cut = item.cut_part;
    if (!cut) return out;
    // Recordist, date and time.
    {
        std::string text;
        if (cut->recordist) text = shstr_line(3) + " " + with_link(person_name(*cut->recordist));
        const std::string date = format_date(cut->value_3);
        if (!date.empty()) text += (text.empty() ? "" : " ") + shstr_line(4) + " " + date;
        const std::string time = cut->value_3 >= 0 && cut->value_4 >= 0 ? format_time(cut->value_4) : "";
        if (!time.empty()) text += (text.empty() ? "" : " ") + shstr_line(5) + " " + time;
        if (!text.empty()) out[0] = first_upper(text) + ".";
    }
    // Locality.
    if (cut->locality && !cut->locality->name.empty() &&
        !equals_ignore_case(cut->locality->name, "ZERO LOCATION")) {
        const std::string name = display_name(*cut->locality);
        out[1] = first_upper(shstr_line(7)) + ": " + with_link(name);
        if (name.back() != '.') out[1] += '.';
    }
    // Other species in the same recording, then the remarks.
    {
        std::string audible;
        for (const Tcupaitem* other = cut->first_item; other; other = other->next_item_of_cut_part) {
            if (other == &item || !other->species || other->species == item.species) continue;
            if (!audible.empty()) audible += ", ";
            audible += main_name_of(*other->species);
            if (other->number_3 != 100) audible += " (" + std::to_string(other->number_3) + "%)";
        }
        std::string text;
        if (!audible.empty()) text = first_upper(shstr_line(6)) + ": " + audible + ".";
        for (const std::string* remark : {&item.text_7, &cut->text_7}) {
            const std::string r = trimmed(*remark);
            if (r.empty()) continue;
            if (!text.empty()) text += markup::line_break;
            text += r;
        }
        out[2] = text;
    }
    return out;
}

TShowStringsLine* TShowStrings::unfold_species(Line* fold) {
    const Tspecies& species = *fold->species;
    Line* header = fold->next;
    Line* family_header = owning_header(fold, line_kind::family_header);
    const int family_number = family_header ? family_header->number : 0;
    const TShowFonts& fonts = TShowFonts::instance();
    Line* at = block_end(fold);

    std::unique_ptr<TextPicture> picture;
    if (picture_factory() && environment().display_colours > 25) picture = picture_factory()(species);

    Line* text_line = nullptr;
    if (species_has_text(species)) {
        auto text = make_line(line_kind::species_text);
        text->species = &species;
        text->text = species.text_3;
        if (!species.text_4.empty()) {
            if (!text->text.empty()) text->text += markup::line_break;
            text->text += species.text_4;
        }
        text->font = FontRef{font_style::normal, -1, 0};
        if (picture) text->extra_indent = 35;
        at = append_after(at, std::move(text));
        wrap_line(*at);
        text_line = at;
    }
    if (picture) {
        auto pics = make_line(line_kind::pictures);
        pics->species = &species;
        pics->x = std::min(20, (180 - picture->size().width()) / 2);
        // Level with the first text line: the pen goes back up over the text's later lines. Without
        // a text the picture starts one line below the species row, as beside a one-line text.
        pics->height = text_line ? fonts.line_height() - text_line->height : fonts.line_height();
        pics->picture = std::move(picture);
        at = append_after(at, std::move(pics));
    }

    const std::vector<const Tcupaitem*> items = shown_items(species, settings_.visible);
    // Sources cut into more than one shown recording get star numbers 1..9 in order of appearance.
    std::map<int, int> source_count, source_stars;
    for (const Tcupaitem* item : items) {
        if (item->cut_part && item->cut_part->value_9 > 0) ++source_count[item->cut_part->value_9];
    }
    int next_star = 0;
    for (const Tcupaitem* item : items) {
        const int source = item->cut_part ? item->cut_part->value_9 : 0;
        if (source > 0 && source_count[source] > 1 && !source_stars.count(source) && next_star < 9)
            source_stars[source] = ++next_star;
    }

    std::vector<const Tsubspecies*> shown_subspecies;
    const Tsubspecies* previous_subspecies = nullptr;
    int number = 0;
    for (const Tcupaitem* item : items) {
        ++number;
        const Tsubspecies* ssp = subspecies_of(*item);
        const bool new_header = number == 1 || ssp != previous_subspecies;
        if (new_header) {
            auto h = make_line(line_kind::subspecies_header);
            h->species = &species;
            h->subspecies = ssp;
            h->text = subspecies_header_text(species, ssp);
            at = append_after(at, std::move(h));
            wrap_line(*at);
            if (at->prev && at->prev->kind == line_kind::pictures) at->height += 5 - at->prev->height;
            if (ssp) shown_subspecies.push_back(ssp);
            if (ssp && subspecies_has_pictures(species, ssp)) {
                auto button = make_line(line_kind::subspecies_pictures);
                button->species = &species;
                button->subspecies = ssp;
                at = append_after(at, std::move(button));
            }
        }
        previous_subspecies = ssp;

        auto num = make_line(line_kind::recording_number);
        num->number = number;
        num->recording = item;
        num->species = &species;
        if (edition().edition_id == 101 && number > 1 && !new_header && item->subspecies &&
            item->subspecies->p_mark)
            num->flags |= line_flag::connecting_line;
        at = append_after(at, std::move(num));
        const int compensation = at->prev->kind == line_kind::pictures ? 5 - at->prev->height : 0;
        at->height = fixed_height(*at, 0, compensation);

        auto bar = make_line(line_kind::sound_bar);
        bar->recording = item;
        bar->sound_bar = std::make_unique<TSoundBarRecord>();
        bar->sound_bar->recording = item;
        bar->sound_bar->number = number;
        const int species_number = header ? header->number : 0;
        bar->sound_bar->key =
            static_cast<std::uint32_t>((family_number * 400 + species_number) * 500 + number);
        at = append_after(at, std::move(bar));

        const Tcutpart* cut = item->cut_part;
        const bool on_cd = cut && !cut->is_sound_file && cut->audio_cd;
        if (on_cd) {
            auto cd = make_line(line_kind::cd_line);
            cd->recording = item;
            cd->audio_cd = cut->audio_cd;
            cd->text = "       CD " + with_link(cut->audio_cd->text_1);
            at = append_after(at, std::move(cd));
            wrap_line(*at);
        }
        const std::array<std::string, 3> details = detail_texts(*item);
        const bool has_details = !details[0].empty() || !details[1].empty() || !details[2].empty();
        const int code_row = code_row_height(item);
        if (has_details) {
            auto rf = make_line(line_kind::recording_fold);
            rf->recording = item;
            rf->species = &species;
            at = append_after(at, std::move(rf));
            at->height = code_row;
        }
        auto code = make_line(line_kind::recording_code);
        code->recording = item;
        code->species = &species;
        code->font = FontRef{font_style::bold, 1, 0};
        code->text = item->class_letter == ' '   ? "   "
                     : item->class_letter == 'X' ? "AAA"
                                                 : std::string(1, item->class_letter);
        at = append_after(at, std::move(code));
        at->height = fixed_height(*at, code_row, 0);

        auto title = make_line(line_kind::recording_title);
        title->recording = item;
        title->species = &species;
        const int source = cut ? cut->value_9 : 0;
        title->text = recording_title_text(*item, source_stars.count(source) ? source_stars[source] : 0);
        if (item->class_letter == 'X') title->extra_indent = 3 * fonts.average_char_width();
        at = append_after(at, std::move(title));
        wrap_line(*at);

        if (item->number_3 != 100) {
            auto pct = make_line(line_kind::percentage);
            pct->recording = item;
            pct->number = item->number_3;
            at = append_after(at, std::move(pct));
            at->height = fonts.line_height();
        }
    }

    // Subspecies without a shown recording.
    std::vector<const Tsubspecies*> remaining;
    for (const Tsubspecies* s = species.first_subspecies; s; s = s->next_subspecies) {
        if (std::find(shown_subspecies.begin(), shown_subspecies.end(), s) != shown_subspecies.end())
            continue;
        remaining.push_back(s);
        if (edition().switches.list_remaining_subspecies) continue;
        auto h = make_line(line_kind::subspecies_header);
        h->species = &species;
        h->subspecies = s;
        h->text = subspecies_header_text(species, s);
        at = append_after(at, std::move(h));
        wrap_line(*at);
        if (at->prev->kind == line_kind::pictures) at->height += 5 - at->prev->height;
        if (subspecies_has_pictures(species, s)) {
            auto button = make_line(line_kind::subspecies_pictures);
            button->species = &species;
            button->subspecies = s;
            at = append_after(at, std::move(button));
        }
    }
    if (edition().switches.list_remaining_subspecies && !remaining.empty()) {
        std::string text = first_upper(shstr_line(10)) + ": ";
        for (std::size_t i = 0; i < remaining.size(); ++i) {
            if (i) text += ", ";
            text += subspecies_display_name(*remaining[i]);
        }
        text += ".";
        auto h = make_line(line_kind::subspecies_header);
        h->species = &species;
        h->state[0] = 1; // the closing list
        h->text = text;
        at = append_after(at, std::move(h));
        wrap_line(*at);
        if (at->prev->kind == line_kind::pictures) at->height += 5 - at->prev->height;
    }
    adjust_following_fold(fold);
    return at;
}

void TShowStrings::adjust_following_fold(Line* species_fold) {
    // The fold line after this species block.
    Line* next_fold = species_fold->next;
    while (next_fold && !ends_fold(line_kind::species_fold, next_fold->kind))
        next_fold = next_fold->next;
    if (!next_fold) return;
    const int spacer = TShowFonts::instance().spacer_height();
    int height = spacer;
    if (species_fold->expanded()) {
        const Line* pics = nullptr;
        for (const Line* l = species_fold->next; l != next_fold; l = l->next) {
            if (l->kind == line_kind::pictures) pics = l;
        }
        if (pics && pics->picture) {
            int between = 0;
            for (const Line* l = pics->next; l != next_fold; l = l->next)
                between += l->height;
            // Below both the picture and the last text line, whichever ends lower.
            height = std::max(
                {spacer, pics->picture->size().height() - between + 10, spacer - pics->height - between});
        }
    }
    next_fold->height = height;
}

TShowStringsLine* TShowStrings::unfold_details(Line* fold) {
    Line* at = block_end(fold);
    const std::array<std::string, 3> details = detail_texts(*fold->recording);
    for (int i = 0; i < 3; ++i) {
        if (details[static_cast<std::size_t>(i)].empty()) continue;
        auto line = make_line(static_cast<std::uint8_t>(line_kind::detail_recordist + i));
        line->recording = fold->recording;
        line->species = fold->species;
        line->text = details[static_cast<std::size_t>(i)];
        line->font = FontRef{font_style::normal, -1, 0};
        at = append_after(at, std::move(line));
        wrap_line(*at);
    }
    return at;
}

// ---------------------------------------------------------------- folding

TShowStringsLine* TShowStrings::header_of(Line* fold) const {
    return fold && fold->next && in_fold_block(fold->kind, fold->next->kind) ? fold->next : nullptr;
}

TShowStringsLine* TShowStrings::first_name_after(Line* header) const {
    if (!header) return nullptr;
    if (header->kind == line_kind::group_header) return header;
    if (header->next && is_name_kind(header->next->kind)) return header->next;
    return header;
}

void TShowStrings::fold_at(Line* fold) {
    if (fold->kind == line_kind::group_fold) {
        current_family_ = current_species_ = nullptr;
    } else if (fold->kind == line_kind::family_fold) {
        current_species_ = nullptr;
    }
    Line* end = block_end(fold);
    const std::uint8_t kind = fold->kind;
    remove_after_until(end, [kind](const Line& l) { return ends_fold(kind, l.kind); });
    fold->state[0] = 0;
    if (kind == line_kind::species_fold) adjust_following_fold(fold);
    if (kind == line_kind::recording_fold) {
        // The species' picture may now reach further down.
        if (Line* sf = owning_header(fold, line_kind::species_header)) adjust_following_fold(sf->prev);
    }
}

bool TShowStrings::toggle_fold(Line* line, bool unfold_only, bool fold_only, bool paint_now) {
    scroll_amount_ = 0;
    if (!line) return false;
    Line* fold = line;
    if (!is_fold_kind(fold->kind)) {
        // Names and other-names lines lead back to their header; the header's fold line is before it.
        Line* l = line;
        while (l && (is_name_kind(l->kind) ||
                     (l->kind > line_kind::species_header && l->kind <= line_kind::other_names)))
            l = l->prev;
        if (!l) return false;
        if (l->kind == line_kind::recording_title || l->kind == line_kind::percentage) {
            while (l && l->kind != line_kind::recording_code)
                l = l->prev;
        }
        if (!l || !l->prev) return false;
        fold = l->prev;
        if (!is_fold_kind(fold->kind)) return false;
    }
    if (fold->kind == line_kind::species_fold && !species_unfoldable(*fold->species)) return false;

    const bool expanded = fold->expanded();
    if (!expanded && fold_only) return false;
    if (expanded && unfold_only) return false;

    if (expanded) {
        fold_at(fold);
    } else {
        fold->state[0] = 1;
        Line* end = block_end(fold);
        Line* following = end->next;
        switch (fold->kind) {
        case line_kind::group_fold:
            append_families(end, fold->number);
            break;
        case line_kind::family_fold:
            append_species(end, *fold->next);
            break;
        case line_kind::species_fold:
            unfold_species(fold);
            break;
        case line_kind::recording_fold:
            unfold_details(fold);
            if (Line* sf = owning_header(fold, line_kind::species_header)) adjust_following_fold(sf->prev);
            break;
        default:
            break;
        }
        if (fold->kind == line_kind::species_fold || fold->kind == line_kind::recording_fold) {
            int added = 0;
            for (const Line* l = end->next; l != following; l = l->next)
                added += l->height;
            const int hs = scroll_bar_extent();
            if (!last_painted_.isNull()) {
                scroll_amount_ = std::min(fold->painted_y + added + 10 - (last_painted_.bottom() + 1) + hs,
                                          fold->painted_y - last_painted_.top() - 10);
            }
        }
    }
    // Lines were added or removed after the fold line: the cached first visible line keeps its top
    // only when it does not lie below the fold line.
    if (first_visible_ && !(fold->laid_out == pass_ && fold->painted_y >= first_visible_top_))
        reset_first_visible();
    if (paint_now && owner_) owner_->repaint_from(fold->painted_y);
    return true;
}

void TShowStrings::fold_all() {
    for (Line* l = head_; l; l = l->next) {
        if ((l->kind == line_kind::group_fold || l->kind == line_kind::family_fold) && l->expanded())
            fold_at(l);
    }
    reset_first_visible();
    select(first_selectable());
}

void TShowStrings::apply_name_settings(bool scientific, bool other_language, int main) {
    settings_.scientific = scientific;
    settings_.other_language = other_language;
    settings_.main_name = main;
    Line* reselect_header = nullptr;
    if (selected_ && (is_name_kind(selected_->kind) || selected_->kind == line_kind::other_names))
        reselect_header =
            owning_header(selected_, selected_->kind <= line_kind::family_other ? line_kind::family_header
                                                                                : line_kind::species_header);
    for (Line* l = head_; l; l = l->next) {
        if (l->kind != line_kind::family_header && l->kind != line_kind::species_header) continue;
        const bool species = l->kind == line_kind::species_header;
        remove_after_until(l, [](const Line& n) { return !is_name_kind(n.kind); });
        const std::string& sci = species ? l->species->scientific_name : l->family->scientific_name;
        const std::string& other = species ? l->species->vernacular_name : l->family->vernacular_name;
        Line* at = append_names(l, sci, other, species);
        if (!species) continue;
        // The other-names line follows the vernacular setting.
        Line* end = at;
        while (end->next && end->next->kind > line_kind::species_other &&
               end->next->kind < line_kind::other_names)
            end = end->next;
        if (end->next && end->next->kind == line_kind::other_names) remove_line(end->next);
        if (other_language && !l->species->text_2.empty()) {
            auto o = make_line(line_kind::other_names);
            o->species = l->species;
            o->text = l->species->text_2;
            o->font = FontRef{font_style::normal, -1, 0};
            end = append_after(end, std::move(o));
            wrap_line(*end);
        }
    }
    if (reselect_header) select(first_name_after(reselect_header));
    if (!selected_) select(first_selectable());
    reset_first_visible();
}

void TShowStrings::relayout() {
    layout_width_ = owner_ ? owner_->client_width() : 0;
    const TShowFonts& fonts = TShowFonts::instance();
    for (Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::recording_title && l->recording && l->recording->class_letter == 'X')
            l->extra_indent = 3 * fonts.average_char_width();
        if (is_wrapped_kind(l->kind)) {
            wrap_line(*l);
            if (l->kind == line_kind::subspecies_header && l->prev && l->prev->kind == line_kind::pictures)
                l->height += 5 - l->prev->height;
            continue;
        }
        switch (l->kind) {
        case line_kind::group_fold:
        case line_kind::family_fold:
        case line_kind::species_fold:
            l->height = fonts.spacer_height();
            break;
        case line_kind::pictures:
            l->height = l->prev && l->prev->kind == line_kind::species_text
                            ? fonts.line_height() - l->prev->height
                            : fonts.line_height();
            break;
        case line_kind::recording_number:
            l->height = fixed_height(
                *l, 0, l->prev && l->prev->kind == line_kind::pictures ? 5 - l->prev->height : 0);
            break;
        case line_kind::recording_fold:
        case line_kind::recording_code: {
            l->height = fixed_height(*l, code_row_height(l->recording), 0);
            break;
        }
        case line_kind::percentage:
            l->height = fonts.line_height();
            break;
        default:
            break;
        }
    }
    for (Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::species_fold && l->expanded()) adjust_following_fold(l);
    }
    reset_first_visible();
}

// ---------------------------------------------------------------- copy

void TShowStrings::copy_from(const TShowStrings& source) {
    clear();
    settings_ = source.settings_;
    strips_ = source.strips_;
    layout_width_ = source.layout_width_;
    Line* at = nullptr;
    for (const Line* s = source.head_; s; s = s->next) {
        auto line = std::make_unique<Line>();
        line->kind = s->kind;
        line->font = s->font;
        line->flags = s->flags;
        line->x = s->x;
        line->painted_x = s->painted_x;
        line->painted_y = s->painted_y;
        line->height = s->height;
        line->text = s->text;
        line->extra_indent = s->extra_indent;
        line->number = s->number;
        line->state = s->state;
        line->family = s->family;
        line->species = s->species;
        line->recording = s->recording;
        line->audio_cd = s->audio_cd;
        line->subspecies = s->subspecies;
        if (s->sound_bar) {
            line->sound_bar = std::make_unique<TSoundBarRecord>();
            line->sound_bar->recording = s->sound_bar->recording;
            line->sound_bar->number = s->sound_bar->number;
            line->sound_bar->key = s->sound_bar->key;
        }
        if (s->picture) line->picture = s->picture->clone();
        at = append_after(at, std::move(line));
    }
    // A new window starts at the top with its first line selected.
    reset_first_visible();
    select(first_selectable());
    if (owner_ && owner_->client_width() != layout_width_) relayout();
}

// ---------------------------------------------------------------- queries

int TShowStrings::total_height() const {
    // The last line counts too: when it is a long text, its lines must be reachable.
    int total = 0;
    for (const Line* l = head_; l; l = l->next)
        total += l->height;
    return total;
}

int TShowStrings::line_top(const TShowStringsLine* line) const {
    int top = 0;
    for (const Line* l = head_; l && l != line; l = l->next)
        top += l->height;
    return top;
}

std::pair<int, int> TShowStrings::selection_margins() const {
    if (!selected_) return {10, 10};
    const int top = line_top(selected_);
    return {top - last_painted_.top(), last_painted_.bottom() + 1 - top};
}

TSoundBarRecord* TShowStrings::sound_bar_at_selection() const {
    for (const Line* l = selected_; l; l = l->prev) {
        if (l->kind == line_kind::sound_bar) return l->sound_bar.get();
    }
    return nullptr;
}

TShowStringsLine* TShowStrings::sound_bar_line(const Tcupaitem& recording) const {
    for (Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::sound_bar && l->sound_bar && l->sound_bar->recording == &recording)
            return l;
    }
    return nullptr;
}

std::string TShowStrings::status_text() const {
    std::string text;
    const auto first_name_text = [this](Line* header) {
        Line* name = first_name_after(header);
        return name && name != header ? name->text : std::string();
    };
    if (current_family_) text = first_name_text(current_family_);
    if (current_species_) text += ", " + first_name_text(current_species_);
    return text;
}

Mp3TagTexts TShowStrings::recording_tag_texts(const Tcupaitem& recording) const {
    Mp3TagTexts tags;
    tags.title = plain_text(trimmed(recording.text_5));
    const Tcutpart* cut = recording.cut_part;
    if (cut) tags.sound_description = plain_text(trimmed(cut->text_7));
    if (recording.species) tags.genre = plain_text(main_name_of(*recording.species));
    std::string comment;
    for (const std::string& d : detail_texts(recording)) {
        if (d.empty()) continue;
        if (!comment.empty()) comment += "\r\n";
        comment += plain_text(d);
    }
    tags.comment = comment;
    // The recordings kept as sound files on the disc are the maker's own; the others come from the
    // audio CDs they were published on.
    const bool own = !cut || cut->is_sound_file;
    if (own) {
        tags.publisher = "Quellmark";
        tags.album = program_text(7) + " " + program_text(9) + " (" + "1999-2009" + ")";
        if (cut && cut->recordist) tags.artist = person_name(*cut->recordist);
    } else if (cut->audio_cd) {
        tags.album = plain_text(cut->audio_cd->text_1);
    }
    return tags;
}

void TShowStrings::set_current(Line* family_header, Line* species_header) {
    current_family_ = family_header;
    current_species_ = species_header;
}

void TShowStrings::select(Line* line) {
    selected_ = line;
    // The current family and species are those of the selected line, which the status bar names.
    if (line) set_current(owning_header(line, line_kind::family_header), owning_header(line, line_kind::species_header));
}

TShowStringsLine* TShowStrings::first_selectable() const {
    for (Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::group_header) return l;
        if (l->kind == line_kind::family_header || l->kind == line_kind::species_header)
            return first_name_after(l);
        if (l->kind == line_kind::sound_bar || l->kind == line_kind::recording_code) return l;
    }
    return nullptr;
}

TShowStringsLine* TShowStrings::last_selectable() const {
    for (Line* l = tail_; l; l = l->prev) {
        if (l->kind == line_kind::group_header) return l;
        if (l->kind == line_kind::family_header || l->kind == line_kind::species_header)
            return first_name_after(l);
        if (l->kind == line_kind::sound_bar || l->kind == line_kind::recording_code) return l;
    }
    return nullptr;
}

void TShowStrings::set_sound_bar_dragging(bool enabled) {
    sound_bars_->set_dragging_enabled(enabled);
}

// ---------------------------------------------------------------- view state capture and restore

TShowStringsLine* TShowStrings::find_header(int family_number, int species_number) const {
    for (Line* l = head_; l; l = l->next) {
        if (l->kind != line_kind::family_header || l->number != family_number) continue;
        if (species_number <= 0) return l;
        for (Line* s = l->next; s; s = s->next) {
            if (s->kind == line_kind::family_header || s->kind == line_kind::group_header) break;
            if (s->kind == line_kind::species_header && s->number == species_number) return s;
        }
        return nullptr;
    }
    return nullptr;
}

TShowStringsViewState TShowStrings::capture_view_state() const {
    TShowStringsViewState state;
    for (const Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::group_fold && l->number >= 1 && l->number <= 6)
            state.groups[static_cast<std::size_t>(l->number)] = l->expanded();
    }
    // The line at the top of the view: the first whose text (which reaches 15 pixels below its
    // bottom) is in view.
    const Line* top = nullptr;
    if (!last_painted_.isNull()) {
        for (const Line* l = first_visible_ ? first_visible_ : head_; l; l = l->next) {
            if (l->bottom() + 15 > last_painted_.top()) {
                top = l;
                break;
            }
        }
    }
    if (!top) top = head_;
    if (top && is_fold_kind(top->kind) && top->next) top = top->next;
    if (top) {
        if (const Line* s = owning_header(top, line_kind::species_header)) state.top_species = s->number;
        if (const Line* f = owning_header(top, line_kind::family_header))
            state.top_family = f->number;
        else if (top->kind == line_kind::group_header)
            state.top_family = 0;
        for (const Line* l = top; l; l = l->prev) {
            if (l->kind == line_kind::group_header) {
                state.top_group = l->number;
                break;
            }
        }
    }
    if (selected_) {
        const Line* f = owning_header(selected_, line_kind::family_header);
        const Line* s = owning_header(selected_, line_kind::species_header);
        state.selected_family = f ? f->number : 1;
        state.selected_species = s ? s->number : 0;
    }
    // Families whose species are listed: from the top family on, while their blocks are in view,
    // and every family above whose species header was found.
    std::vector<int>& unfolded = state.unfolded_families;
    const auto note = [&unfolded](int family) {
        if (family > 0 && static_cast<int>(unfolded.size()) < TShowStringsViewState::max_unfolded_families &&
            std::find(unfolded.begin(), unfolded.end(), family) == unfolded.end())
            unfolded.push_back(family);
    };
    // Every unfolded family is recorded, the ones in view first, up to 20.
    const Line* start = top ? owning_header(top, line_kind::family_header) : nullptr;
    for (int pass = 0; pass < 2; ++pass) {
        const Line* from = pass == 0 ? (start ? start : head_) : head_;
        for (const Line* l = from; l; l = l->next) {
            if (l->kind == line_kind::species_header) {
                if (const Line* f = owning_header(l, line_kind::family_header)) note(f->number);
            }
        }
    }
    return state;
}

void TShowStrings::unfold_group_of(const Tfamily& family) {
    if (!edition().switches.group_families) return;
    const int group = family_group(family);
    for (Line* l = head_; l; l = l->next) {
        if (l->kind == line_kind::group_fold && l->number == group) {
            if (!l->expanded()) toggle_fold(l, true, false, false);
            return;
        }
    }
}

TShowStringsLine* TShowStrings::unfold_family_number(int family_number) {
    Line* header = find_header(family_number, 0);
    if (!header) {
        // In a folded group: unfold the group that holds the family.
        const std::vector<const Tfamily*> families =
            families_in_order(data_set(), settings_.systematic_order);
        if (family_number < 1 || family_number > static_cast<int>(families.size())) return nullptr;
        unfold_group_of(*families[static_cast<std::size_t>(family_number - 1)]);
        header = find_header(family_number, 0);
        if (!header) return nullptr;
    }
    if (!header->prev->expanded()) toggle_fold(header->prev, true, false, false);
    return header;
}

void TShowStrings::restore_view_state(const TShowStringsViewState& state) {
    if (edition().switches.group_families) {
        for (Line* l = head_; l; l = l->next) {
            if (l->kind == line_kind::group_fold && l->number >= 1 && l->number <= 6 &&
                state.groups[static_cast<std::size_t>(l->number)] && !l->expanded())
                toggle_fold(l, true, false, false);
        }
    }
    int count = 0;
    for (int family : state.unfolded_families) {
        if (++count > TShowStringsViewState::max_unfolded_families) break;
        Line* header = find_header(family, 0);
        if (header && !header->prev->expanded()) toggle_fold(header->prev, true, false, false);
    }
    Line* family = find_header(state.selected_family, 0);
    Line* species =
        state.selected_species > 0 ? find_header(state.selected_family, state.selected_species) : nullptr;
    if (species) {
        selected_ = first_name_after(species);
        set_current(family, species);
    } else if (family) {
        selected_ = first_name_after(family);
        set_current(family, nullptr);
    } else {
        selected_ = first_selectable();
        set_current(nullptr, nullptr);
    }
    reset_first_visible();
}

// ---------------------------------------------------------------- find

bool TShowStrings::find(const std::string& text, bool from_top, bool all_name_kinds) {
    const std::string wanted = upper_text(text);
    if (wanted.empty()) return false;
    const Tdata& data = data_set();
    const int order = settings_.systematic_order;
    const auto matches = [&wanted](const std::string& name) {
        return !name.empty() && upper_text(name).find(wanted) != std::string::npos;
    };
    // The names tested, in order: the shown ones (as the row shows them), then with all_name_kinds the
    // kind that is not shown. Returns 0 for no match, else 1 + the position (1 first, 2 second) or
    // 3 for the other names.
    const auto test = [&](const std::string& scientific, const std::string& other,
                          const std::string* other_names) {
        const std::vector<NameChoice> shown = choose_names(settings_, scientific, other);
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (matches(*shown[i].text)) return static_cast<int>(i) + 1;
        }
        bool other_tested = settings_.other_language;
        if (all_name_kinds) {
            for (const std::string* name : {&scientific, &other}) {
                const bool listed = std::any_of(shown.begin(), shown.end(),
                                                [name](const NameChoice& c) { return c.text == name; });
                if (!listed && matches(*name)) return 1;
            }
            other_tested = true;
        }
        if (other_tested && other_names && matches(*other_names)) return 3;
        return 0;
    };

    const std::vector<const Tfamily*> families = families_in_order(data, order);
    std::size_t start = 0;
    const bool continuing = !from_top && current_family_ && current_family_->family;
    if (continuing) {
        const auto it = std::find(families.begin(), families.end(), current_family_->family);
        if (it != families.end()) start = static_cast<std::size_t>(it - families.begin());
    }
    const Tspecies* after_species = continuing && current_species_ ? current_species_->species : nullptr;

    for (std::size_t fi = start; fi < families.size(); ++fi) {
        const Tfamily& f = *families[fi];
        if (!settings_.visible.family_has_visible_species(f, order)) continue;
        const int family_number = static_cast<int>(fi) + 1;
        const bool inside_start = continuing && fi == start;
        if (!inside_start) {
            const int hit = test(f.scientific_name, f.vernacular_name, nullptr);
            if (hit) {
                unfold_group_of(f);
                Line* header = find_header(family_number, 0);
                if (!header) return false;
                Line* name = first_name_after(header);
                if (hit == 2 && name && name->next && is_name_kind(name->next->kind)) name = name->next;
                selected_ = name;
                set_current(header, nullptr);
                if (!selection_visible()) reset_first_visible();
                return true;
            }
        }
        bool searching = !(inside_start && after_species);
        int species_number = 0;
        for (const Tspecies* s = f.first_species; s; s = s->next_in_order[static_cast<std::size_t>(order)]) {
            if (!settings_.visible.species_visible(*s)) continue;
            ++species_number;
            if (!searching) {
                if (s == after_species) searching = true;
                continue;
            }
            const int hit = test(s->scientific_name, s->vernacular_name, &s->text_2);
            if (!hit) continue;
            unfold_group_of(f);
            Line* family_header = unfold_family_number(family_number);
            Line* header = family_header ? find_header(family_number, species_number) : nullptr;
            if (!header) return false;
            Line* name = first_name_after(header);
            if (hit == 2 && name->next && is_name_kind(name->next->kind)) name = name->next;
            if (hit == 3) {
                for (Line* l = header->next;
                     l && l->kind > line_kind::species_header && l->kind <= line_kind::other_names;
                     l = l->next) {
                    if (l->kind == line_kind::other_names) name = l;
                }
            }
            selected_ = name;
            set_current(family_header, header);
            if (!selection_visible()) reset_first_visible();
            return true;
        }
    }
    return false;
}

bool TShowStrings::show_species(const Tspecies& wanted) {
    if (!settings_.visible.species_visible(wanted)) return false;
    const int order = settings_.systematic_order;
    const std::vector<const Tfamily*> families = families_in_order(data_set(), order);
    for (std::size_t fi = 0; fi < families.size(); ++fi) {
        int species_number = 0;
        for (const Tspecies* s = families[fi]->first_species; s; s = s->next_in_order[static_cast<std::size_t>(order)]) {
            if (!settings_.visible.species_visible(*s)) continue;
            ++species_number;
            if (s != &wanted) continue;
            const int family_number = static_cast<int>(fi) + 1;
            Line* family_header = unfold_family_number(family_number);
            Line* header = family_header ? find_header(family_number, species_number) : nullptr;
            if (!header || !header->prev) return false;
            if (!header->prev->expanded()) toggle_fold(header->prev, true, false, false);
            selected_ = first_name_after(header);
            set_current(family_header, header);
            reset_first_visible();
            return true;
        }
    }
    return false;
}

} // namespace morvelin
