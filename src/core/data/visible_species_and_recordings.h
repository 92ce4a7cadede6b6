#pragma once
// The user's filter over the data set, one per main window: which species are listed (selected areas,
// only species with sounds and/or photos) and which recordings are shown, playable and taken from the
// hard disk (sound files on the disc, audio CDs). Audio CDs are named by their sequence number (their
// 1-based place in othermedia.txt) in every set. The filter never changes the data set.

#include "core/areas/area.h"
#include "core/data/data_set.h"
#include "core/foundation/settings_file.h"
#include "core/settings/settings_sections.h"

#include <memory>
#include <string>
#include <vector>

namespace morvelin {

class TClassSoundCarriersUseSpecification {
public:
    bool show_native = true; // recordings that are slices of sound files are shown
    NumberSet visible_cds;   // CDs whose recordings are shown
    NumberSet playable_cds;  // CDs that can be played
    NumberSet cds_on_hd;     // CDs whose tracks are copied to the hard disk

    // visible_cds and playable_cds become exactly the CDs that are always available or on the hard
    // disk; show_native is switched on.
    void reset_to_available(const Tdata& data);

    friend bool operator==(const TClassSoundCarriersUseSpecification&,
                           const TClassSoundCarriersUseSpecification&) = default;
};

// At most one flag is set: the first that applies in this order.
struct CarrierChanges {
    bool visibility = false;  // show_native or visible_cds differ
    bool playability = false; // otherwise: playable_cds differ
    bool hard_disk = false;   // otherwise: cds_on_hd differ
};
CarrierChanges compare_carriers(const TClassSoundCarriersUseSpecification& a,
                                const TClassSoundCarriersUseSpecification& b);

// Item class test: letters "X" and "A" always pass, "B" in mode 2, any letter in mode 3.
bool item_class_passes(char class_letter, int mode);

class TClassVisibleSpeciesAndRecordings {
public:
    // The species that stay hidden when they have neither recordings nor photos and no filter is on.
    static constexpr int always_hidden_ids[2] = {4328, 2350};

    // Defaults of the running edition: its area scheme with the default selection, the filters of the
    // edition, sound files shown, and every always-available CD visible and playable.
    static TClassVisibleSpeciesAndRecordings create_default(const Tdata& data);
    // The defaults, then the filter's values of a window's settings (section names the window in
    // messages): the area selection, the species filters where the edition has them, the carriers
    // where the data has audio CDs (always-available CDs stay visible and playable).
    static TClassVisibleSpeciesAndRecordings from_window_settings(const Tdata& data,
                                                                  const settings::WindowSettings& stored,
                                                                  const std::string& section);
    // The mirror of from_window_settings: fills the filter's fields and returns their groups.
    settings::Groups store_in(const Tdata& data, settings::WindowSettings& stored) const;
    // The same through the settings file's section.
    static TClassVisibleSpeciesAndRecordings create_from_settings(const Tdata& data,
                                                                  const std::string& section);
    void save_to_settings(const Tdata& data, const std::string& section) const;

    TClassVisibleSpeciesAndRecordings() = default;
    TClassVisibleSpeciesAndRecordings(const TClassVisibleSpeciesAndRecordings& other);
    TClassVisibleSpeciesAndRecordings& operator=(const TClassVisibleSpeciesAndRecordings& other);
    TClassVisibleSpeciesAndRecordings(TClassVisibleSpeciesAndRecordings&&) noexcept = default;
    TClassVisibleSpeciesAndRecordings& operator=(TClassVisibleSpeciesAndRecordings&&) noexcept = default;

    // Copies the area selection, the three species filters and the carriers.
    void assign(const TClassVisibleSpeciesAndRecordings& other) { *this = other; }

    std::unique_ptr<TArea> area_selection; // none in editions without an area scheme
    bool only_with_sounds_or_photos = false;
    bool only_with_sounds = false;
    bool only_with_photos = false;
    TClassSoundCarriersUseSpecification carriers;

    bool any_species_filter() const {
        return only_with_sounds_or_photos || only_with_sounds || only_with_photos;
    }

    // ---- recordings ----
    bool cut_part_visible(const Tcutpart& cut_part) const;
    bool cut_part_playable(const Tcutpart& cut_part) const;
    bool cut_part_on_hard_disk(const Tcutpart& cut_part) const;
    bool item_visible(const Tcupaitem& item, bool playable_required, int mode) const;
    // Items of the species in order up to (not including) the first one without the P mark that pass
    // the class test and whose cut part is visible (playable).
    int visible_item_count(const Tspecies& species, int mode) const;
    int playable_item_count(const Tspecies& species, int mode) const;
    // The n-th (1-based) item of that same walk that is visible (and playable when required); the last
    // such item when there are fewer; none when there is none.
    const Tcupaitem* nth_visible_item(const Tspecies& species, int n, bool playable_required, int mode) const;

    // ---- species ----
    bool species_visible(const Tspecies& species) const;

    // ---- a window that must show given recordings (a play list's) ----
    // Whether the item's species is listed and the item is among its shown recordings.
    bool shows_recording(const Tcupaitem& item, int mode) const;
    // Widens the filter as little as it can until every item is shown: their carriers become visible
    // and playable, then the species filters go, then the area selection. An item whose species lies
    // outside the region stays hidden. Returns whether every item is shown.
    bool admit_recordings(const std::vector<const Tcupaitem*>& items, int mode);

    // ---- families (species of the family in order kind) ----
    bool family_has_visible_species(const Tfamily& family, int kind) const;
    // The n-th (1-based) visible species, or none.
    const Tspecies* nth_visible_species(const Tfamily& family, int kind, int n) const;
    int visible_species_with_photo_count(const Tfamily& family, int kind) const;
    int visible_species_with_photo_and_playable_count(const Tfamily& family, int kind, int mode) const;

    // ---- the data set (slide shows): over all families of order kind in order ----
    // The n-th (1-based) visible species with a counted photo; an n beyond the last is a fatal error.
    const Tspecies& nth_visible_species_with_photo(const Tdata& data, int kind, int n) const;
    // The same for species that also have a playable item in the mode.
    const Tspecies& nth_visible_species_with_photo_and_playable(const Tdata& data, int kind, int n,
                                                                int mode) const;
    int visible_species_with_photo_count(const Tdata& data, int kind) const;
    int visible_species_with_photo_and_playable_count(const Tdata& data, int kind, int mode) const;

private:
    bool photo_and_playable(const Tspecies& species, int mode) const;
    template <typename Pred> int count_in_family(const Tfamily& family, int kind, Pred pred) const;
    template <typename Pred> const Tspecies& nth_in_data(const Tdata& data, int kind, int n, Pred pred) const;
};

} // namespace morvelin
