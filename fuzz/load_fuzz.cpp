// A disc from the fuzzer. The first byte chooses how the files are stored and the edition loading
// runs as: bits 0-2 pick the edition code, bit 3 the second line scheme, bit 4 raw storage. The rest is
// the text of the ten data files, in loading order (mapsdata, people, names_sc, taxa, locality,
// big_pict, othermedia, cutparts, cupaitem, syst_ord), separated by bytes 0x01; files after the last
// separator are missing. Each file is normally scrambled like a real one (bytes below 21, which no
// stored file can hold, become spaces); stored raw, the fuzzer's bytes are the stored file itself,
// control bytes and lone CRs included. The disc is loaded with the program's loader into a private
// folder. A load either ends in a fatal error (unwound back here) or gives a data set whose links hold
// together; the visibility queries then run over all of it.

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/data/visible_species_and_recordings.h"
#include "core/foundation/codec.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/textfile_handler.h"
#include "fuzz_harness.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace morvelin;

namespace {

const char* const file_names[] = {"mapsdata.txt", "people.txt",   "names_sc.txt",   "taxa.txt",
                                  "locality.txt", "big_pict.txt", "othermedia.txt", "cutparts.txt",
                                  "cupaitem.txt", "syst_ord.txt"};

const std::string& folder() {
    static const std::string path = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "load_fuzz.XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern + "/";
    }();
    return path;
}

void set_up() {
    static bool done = false;
    if (done) return;
    done = true;
    fuzzing::install_harness();
    install_language_texts(Ttextfile_handler::from_bytes(
        "$ [QM_DATA]\n\n\nFile \nhas no section\nso it cannot be loaded.\n$ [DEPARTMENT ETC]\nA\nB\nC\nD\n",
        "fuzz"));
    environment().settings_file_path = folder() + "Morvelin.ini"; // never written: loading only reads
}

// The editions, the unknown one (0) included; odd codes are the second language of a pair.
constexpr int edition_codes[] = {60, 0, 40, 52, 70, 71, 80, 81};

void write_disc(std::string_view input, bool scheme_b, bool raw) {
    std::size_t file = 0;
    for (; file < std::size(file_names); ++file) {
        const std::size_t end = std::min(input.find('\x01'), input.size());
        if (raw) {
            std::ofstream out(folder() + file_names[file], std::ios::binary | std::ios::trunc);
            out << input.substr(0, end);
            if (end == input.size()) break;
            input.remove_prefix(end + 1);
            continue;
        }
        std::vector<std::string> lines;
        std::string line;
        for (char c : input.substr(0, end)) {
            if (c == '\n') {
                lines.push_back(std::move(line));
                line.clear();
            } else if (c != '\r') {
                // Bytes below 21 cannot be stored in a data file.
                line += static_cast<unsigned char>(c) < 21 ? ' ' : c;
            }
        }
        if (!line.empty()) lines.push_back(std::move(line));
        auto stored = encode_data_file_lines(lines, data_file_seed(file_names[file]), scheme_b);
        fuzzing::require(stored.has_value(), "cleaned lines cannot be encoded");
        std::ofstream out(folder() + file_names[file], std::ios::binary | std::ios::trunc);
        for (const std::string& s : *stored)
            out << s << "\r\n";
        if (end == input.size()) break;
        input.remove_prefix(end + 1);
    }
    for (++file; file < std::size(file_names); ++file)
        std::filesystem::remove(folder() + file_names[file]);
}

// Walks a chain with a bound: a loop in a chain would hang every caller.
template <typename T, typename Next> std::size_t chain_length(const T* first, Next next, std::size_t bound) {
    std::size_t n = 0;
    for (const T* p = first; p; p = next(p))
        fuzzing::require(++n <= bound, "a chain loops");
    return n;
}

void check(const Tdata& data) {
    const std::size_t species = data.species_count();
    for (std::size_t i = 0; i < species; ++i) {
        const Tspecies& s = data.species_at(i);
        fuzzing::require(data.find_species(s.unique_id) == &s, "a species is not found by its unique ID");
        const std::size_t items = chain_length(
            s.first_item, [](const Tcupaitem* x) { return x->next_item; }, data.item_count());
        for (const Tcupaitem* item = s.first_item; item; item = item->next_item) {
            fuzzing::require(item->species == &s && item->cut_part, "an item is not linked");
            fuzzing::require(!item->next_item || item->next_item->previous_item == item, "item chain broken");
        }
        fuzzing::require(!s.flag_c || items > 0, "a species with recording items has none");
        const std::size_t photos = chain_length(
            s.first_picture, [](const Tbig_picture* p) { return p->next_picture; }, data.photo_count());
        fuzzing::require(static_cast<int>(photos) == s.picture_count, "photo count differs from the chain");
        fuzzing::require(chain_length(
                             s.first_subspecies, [](const Tsubspecies* x) { return x->next_subspecies; },
                             1000000) == static_cast<std::size_t>(s.subspecies_count),
                         "subspecies count differs from the chain");
        for (int slot = 1; slot <= s.map_count; ++slot)
            fuzzing::require(s.map_slot[slot].map, "empty map slot");
    }
    for (int kind = 1; kind < order_kinds; ++kind) {
        std::size_t listed = 0;
        for (const Tfamily* f : data.families(kind)) {
            listed += chain_length(
                f->first_species, [kind](const Tspecies* s) { return s->next_in_order[kind]; }, species);
            fuzzing::require(listed <= species, "a species is listed twice in an order");
        }
        fuzzing::require(static_cast<int>(data.families(kind).size()) == data.family_count[kind],
                         "family count differs from the chain");
    }
    for (const Tcutpart* c : data.cut_parts()) {
        fuzzing::require(c->locality && (c->is_sound_file || c->audio_cd), "a cut part is not linked");
        chain_length(
            c->first_item, [](const Tcupaitem* x) { return x->next_item_of_cut_part; }, data.item_count());
    }
    for (const Tlocality* l : data.localities()) {
        coordinate_text(*l, data);
        region_label(*l, data);
    }

    TClassVisibleSpeciesAndRecordings filter = TClassVisibleSpeciesAndRecordings::create_default(data);
    for (int pass = 0; pass < 2; ++pass) {
        for (const Tfamily* f : data.families(1)) {
            filter.family_has_visible_species(*f, 1);
            filter.visible_species_with_photo_and_playable_count(*f, 1, 3);
        }
        for (std::size_t i = 0; i < species; ++i) {
            const Tspecies& s = data.species_at(i);
            const int visible = filter.visible_item_count(s, 3);
            if (visible > 0)
                fuzzing::require(filter.nth_visible_item(s, visible, false, 3) != nullptr, "no n-th item");
        }
        filter.area_selection.reset();
        filter.carriers.reset_to_available(data);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    set_up();
    if (size == 0) return 0;
    const unsigned control = data[0];
    determine_edition_from_code(edition_codes[control & 7]);
    write_disc(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), control & 8, control & 16);
    std::unique_ptr<Tdata> loaded;
    try {
        loaded = load_data({folder()});
    } catch (const FatalError&) {
        return 0;
    }
    check(*loaded);
    return 0;
}
