#include "core/display/species_search.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/data/visible_species_and_recordings.h"

#include <algorithm>
#include <array>

namespace morvelin {

namespace {

// The folded form of each Windows-1252 byte: "" for a separator, else one or two lower-case letters
// or digits.
struct FoldTable {
    std::array<std::array<char, 3>, 256> to{};
    FoldTable() {
        const auto set = [this](unsigned char c, const char* s) {
            to[c] = {s[0], s[0] ? s[1] : '\0', '\0'};
        };
        for (int c = 0; c < 256; ++c)
            to[static_cast<std::size_t>(c)] = {'\0', '\0', '\0'};
        for (int c = '0'; c <= '9'; ++c)
            to[static_cast<std::size_t>(c)] = {static_cast<char>(c), '\0', '\0'};
        for (int c = 'a'; c <= 'z'; ++c) {
            to[static_cast<std::size_t>(c)] = {static_cast<char>(c), '\0', '\0'};
            to[static_cast<std::size_t>(c - 'a' + 'A')] = {static_cast<char>(c), '\0', '\0'};
        }
        const struct {
            const char* letters; // Windows-1252 bytes
            const char* base;
        } accented[] = {
            {"\xC0\xC1\xC2\xC3\xC4\xC5\xE0\xE1\xE2\xE3\xE4\xE5\xAA", "a"},
            {"\xC7\xE7", "c"},
            {"\xC8\xC9\xCA\xCB\xE8\xE9\xEA\xEB", "e"},
            {"\xCC\xCD\xCE\xCF\xEC\xED\xEE\xEF", "i"},
            {"\xD0\xF0", "d"},
            {"\xD1\xF1", "n"},
            {"\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8\xBA", "o"},
            {"\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC", "u"},
            {"\xDD\xFD\xFF\x9F", "y"},
            {"\x8A\x9A", "s"},
            {"\x8E\x9E", "z"},
            {"\x83", "f"},
        };
        for (const auto& group : accented) {
            for (const char* p = group.letters; *p; ++p)
                set(static_cast<unsigned char>(*p), group.base);
        }
        set(0xC6, "ae");
        set(0xE6, "ae");
        set(0x8C, "oe");
        set(0x9C, "oe");
        set(0xDF, "ss");
        set(0xDE, "th");
        set(0xFE, "th");
    }
};

const FoldTable& fold_table() {
    static const FoldTable table;
    return table;
}

bool word_start_at(const std::string& folded, std::size_t at) {
    return at == 0 || folded[at - 1] == ' ';
}

// 0: the name starts with the query, 1: a later word does, 2: found inside a word, -1: not found.
int rank_of(const std::string& folded, const std::string& query) {
    std::size_t at = folded.find(query);
    if (at == std::string::npos) return -1;
    if (at == 0) return 0;
    for (std::size_t p = at; p != std::string::npos; p = folded.find(query, p + 1)) {
        if (word_start_at(folded, p)) return 1;
    }
    return 2;
}

std::string trimmed_text(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || c == ' ') {
            if (!out.empty() && out.back() != ' ') out += ' ';
            continue;
        }
        out += c;
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const std::size_t last = out.find_last_not_of(' ');
    return out.substr(first, last - first + 1);
}

} // namespace

std::string search_folded(std::string_view text) {
    const FoldTable& table = fold_table();
    std::string out;
    out.reserve(text.size());
    bool space = false;
    for (char c : text) {
        const auto& folded = table.to[static_cast<unsigned char>(c)];
        if (!folded[0]) {
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += folded[0];
        if (folded[1]) out += folded[1];
    }
    return out;
}

std::vector<std::string> other_names_of(std::string_view text_2) {
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text_2.size(); ++i) {
        if (i < text_2.size() && text_2[i] != ',' && text_2[i] != ';') continue;
        std::string name = trimmed_text(text_2.substr(start, i - start));
        if (!name.empty()) names.push_back(std::move(name));
        start = i + 1;
    }
    return names;
}

SearchHidden search_hidden_reason(const Tspecies& species, const TClassVisibleSpeciesAndRecordings& visible) {
    if (visible.species_visible(species)) return SearchHidden::shown;
    if (species.area && visible.area_selection && !species.area->shares_an_area_with(*visible.area_selection))
        return SearchHidden::outside_areas;
    const bool sounds = visible.visible_item_count(species, 3) > 0;
    if (visible.only_with_sounds && !sounds) return SearchHidden::without_recordings;
    if (visible.only_with_photos && species.picture_count == 0) return SearchHidden::without_photos;
    return SearchHidden::without_media;
}

SpeciesSearchIndex::SpeciesSearchIndex(const Tdata& data, int order) : order_(order) {
    if (order < 1 || order >= order_kinds) order_ = order = order_kind::scientific_names;
    const auto kind = static_cast<std::size_t>(order);
    for (const Tfamily* f = data.first_family[kind]; f; f = f->next_family) {
        for (const Tspecies* s = f->first_species; s; s = s->next_in_order[kind]) {
            if (!s->in_region) continue;
            const auto index = static_cast<std::uint32_t>(species_.size());
            species_.push_back(s);
            const auto add = [&](const std::string& text, SearchNameKind name_kind) {
                std::string folded = search_folded(text);
                if (!folded.empty()) names_.push_back({std::move(folded), trimmed_text(text), index, name_kind});
            };
            add(s->vernacular_name, SearchNameKind::vernacular);
            add(s->scientific_name, SearchNameKind::scientific);
            for (const std::string& other : other_names_of(s->text_2))
                add(other, SearchNameKind::other);
        }
    }
}

std::vector<SpeciesMatch> SpeciesSearchIndex::find(std::string_view query_text,
                                                   const TClassVisibleSpeciesAndRecordings& visible,
                                                   std::size_t limit) const {
    const std::string query = search_folded(query_text);
    std::vector<SpeciesMatch> out;
    if (query.empty() || limit == 0) return out;
    // The best name of each species: names of one species are adjacent, in the order vernacular,
    // scientific, others, so a later name wins only with a better rank.
    struct Best {
        std::uint32_t species;
        int rank;
        std::size_t name;
    };
    std::vector<Best> best;
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const Name& n = names_[i];
        const int rank = rank_of(n.folded, query);
        if (rank < 0) continue;
        if (!best.empty() && best.back().species == n.species) {
            if (rank < best.back().rank) best.back() = {n.species, rank, i};
            continue;
        }
        best.push_back({n.species, rank, i});
    }
    std::vector<std::pair<SearchHidden, Best>> ranked;
    ranked.reserve(best.size());
    for (const Best& b : best)
        ranked.emplace_back(search_hidden_reason(*species_[b.species], visible), b);
    // Stable: within a class the systematic order stays.
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        const bool a_hidden = a.first != SearchHidden::shown, b_hidden = b.first != SearchHidden::shown;
        if (a_hidden != b_hidden) return !a_hidden;
        return a.second.rank < b.second.rank;
    });
    for (const auto& [hidden, b] : ranked) {
        if (out.size() == limit) break;
        const Name& n = names_[b.name];
        out.push_back({species_[b.species], n.text, n.kind, b.rank, hidden});
    }
    return out;
}

} // namespace morvelin
