#include "core/data/data_set.h"

#include "core/data/key_order.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"

#include <algorithm>

namespace morvelin {

Tdata::~Tdata() = default;

namespace {

std::uint64_t id_hash(int unique_id) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(unique_id)) * 0x9E3779B97F4A7C15u;
}

} // namespace

Tspecies* Tdata::find_species(int unique_id) const {
    const std::ptrdiff_t at = species_index_.find(id_hash(unique_id), static_cast<std::uint32_t>(unique_id), 0,
                                                  [](std::size_t) { return true; });
    return at < 0 ? nullptr : species_by_id_[static_cast<std::size_t>(at)];
}

void Tdata::index_species_by_id() {
    species_index_.reset(species_by_id_.size());
    for (std::size_t i = 0; i < species_by_id_.size(); ++i) {
        const int id = species_by_id_[i]->unique_id;
        species_index_.insert(id_hash(id), static_cast<std::uint32_t>(id), 0, i);
    }
}

Tperson* Tdata::find_person(std::string_view key) const {
    return persons_.find(key);
}

Tlocality* Tdata::find_locality(std::string_view key) const {
    return localities_.find(key);
}

Tlocality* Tdata::find_locality_by_name(std::string_view display_name) const {
    auto it = std::lower_bound(localities_by_name_.begin(), localities_by_name_.end(), display_name,
                               [](const std::pair<std::string, Tlocality*>& e, std::string_view k) {
                                   return compare_keys(e.first, k) < 0;
                               });
    if (it == localities_by_name_.end() || compare_keys(it->first, display_name) != 0) return nullptr;
    return it->second;
}

Tcutpart* Tdata::find_cut_part(std::string_view key) const {
    return cut_parts_.find(key);
}

TaudioCD* Tdata::find_audio_cd(int number) const {
    auto it = std::lower_bound(cds_by_number_.begin(), cds_by_number_.end(), number,
                               [](const TaudioCD* cd, int n) { return cd->number < n; });
    return it != cds_by_number_.end() && (*it)->number == number ? *it : nullptr;
}

Tmap_data* Tdata::find_map(std::string_view name) const {
    return map_data_.find(name);
}

Tperson* Tdata::find_person_containing(std::string_view text, int n) const {
    const std::string wanted = to_upper_ascii(text);
    for (Tperson* person : persons_.records()) {
        if (to_upper_ascii(person->key).find(wanted) == std::string::npos) continue;
        if (n-- == 0) return person;
    }
    return nullptr;
}

std::vector<Tfamily*> Tdata::families(int kind) const {
    std::vector<Tfamily*> list;
    if (kind < 1 || kind >= order_kinds) return list;
    for (Tfamily* f = first_family[kind]; f; f = f->next_family)
        list.push_back(f);
    return list;
}

void Tdata::clear_small_picture_missing_marks() {
    species_pool_.for_each([](Tspecies& s) { s.small_picture_missing = false; });
}

void Tdata::order_warning(int kind) const {
    if (kind != order_kind::clements && kind != order_kind::sibley_monroe) return;
    if (order_complete[kind]) return;
    const char* name = kind == order_kind::clements ? "Clements" : "Sibley and Monroe";
    show_message_with_caption(std::string("There is at least one species not in the ") + name + " order.",
                              "Warning", mb::ok);
}

} // namespace morvelin
