#pragma once
// Search as you type: every name of every species (vernacular, scientific and each of its other
// names), folded once so that one keystroke is a plain scan of short strings. Folding ignores case,
// accents and punctuation, so "mesange" finds "Mésange" and "martin pecheur" finds "Martin-pêcheur".
// Matches at the start of a name come first, then at the start of a word, then anywhere; the species
// the window's filter hides are listed after the shown ones, with the reason.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvelin {

struct Tfamily;
struct Tspecies;
class Tdata;
class TClassVisibleSpeciesAndRecordings;

// A Windows-1252 text folded for searching: ASCII lower case, accented letters as their base letters
// (æ as "ae", ß as "ss"), markup and punctuation as single spaces, no leading or trailing space.
std::string search_folded(std::string_view windows1252);

enum class SearchHidden : std::uint8_t {
    shown,
    outside_areas,      // no area shared with the window's chosen areas
    without_recordings, // a filter asks for recordings
    without_photos,     // a filter asks for photos
    without_media,      // a filter asks for recordings or photos, or the species has neither
};

enum class SearchNameKind : std::uint8_t { vernacular, scientific, other };

struct SpeciesMatch {
    const Tspecies* species = nullptr;
    std::string name; // the name that matched, Windows-1252 as the disc has it
    SearchNameKind kind = SearchNameKind::vernacular;
    int rank = 0; // 0: the name starts with the query, 1: a word starts with it, 2: anywhere
    SearchHidden hidden = SearchHidden::shown;
};

class SpeciesSearchIndex {
public:
    SpeciesSearchIndex() = default;
    // Every species in the region, in the systematic order of kind order (1..4).
    SpeciesSearchIndex(const Tdata& data, int order);

    // The species whose names contain the folded query: shown before hidden ones, then by rank, then
    // in systematic order; one entry per species (its best name), at most limit. An empty query
    // matches nothing.
    std::vector<SpeciesMatch> find(std::string_view query_windows1252, const TClassVisibleSpeciesAndRecordings& visible,
                                   std::size_t limit) const;

    std::size_t name_count() const { return names_.size(); }
    int order() const { return order_; }

private:
    struct Name {
        std::string folded;
        std::string text;
        std::uint32_t species; // index into species_
        SearchNameKind kind;
    };
    std::vector<const Tspecies*> species_; // systematic order
    std::vector<Name> names_;
    int order_ = 1;
};

// Why the filter hides a species (shown when it does not).
SearchHidden search_hidden_reason(const Tspecies& species, const TClassVisibleSpeciesAndRecordings& visible);

// The other names of a species' "other names" text, one per entry: split at commas and semicolons,
// markup removed, trimmed.
std::vector<std::string> other_names_of(std::string_view text_2);

} // namespace morvelin
