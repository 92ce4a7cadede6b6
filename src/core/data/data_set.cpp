#include "data/data_set.h"

#include "foundation/services.h"
#include "foundation/text_encoding.h"

#include <algorithm>

namespace morvelin {

namespace {

// Binary search in a list sorted by key (case-insensitive).
template <typename T, typename KeyOf>
T* find_by_key(const std::vector<T*>& list, std::string_view key, KeyOf key_of) {
    auto it = std::lower_bound(list.begin(), list.end(), key,
                               [&](const T* r, std::string_view k) { return compare_ignore_case(key_of(r), k) < 0; });
    if (it == list.end() || compare_ignore_case(key_of(*it), key) != 0) return nullptr;
    return *it;
}

} // namespace

Tdata::~Tdata() = default;

Tspecies* Tdata::find_species(int unique_id) const {
    auto it = std::lower_bound(species_by_id_.begin(), species_by_id_.end(), unique_id,
                               [](const Tspecies* s, int id) { return s->unique_id < id; });
    return it != species_by_id_.end() && (*it)->unique_id == unique_id ? *it : nullptr;
}

Tperson* Tdata::find_person(std::string_view key) const {
    return find_by_key(persons_, key, [](const Tperson* p) -> std::string_view { return p->key; });
}

Tlocality* Tdata::find_locality(std::string_view key) const {
    return find_by_key(localities_, key, [](const Tlocality* l) -> std::string_view { return l->key; });
}

Tlocality* Tdata::find_locality_by_name(std::string_view display_name) const {
    auto it = std::lower_bound(
        localities_by_name_.begin(), localities_by_name_.end(), display_name,
        [](const std::pair<std::string, Tlocality*>& e, std::string_view k) { return compare_ignore_case(e.first, k) < 0; });
    if (it == localities_by_name_.end() || compare_ignore_case(it->first, display_name) != 0) return nullptr;
    return it->second;
}

Tcutpart* Tdata::find_cut_part(std::string_view key) const {
    return find_by_key(cut_parts_, key, [](const Tcutpart* c) -> std::string_view { return c->key; });
}

TaudioCD* Tdata::find_audio_cd(int number) const {
    auto it = std::lower_bound(cds_by_number_.begin(), cds_by_number_.end(), number,
                               [](const TaudioCD* cd, int n) { return cd->number < n; });
    return it != cds_by_number_.end() && (*it)->number == number ? *it : nullptr;
}

Tmap_data* Tdata::find_map(std::string_view name) const {
    return find_by_key(map_data_, name, [](const Tmap_data* m) -> std::string_view { return m->name; });
}

Tperson* Tdata::find_person_containing(std::string_view text, int n) const {
    const std::string wanted = to_upper_ascii(text);
    for (Tperson* person : persons_) {
        if (to_upper_ascii(person->key).find(wanted) == std::string::npos) continue;
        if (n-- == 0) return person;
    }
    return nullptr;
}

std::vector<Tfamily*> Tdata::families(int kind) const {
    std::vector<Tfamily*> list;
    if (kind < 1 || kind >= order_kinds) return list;
    for (Tfamily* f = first_family[kind]; f; f = f->next_family) list.push_back(f);
    return list;
}

void Tdata::clear_small_picture_missing_marks() {
    species_pool_.for_each([](Tspecies& s) { s.small_picture_missing = false; });
}

void Tdata::order_warning(int kind) const {
    if (kind != order_kind::clements && kind != order_kind::sibley_monroe) return;
    if (order_complete[kind]) return;
    const char* name = kind == order_kind::clements ? "Clements" : "Sibley and Monroe";
    show_message_with_caption(std::string("There is at least one species not in the ") + name + " order.", "Warning",
                              mb::ok);
}

} // namespace morvelin
