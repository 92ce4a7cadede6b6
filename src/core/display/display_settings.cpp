#include "core/display/display_settings.h"

#include "core/foundation/editions.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>

namespace morvelin {

namespace {

const char* const main_scientific_text = "Scientific";
const char* const main_other_text = "Other Language";

FamilyGroupClassifier& classifier() {
    static FamilyGroupClassifier c;
    return c;
}

} // namespace

std::vector<int> offered_systematic_orders(const Tdata& data) {
    std::vector<int> orders{order_kind::scientific_names};
    const int listed = std::min(data.order_count, 3);
    for (int i = 1; i <= listed; ++i) {
        const int kind = data.order_kind[static_cast<std::size_t>(i)];
        // An order whose families were all removed has nothing to show.
        if (kind >= 2 && kind <= 4 && data.first_family[static_cast<std::size_t>(kind)] &&
            std::find(orders.begin(), orders.end(), kind) == orders.end())
            orders.push_back(kind);
    }
    return orders;
}

int default_systematic_order(const Tdata&) {
    // The scientific-names order is the only one that always holds every species.
    return order_kind::scientific_names;
}

SHST_TClassShowStringsData SHST_TClassShowStringsData::create_default(const Tdata& data) {
    SHST_TClassShowStringsData d;
    d.visible = TClassVisibleSpeciesAndRecordings::create_default(data);
    return d;
}

SHST_TClassShowStringsData
SHST_TClassShowStringsData::from_window_settings(const Tdata& data, const settings::WindowSettings& stored,
                                                 const std::string& section) {
    SHST_TClassShowStringsData d;
    d.other_language = stored.other_language;
    // Without vernacular names the scientific name is the only name left.
    d.scientific = d.other_language ? stored.scientific : true;
    d.main_name = equals_ignore_case(stored.main, main_scientific_text) ? main_name::scientific
                                                                        : main_name::other_language;

    const std::vector<int> orders = offered_systematic_orders(data);
    d.systematic_order = default_systematic_order(data);
    if (orders.size() > 1 && std::find(orders.begin(), orders.end(), stored.systematic_order) != orders.end())
        d.systematic_order = stored.systematic_order;

    d.show_threatened = stored.show_threatened;
    d.show_department = stored.show_department;
    if (edition().switches.show_country_option) d.show_country = stored.show_country;
    d.visible = TClassVisibleSpeciesAndRecordings::from_window_settings(data, stored, section);
    return d;
}

settings::Groups SHST_TClassShowStringsData::store_in(const Tdata& data,
                                                      settings::WindowSettings& stored) const {
    using W = settings::WindowSettings;
    stored.other_language = other_language;
    stored.scientific = scientific;
    stored.main = main_name == main_name::scientific ? main_scientific_text : main_other_text;
    stored.systematic_order = systematic_order;
    stored.show_threatened = show_threatened;
    stored.show_department = show_department;
    settings::Groups groups = W::names;
    if (edition().switches.show_country_option) {
        stored.show_country = show_country;
        groups |= W::country;
    }
    return groups | visible.store_in(data, stored);
}

SHST_TClassShowStringsData SHST_TClassShowStringsData::read_from_settings(const Tdata& data,
                                                                          const std::string& section) {
    return from_window_settings(
        data, settings::read_window_settings(section, static_cast<int>(data.audio_cd_count())), section);
}

void SHST_TClassShowStringsData::write_to_settings(const Tdata& data, const std::string& section) const {
    settings::WindowSettings stored;
    SettingsChanges changes;
    settings::write_window_settings(changes, section, stored, store_in(data, stored));
    changes.commit();
}

void set_family_group_classifier(FamilyGroupClassifier c) {
    classifier() = std::move(c);
}

int family_group(const Tfamily& family) {
    if (classifier()) {
        const int group = classifier()(family);
        if (group >= 3 && group <= 6) return group;
    }
    // The frogs-and-toads edition lists nothing but frogs and toads.
    return edition().edition_id == 109 ? 6 : 3;
}

} // namespace morvelin
