#include "core/data/visible_species_and_recordings.h"

#include "core/areas/sarovan_area.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"

#include <algorithm>

namespace morvelin {

namespace {

// Walks the countable items of a species: in order, up to the first item without the P mark.
template <typename F> void for_countable_items(const Tspecies& species, F f) {
    for (const Tcupaitem* item = species.first_item; item && item->is_p; item = item->next_item) {
        if (!f(*item)) return;
    }
}

} // namespace

void TClassSoundCarriersUseSpecification::reset_to_available(const Tdata& data) {
    visible_cds.clear();
    playable_cds.clear();
    for (std::size_t i = 1; i <= data.audio_cd_count(); ++i) {
        const TaudioCD& cd = data.audio_cd_by_sequence(static_cast<int>(i));
        if (cd.always_available || cds_on_hd.contains(cd.sequence)) {
            visible_cds.insert(cd.sequence);
            playable_cds.insert(cd.sequence);
        }
    }
    show_native = true;
}

CarrierChanges compare_carriers(const TClassSoundCarriersUseSpecification& a,
                                const TClassSoundCarriersUseSpecification& b) {
    CarrierChanges changes;
    if (a.show_native != b.show_native || a.visible_cds != b.visible_cds) {
        changes.visibility = true;
    } else if (a.playable_cds != b.playable_cds) {
        changes.playability = true;
    } else if (a.cds_on_hd != b.cds_on_hd) {
        changes.hard_disk = true;
    }
    return changes;
}

bool item_class_passes(char class_letter, int mode) {
    return class_letter == 'X' || class_letter == 'A' || (class_letter == 'B' && mode == 2) || mode == 3;
}

TClassVisibleSpeciesAndRecordings::TClassVisibleSpeciesAndRecordings(
    const TClassVisibleSpeciesAndRecordings& other)
    : area_selection(other.area_selection ? other.area_selection->clone() : nullptr),
      only_with_sounds_or_photos(other.only_with_sounds_or_photos), only_with_sounds(other.only_with_sounds),
      only_with_photos(other.only_with_photos), carriers(other.carriers) {}

TClassVisibleSpeciesAndRecordings&
TClassVisibleSpeciesAndRecordings::operator=(const TClassVisibleSpeciesAndRecordings& other) {
    if (this != &other) *this = TClassVisibleSpeciesAndRecordings(other);
    return *this;
}

TClassVisibleSpeciesAndRecordings TClassVisibleSpeciesAndRecordings::create_default(const Tdata& data) {
    const int id = edition().edition_id;
    TClassVisibleSpeciesAndRecordings v;
    v.area_selection = create_edition_area(id);
    // A window that starts without stored settings shows the default areas, not none.
    if (v.area_selection) v.area_selection->select_default();
    v.only_with_sounds_or_photos = id == 106;
    v.only_with_sounds = id == 105;
    v.carriers.show_native = id != 105;
    for (std::size_t i = 1; i <= data.audio_cd_count(); ++i) {
        const TaudioCD& cd = data.audio_cd_by_sequence(static_cast<int>(i));
        if (!cd.always_available) continue;
        v.carriers.visible_cds.insert(cd.sequence);
        v.carriers.playable_cds.insert(cd.sequence);
    }
    return v;
}

TClassVisibleSpeciesAndRecordings TClassVisibleSpeciesAndRecordings::from_window_settings(
    const Tdata& data, const settings::WindowSettings& stored, const std::string& section) {
    TClassVisibleSpeciesAndRecordings v = create_default(data);
    if (v.area_selection) v.area_selection->load_selection(stored.selected_area, section);
    if (edition().switches.species_media_filters) {
        v.only_with_sounds_or_photos = stored.only_with_sounds_or_photos;
        v.only_with_sounds = stored.only_with_sounds;
        v.only_with_photos = stored.only_with_photos;
    }
    const int cd_count = static_cast<int>(data.audio_cd_count());
    if (cd_count > 0) {
        auto& c = v.carriers;
        c.visible_cds = stored.visible_cds;
        c.playable_cds = stored.playable_cds;
        c.cds_on_hd = stored.cds_on_hd;
        for (int i = 1; i <= cd_count; ++i) {
            if (!data.audio_cd_by_sequence(i).always_available) continue;
            c.visible_cds.insert(i);
            c.playable_cds.insert(i);
        }
        c.show_native = stored.show_native;
    } else {
        v.carriers.show_native = true;
    }
    return v;
}

settings::Groups TClassVisibleSpeciesAndRecordings::store_in(const Tdata& data,
                                                             settings::WindowSettings& stored) const {
    using W = settings::WindowSettings;
    settings::Groups groups = 0;
    if (area_selection) {
        stored.selected_area = area_selection->selection_text();
        groups |= W::area;
    }
    if (edition().switches.species_media_filters) {
        stored.only_with_sounds_or_photos = only_with_sounds_or_photos;
        stored.only_with_sounds = only_with_sounds;
        stored.only_with_photos = only_with_photos;
        groups |= W::media_filters;
    }
    if (data.audio_cd_count() > 0) {
        stored.visible_cds = carriers.visible_cds;
        stored.playable_cds = carriers.playable_cds;
        stored.cds_on_hd = carriers.cds_on_hd;
        stored.show_native = carriers.show_native;
        groups |= W::audio_cds;
    }
    return groups;
}

TClassVisibleSpeciesAndRecordings
TClassVisibleSpeciesAndRecordings::create_from_settings(const Tdata& data, const std::string& section) {
    return from_window_settings(
        data, settings::read_window_settings(section, static_cast<int>(data.audio_cd_count())), section);
}

void TClassVisibleSpeciesAndRecordings::save_to_settings(const Tdata& data,
                                                         const std::string& section) const {
    settings::WindowSettings stored;
    SettingsChanges changes;
    settings::write_window_settings(changes, section, stored, store_in(data, stored));
    changes.commit();
}

bool TClassVisibleSpeciesAndRecordings::cut_part_visible(const Tcutpart& c) const {
    if (c.is_sound_file) return carriers.show_native;
    if (!c.audio_cd || !carriers.visible_cds.contains(c.audio_cd->sequence)) return false;
    return c.cd_selected || !area_selection || area_selection->edition_hook_show_unselected_cd_slices();
}

bool TClassVisibleSpeciesAndRecordings::cut_part_playable(const Tcutpart& c) const {
    return cut_part_visible(c) && (c.is_sound_file || carriers.playable_cds.contains(c.audio_cd->sequence));
}

bool TClassVisibleSpeciesAndRecordings::cut_part_on_hard_disk(const Tcutpart& c) const {
    return cut_part_playable(c) && (c.is_sound_file || c.audio_cd->always_available ||
                                    carriers.cds_on_hd.contains(c.audio_cd->sequence));
}

bool TClassVisibleSpeciesAndRecordings::item_visible(const Tcupaitem& item, bool playable_required,
                                                     int mode) const {
    const Tcutpart& c = *item.cut_part;
    return (playable_required ? cut_part_playable(c) : cut_part_visible(c)) &&
           item_class_passes(item.class_letter, mode);
}

int TClassVisibleSpeciesAndRecordings::visible_item_count(const Tspecies& species, int mode) const {
    int count = 0;
    for_countable_items(species, [&](const Tcupaitem& item) {
        if (item_visible(item, false, mode)) ++count;
        return true;
    });
    return count;
}

int TClassVisibleSpeciesAndRecordings::playable_item_count(const Tspecies& species, int mode) const {
    int count = 0;
    for_countable_items(species, [&](const Tcupaitem& item) {
        if (item_visible(item, true, mode)) ++count;
        return true;
    });
    return count;
}

const Tcupaitem* TClassVisibleSpeciesAndRecordings::nth_visible_item(const Tspecies& species, int n,
                                                                     bool playable_required, int mode) const {
    const Tcupaitem* found = nullptr;
    int seen = 0;
    for_countable_items(species, [&](const Tcupaitem& item) {
        if (!item_visible(item, playable_required, mode)) return true;
        found = &item;
        return ++seen < n;
    });
    return found;
}

bool TClassVisibleSpeciesAndRecordings::species_visible(const Tspecies& species) const {
    const int sounds = visible_item_count(species, 3);
    const bool has_media = species.picture_count > 0 || sounds > 0;
    if (!species.in_region) return false;
    if (species.area && area_selection && !species.area->shares_an_area_with(*area_selection)) return false;
    if (only_with_sounds_or_photos && !has_media) return false;
    if (only_with_photos && species.picture_count == 0) return false;
    if (only_with_sounds && sounds == 0) return false;
    if (has_media || any_species_filter()) return true;
    if (area_selection && area_selection->edition_hook_hide_without_media()) return false;
    for (int id : always_hidden_ids) {
        if (species.unique_id == id) return false;
    }
    return !species.area || !area_selection ||
           species.area->edition_hook_visible_without_media(*area_selection);
}

bool TClassVisibleSpeciesAndRecordings::shows_recording(const Tcupaitem& item, int mode) const {
    if (!item.species || !item.cut_part || !species_visible(*item.species)) return false;
    bool shown = false;
    for_countable_items(*item.species, [&](const Tcupaitem& countable) {
        if (&countable != &item) return true;
        shown = item_visible(item, false, mode);
        return false;
    });
    return shown;
}

bool TClassVisibleSpeciesAndRecordings::admit_recordings(const std::vector<const Tcupaitem*>& items,
                                                         int mode) {
    const auto all_shown = [&] {
        return std::all_of(items.begin(), items.end(),
                           [&](const Tcupaitem* item) { return item && shows_recording(*item, mode); });
    };
    for (const Tcupaitem* item : items) {
        if (!item || !item->cut_part || shows_recording(*item, mode)) continue;
        const Tcutpart& cut = *item->cut_part;
        if (cut.is_sound_file) {
            carriers.show_native = true;
        } else if (cut.audio_cd) {
            carriers.visible_cds.insert(cut.audio_cd->sequence);
            carriers.playable_cds.insert(cut.audio_cd->sequence);
        }
    }
    if (all_shown()) return true;
    only_with_sounds_or_photos = only_with_sounds = only_with_photos = false;
    if (all_shown()) return true;
    // A CD slice outside the selected areas, or a species of other areas.
    area_selection.reset();
    return all_shown();
}

template <typename Pred>
int TClassVisibleSpeciesAndRecordings::count_in_family(const Tfamily& family, int kind, Pred pred) const {
    int count = 0;
    for (const Tspecies* s = family.first_species; s; s = s->next_in_order[kind]) {
        if (pred(*s) && species_visible(*s)) ++count;
    }
    return count;
}

bool TClassVisibleSpeciesAndRecordings::family_has_visible_species(const Tfamily& family, int kind) const {
    for (const Tspecies* s = family.first_species; s; s = s->next_in_order[kind]) {
        if (species_visible(*s)) return true;
    }
    return false;
}

const Tspecies* TClassVisibleSpeciesAndRecordings::nth_visible_species(const Tfamily& family, int kind,
                                                                       int n) const {
    for (const Tspecies* s = family.first_species; s; s = s->next_in_order[kind]) {
        if (species_visible(*s) && --n == 0) return s;
    }
    return nullptr;
}

bool TClassVisibleSpeciesAndRecordings::photo_and_playable(const Tspecies& s, int mode) const {
    return s.has_photo && playable_item_count(s, mode) > 0;
}

int TClassVisibleSpeciesAndRecordings::visible_species_with_photo_count(const Tfamily& family,
                                                                        int kind) const {
    return count_in_family(family, kind, [](const Tspecies& s) { return s.has_photo; });
}

int TClassVisibleSpeciesAndRecordings::visible_species_with_photo_and_playable_count(const Tfamily& family,
                                                                                     int kind,
                                                                                     int mode) const {
    return count_in_family(family, kind, [&](const Tspecies& s) { return photo_and_playable(s, mode); });
}

template <typename Pred>
const Tspecies& TClassVisibleSpeciesAndRecordings::nth_in_data(const Tdata& data, int kind, int n,
                                                               Pred pred) const {
    int remaining = n;
    if (kind >= 1 && kind < order_kinds) {
        for (const Tfamily* f = data.first_family[kind]; f; f = f->next_family) {
            for (const Tspecies* s = f->first_species; s; s = s->next_in_order[kind]) {
                if (pred(*s) && species_visible(*s) && --remaining == 0) return *s;
            }
        }
    }
    fatal_error("Error!!, xabfg, n_store = " + std::to_string(n));
}

const Tspecies& TClassVisibleSpeciesAndRecordings::nth_visible_species_with_photo(const Tdata& data, int kind,
                                                                                  int n) const {
    return nth_in_data(data, kind, n, [](const Tspecies& s) { return s.has_photo; });
}

const Tspecies&
TClassVisibleSpeciesAndRecordings::nth_visible_species_with_photo_and_playable(const Tdata& data, int kind,
                                                                               int n, int mode) const {
    return nth_in_data(data, kind, n, [&](const Tspecies& s) { return photo_and_playable(s, mode); });
}

int TClassVisibleSpeciesAndRecordings::visible_species_with_photo_count(const Tdata& data, int kind) const {
    int count = 0;
    for (const Tfamily* f : data.families(kind))
        count += visible_species_with_photo_count(*f, kind);
    return count;
}

int TClassVisibleSpeciesAndRecordings::visible_species_with_photo_and_playable_count(const Tdata& data,
                                                                                     int kind,
                                                                                     int mode) const {
    int count = 0;
    for (const Tfamily* f : data.families(kind))
        count += visible_species_with_photo_and_playable_count(*f, kind, mode);
    return count;
}

} // namespace morvelin
