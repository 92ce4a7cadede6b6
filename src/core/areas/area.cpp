#include "core/areas/area.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"

#include <cassert>

namespace morvelin {

TArea::TArea(const AreaScheme& scheme) : scheme_(&scheme) {
    assert(scheme.codes.size() <= max_areas);
}

bool TArea::selected(int area) const {
    return area >= 0 && area < count() && (bits_ >> area & 1) != 0;
}

void TArea::set_selected(int area, bool on) {
    if (area < 0 || area >= count()) return;
    const std::uint64_t bit = std::uint64_t{1} << area;
    bits_ = on ? (bits_ | bit) : (bits_ & ~bit);
}

std::vector<bool> TArea::flags() const {
    std::vector<bool> result(count());
    for (int i = 0; i < count(); ++i)
        result[i] = selected(i);
    return result;
}

void TArea::set_flags(const std::vector<bool>& flags) {
    if (static_cast<int>(flags.size()) != count()) return;
    for (int i = 0; i < count(); ++i)
        set_selected(i, flags[i]);
}

bool TArea::is_offered(int area) const {
    return area >= 0 && area < count();
}
bool TArea::uses_alternate_colours(int) const {
    return false;
}

bool TArea::set_from_text(const std::string& text, const std::string& context, bool report) {
    const std::string upper = to_upper_ascii(text);
    std::uint64_t seen = 0;
    auto fail = [&](const std::string& detail) {
        if (report) fatal_error("Error in distribution data for " + context + ": " + detail);
        select_default();
        return false;
    };
    std::size_t pos = 0;
    while (pos < upper.size()) {
        const std::string code = upper.substr(pos, 2);
        int found = -1;
        for (int i = 0; i < count(); ++i) {
            if (codes()[i] == code) {
                found = i;
                break;
            }
        }
        if (found < 0) return fail("item \"" + code + "\" is invalid!");
        const std::uint64_t bit = std::uint64_t{1} << found;
        if (seen & bit) return fail("item \"" + code + "\" occurs twice!");
        seen |= bit;
        bits_ |= bit;
        const std::size_t remaining = upper.size() - pos;
        if (remaining > 2) {
            if (upper[pos + 2] != '-') return fail("missing \"-\"");
            pos += 3;
        } else {
            pos = upper.size();
        }
    }
    return true;
}

void TArea::load_selection(const std::string& stored, const std::string& context) {
    if (stored.empty()) {
        select_default();
        return;
    }
    // A stored selection replaces whatever the set held; parsing only ever adds areas.
    bits_ = 0;
    set_from_text(stored, context, false);
}

void TArea::create_from_settings(const std::string& section) {
    load_selection(settings::read_window_settings(section, 0).selected_area, section);
}

std::string TArea::selection_text() const {
    std::string text;
    for (int i = 0; i < count(); ++i) {
        if (!selected(i)) continue;
        if (!text.empty()) text += '-';
        text += codes()[i];
    }
    return text;
}

void TArea::write_to_settings(const std::string& section) const {
    settings::WindowSettings stored;
    stored.selected_area = selection_text();
    SettingsChanges changes;
    settings::write_window_settings(changes, section, stored, settings::WindowSettings::area);
    changes.commit();
}

std::string TArea::selection_names() const {
    const std::vector<std::string> lines = texts("AREA NAMES", count() - 1);
    std::string out;
    for (int area = 0; area < count(); ++area) {
        if (!selected(area)) continue;
        const auto i = static_cast<std::size_t>(area);
        std::string name = i < lines.size() ? lines[i] : std::string();
        if (name.empty()) name = i < scheme_->names.size() ? scheme_->names[i] : scheme_->codes[i];
        out += (out.empty() ? "" : ", ") + name;
    }
    return out;
}

void TArea::select_default() {
    for (int i = 0; i < count(); ++i)
        set_selected(i, true);
}

void TArea::assign(const TArea& other) {
    bits_ = other.bits_ & ((count() >= 64) ? ~0ull : ((1ull << count()) - 1));
}

bool TArea::shares_an_area_with(const TArea& other) const {
    return (bits_ & other.bits_) != 0;
}

bool TArea::edition_hook_visible_without_media(const TArea&) const {
    return true;
}
bool TArea::edition_hook_hide_without_media() const {
    return false;
}
bool TArea::edition_hook_show_unselected_cd_slices() const {
    return false;
}
std::string TArea::edition_hook_text() const {
    return {};
}

} // namespace morvelin
