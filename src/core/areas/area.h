#pragma once
// Area sets: an edition divides its region into a few areas known by two-letter codes. A species
// carries the set of areas it occurs in; a window's filter carries the set the user wants to see; a
// species is listed when the two share an area. Schemes derive from TArea and override its virtual
// operations (the edition hooks exist for schemes whose rules differ).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvelin {

// A point inside one separate region of an area, in pixels of the scheme's selection map image.
struct AreaSeedPoint {
    int x = 0;
    int y = 0;
};

// The fixed description of a scheme, shared by every set of that scheme.
struct AreaScheme {
    std::vector<std::string> codes;                      // two-letter codes in scheme order
    std::vector<std::vector<AreaSeedPoint>> seed_points; // per area, for the selection frame
    std::string frame_class;                             // class name of the selection frame
    std::string map_resource;                            // map image of the selection frame
    std::vector<std::string> names;                      // per area, English; the language file may
                                                         // give others (key AREA NAMES, line = area)
};

class TArea {
public:
    static constexpr int max_areas = 64;

    // Every flag cleared. The scheme must outlive the set (schemes are static).
    explicit TArea(const AreaScheme& scheme);
    virtual ~TArea() = default;
    TArea(const TArea&) = default;
    TArea& operator=(const TArea&) = default;

    virtual std::unique_ptr<TArea> clone() const = 0;

    int count() const { return static_cast<int>(scheme_->codes.size()); }
    const std::vector<std::string>& codes() const { return scheme_->codes; }
    const AreaScheme& scheme() const { return *scheme_; }
    const std::string& frame_class() const { return scheme_->frame_class; }

    bool selected(int area) const;
    void set_selected(int area, bool on);
    // One flag per area, in scheme order (exchange with the selection frame).
    std::vector<bool> flags() const;
    // Ignored unless flags has exactly count() entries.
    void set_flags(const std::vector<bool>& flags);
    bool any_selected() const { return bits_ != 0; }

    // Whether the selection frame offers the area to the user; the base offers all.
    virtual bool is_offered(int area) const;
    // Whether the area is drawn with the alternate colour pair; the base uses the normal pair.
    virtual bool uses_alternate_colours(int area) const;

    // Parses a code list such as "IN-SR-NE" (any case, codes joined by '-', a trailing '-' allowed) and
    // selects the areas it names; areas not named keep their flags. An unknown code, a code named twice
    // or a missing '-': with report, a fatal error naming context ("Error in distribution data for
    // <context>: ..."); without report, the default selection replaces the set. Returns false on an
    // error (only reachable without report).
    virtual bool set_from_text(const std::string& text, const std::string& context, bool report);
    // A stored selection (a window's `Selected Area`): a non-empty text is parsed silently into a
    // cleared set (an unusable text gives the default); an empty text gives the default selection.
    virtual void load_selection(const std::string& stored, const std::string& context);
    // The same with `Selected Area` of the section in the settings file.
    void create_from_settings(const std::string& section);
    // Writes `Selected Area`: the codes of the selected areas in scheme order joined by '-'.
    void write_to_settings(const std::string& section) const;
    // The codes of the selected areas in scheme order joined by '-' ("" when none).
    std::string selection_text() const;
    // The names of the selected areas in scheme order, joined by ", " (codes where a name is missing).
    std::string selection_names() const;
    // Selects every area.
    virtual void select_default();
    // Copies the other set's flags (same scheme).
    virtual void assign(const TArea& other);
    // Some area is selected in both sets.
    virtual bool shares_an_area_with(const TArea& other) const;

    // Edition hooks used by the visibility rules. A species without recordings or photos, no filter
    // being on: visible when this (the species' set) answers true for the window's selection.
    virtual bool edition_hook_visible_without_media(const TArea& selection) const;
    // Asked of the window's selection: hide species without recordings or photos.
    virtual bool edition_hook_hide_without_media() const;
    // Asked of the window's selection: show audio-CD slices that are not marked selected.
    virtual bool edition_hook_show_unselected_cd_slices() const;
    // A scheme-specific status text; empty in the base.
    virtual std::string edition_hook_text() const;

protected:
    const AreaScheme* scheme_;
    std::uint64_t bits_ = 0;
};

} // namespace morvelin
