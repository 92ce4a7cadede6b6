#pragma once
// The display settings of one main window: which names are shown and in what order, the systematic
// order, the visibility filter and the recording-line options. Stored in the window's own section
// ("WINDOW n") of the settings file.

#include "core/data/data_set.h"
#include "core/data/visible_species_and_recordings.h"

#include <functional>
#include <string>
#include <vector>

namespace morvelin {

namespace main_name {
constexpr int scientific = 1;     // the scientific name comes first
constexpr int other_language = 2; // the vernacular name comes first
} // namespace main_name

class SHST_TClassShowStringsData {
public:
    // Systematic order 1, the edition's default filter, both name kinds shown with the vernacular
    // name first, threatened statuses and departments shown, countries not.
    static SHST_TClassShowStringsData create_default(const Tdata& data);
    // The defaults, then the display values of a window's settings (and its filter's). Values that
    // cannot be used fall back to their defaults; nothing is reported.
    static SHST_TClassShowStringsData from_window_settings(const Tdata& data,
                                                           const settings::WindowSettings& stored,
                                                           const std::string& section);
    // The mirror of from_window_settings: fills the display and filter fields and returns their groups
    // (the country only in editions that offer it).
    settings::Groups store_in(const Tdata& data, settings::WindowSettings& stored) const;
    // The same through the settings file's section.
    static SHST_TClassShowStringsData read_from_settings(const Tdata& data, const std::string& section);
    void write_to_settings(const Tdata& data, const std::string& section) const;

    bool scientific = true;
    bool other_language = true;
    int main_name = main_name::other_language;
    int systematic_order = 1; // order kind 1..4
    TClassVisibleSpeciesAndRecordings visible;
    bool show_department = true;
    bool show_country = false;
    bool show_threatened = true;
};

// The systematic orders the data offers, as order kinds: 1 (the order of the scientific-names file)
// first, then the further orders in the data's sequence.
std::vector<int> offered_systematic_orders(const Tdata& data);
// The order a window uses when none is stored or the stored one is not offered.
int default_systematic_order(const Tdata& data);

// The animal group (3 birds, 4 mammals, 5 reptiles, 6 frogs and toads) of a family, for editions that
// group their families. The data files carry no group, so an edition that groups installs a classifier;
// without one every family is in the edition's own group (6 in the frogs-and-toads edition, else 3).
using FamilyGroupClassifier = std::function<int(const Tfamily& family)>;
void set_family_group_classifier(FamilyGroupClassifier classifier);
int family_group(const Tfamily& family);

} // namespace morvelin
