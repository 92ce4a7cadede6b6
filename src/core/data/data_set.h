#pragma once
// Tdata: the one data set, built once at start-up from the ten data files (data_loader.h) and
// read-only afterwards, apart from the cached thumbnail marks, the hard-disk folders of the audio CDs
// and the cut parts' lengths corrected by the players. It owns every record; pointers between records
// and from callers stay valid while the data set exists.
//
// Lookups by key use sorted lists with binary search; keys compare ASCII case-insensitively.

#include "core/data/key_order.h"
#include "core/data/record_pool.h"
#include "core/data/records.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace morvelin {

class Tdata {
public:
    Tdata() = default;
    Tdata(const Tdata&) = delete;
    Tdata& operator=(const Tdata&) = delete;
    ~Tdata();

    // ---- orders ----
    std::array<int, order_kinds> family_count{};
    std::array<Tfamily*, order_kinds> first_family{};
    std::array<bool, order_kinds> order_complete{false, true, false, false, false};
    int order_count = 0;                      // orders listed in syst_ord.txt (at most 3 are used)
    std::array<std::uint8_t, 4> order_kind{}; // [1..3]: kind of each listed order used

    Tperson* first_person = nullptr; // first person of people.txt
    int regular_cd_count = 0;        // audio CDs that are not always available
    std::vector<std::string> literature_references;

    // Lines 0..9 of language text DEPARTMENT ETC (region labels of localities).
    std::vector<std::string> department_texts;
    // Direction words of coordinate texts: [0] first position >= 0, [1] first negative, [2] second
    // position >= 0, [3] second negative. Filled by the map window code at start-up.
    std::array<std::string, 4> direction_words{"N", "S", "E", "W"};

    // ---- lookups (none when absent) ----
    Tspecies* find_species(int unique_id) const;
    Tperson* find_person(std::string_view key) const;
    Tlocality* find_locality(std::string_view key) const;
    Tlocality* find_locality_by_name(std::string_view display_name) const;
    Tcutpart* find_cut_part(std::string_view key) const;
    TaudioCD* find_audio_cd(int number) const;
    Tmap_data* find_map(std::string_view name) const;
    // The n-th (0-based) person in key order whose key contains text, compared in upper case.
    Tperson* find_person_containing(std::string_view text, int n) const;

    // ---- sorted lists ----
    const std::vector<Tspecies*>& species_by_id() const { return species_by_id_; }      // by unique ID
    const std::vector<Tperson*>& persons() const { return persons_.records(); }         // by key
    const std::vector<Tlocality*>& localities() const { return localities_.records(); } // by key
    const std::vector<Tcutpart*>& cut_parts() const { return cut_parts_.records(); }    // by key
    const std::vector<TaudioCD*>& audio_cds() const { return audio_cds_; } // by number as text ("10" < "9")
    const std::vector<Tmap_data*>& map_data() const { return map_data_.records(); } // by name
    // Display name -> locality, only localities with a text_7.
    const std::vector<std::pair<std::string, Tlocality*>>& localities_by_name() const {
        return localities_by_name_;
    }

    // Audio CDs in file order (sequence 1..n).
    std::size_t audio_cd_count() const { return cd_pool_.size(); }
    TaudioCD& audio_cd_by_sequence(int sequence) { return cd_pool_[sequence - 1]; }
    const TaudioCD& audio_cd_by_sequence(int sequence) const { return cd_pool_[sequence - 1]; }
    // Every species in the order of names_sc.txt.
    std::size_t species_count() const { return species_pool_.size(); }
    Tspecies& species_at(std::size_t i) { return species_pool_[i]; }
    const Tspecies& species_at(std::size_t i) const { return species_pool_[i]; }
    std::size_t photo_count() const { return picture_pool_.size(); }
    std::size_t item_count() const { return item_pool_.size(); }

    // Families of order kind 1..4 in display order (follows first_family and next_family).
    std::vector<Tfamily*> families(int kind) const;

    // Clears small_picture_missing of every species (the base directory changed).
    void clear_small_picture_missing_marks();

    // Shows "There is at least one species not in the <name> order." with caption "Warning" when a
    // secondary order of kind 2 or 3 is not complete. Called when the user chooses that order.
    void order_warning(int kind) const;

    // Notes about the data that the program tolerates but an author should know (lines beyond a
    // section's limit, leftover lines, duplicate display names). Shown by `morvelin-disc check`.
    std::vector<std::string> notes;

private:
    friend class DataLoader;

    // Builds species_index_ from species_by_id_.
    void index_species_by_id();

    RecordPool<Tmap_data> map_pool_;
    RecordPool<Tperson> person_pool_;
    RecordPool<Tfamily> family_pool_;
    RecordPool<Tspecies, 64> species_pool_;
    RecordPool<Tsubspecies> subspecies_pool_;
    RecordPool<Tssp_data> ssp_data_pool_;
    RecordPool<Tlocality> locality_pool_;
    RecordPool<Tbig_picture> picture_pool_;
    RecordPool<TaudioCD, 16> cd_pool_;
    RecordPool<Tcutpart> cut_part_pool_;
    RecordPool<Tcupaitem> item_pool_;

    struct KeyOfPerson {
        std::string_view operator()(const Tperson& p) const { return p.key; }
    };
    struct KeyOfLocality {
        std::string_view operator()(const Tlocality& l) const { return l.key; }
    };
    struct KeyOfCutPart {
        std::string_view operator()(const Tcutpart& c) const { return c.key; }
    };
    struct KeyOfMap {
        std::string_view operator()(const Tmap_data& m) const { return m.name; }
    };

    std::vector<Tspecies*> species_by_id_;
    ProbeTable species_index_; // unique ID -> position in species_by_id_
    KeyedList<Tperson, KeyOfPerson> persons_;
    KeyedList<Tlocality, KeyOfLocality> localities_;
    KeyedList<Tcutpart, KeyOfCutPart> cut_parts_;
    std::vector<TaudioCD*> audio_cds_;     // by the number's decimal text
    std::vector<TaudioCD*> cds_by_number_; // the same by number, for lookups
    KeyedList<Tmap_data, KeyOfMap> map_data_;
    std::vector<std::pair<std::string, Tlocality*>> localities_by_name_;
};

} // namespace morvelin
