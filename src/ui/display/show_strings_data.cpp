#include "ui/display/show_strings_data.h"

#include "core/foundation/editions.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>

namespace morvelin {

namespace {

const char* const key_other_language = "Other Language";
const char* const key_scientific = "Scientific";
const char* const key_main = "Main";
const char* const key_order = "Systematic Order";
const char* const key_threatened = "Show Threatened Bird Indications";
const char* const key_department = "Show department on first line of recording data";
const char* const key_country = "Show country on first line of recording data";

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

SHST_TClassShowStringsData SHST_TClassShowStringsData::read_from_settings(const Tdata& data,
                                                                          const std::string& section) {
    SHST_TClassShowStringsData d;
    d.other_language = settings_read_yes_no("", section, key_other_language, true);
    // Without vernacular names the scientific name is the only name left.
    d.scientific = d.other_language ? settings_read_yes_no("", section, key_scientific, true) : true;
    const std::string main = settings_read_string("", section, key_main, main_other_text);
    d.main_name =
        equals_ignore_case(main, main_scientific_text) ? main_name::scientific : main_name::other_language;

    const std::vector<int> orders = offered_systematic_orders(data);
    d.systematic_order = default_systematic_order(data);
    if (orders.size() > 1) {
        const int stored = settings_read_integer("", section, key_order, d.systematic_order);
        if (std::find(orders.begin(), orders.end(), stored) != orders.end()) d.systematic_order = stored;
    }

    d.show_threatened = settings_read_yes_no("", section, key_threatened, true);
    d.show_department = settings_read_yes_no("", section, key_department, true);
    if (edition().switches.show_country_option)
        d.show_country = settings_read_yes_no("", section, key_country, true);
    d.visible = TClassVisibleSpeciesAndRecordings::create_from_settings(data, section);
    return d;
}

void SHST_TClassShowStringsData::write_to_settings(const Tdata& data, const std::string& section) const {
    settings_write_yes_no("", section, key_other_language, other_language);
    settings_write_yes_no("", section, key_scientific, scientific);
    settings_write_string("", section, key_main,
                          main_name == main_name::scientific ? main_scientific_text : main_other_text);
    settings_write_integer("", section, key_order, systematic_order);
    settings_write_yes_no("", section, key_threatened, show_threatened);
    settings_write_yes_no("", section, key_department, show_department);
    if (edition().switches.show_country_option) settings_write_yes_no("", section, key_country, show_country);
    visible.save_to_settings(data, section);
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
