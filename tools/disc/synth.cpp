#include "synth.h"

#include "disc_commands.h"

#include "core/areas/sarovan_area.h"
#include "core/data/data_loader.h"
#include "core/foundation/codec.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>

namespace morvelin::disc {

namespace {

int usage(const std::string& problem, const char* arguments) {
    std::fprintf(stderr, "morvelin-disc synth: %s\nusage: morvelin-disc synth %s\n", problem.c_str(),
                 arguments);
    return 2;
}

// The generator is spelt out (not std::uniform_int_distribution) so that every platform writes the
// same bytes.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed * 2654435761u + 0x9E3779B97F4A7C15ull) {}
    std::uint32_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return static_cast<std::uint32_t>((state_ * 2685821657736338717ull) >> 32);
    }
    int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool chance(int percent) { return below(100) < percent; }
    template <typename T> const T& pick(const std::vector<T>& list) {
        return list[below(static_cast<int>(list.size()))];
    }
    template <typename T> void shuffle(std::vector<T>& list) {
        for (std::size_t i = list.size(); i > 1; --i)
            std::swap(list[i - 1], list[below(static_cast<int>(i))]);
    }

private:
    std::uint64_t state_;
};

const std::vector<std::string> syllables = {
    "ca", "lo", "mi", "ra", "te",  "phi", "dro", "nus", "ta",  "ce",  "ri",  "po",  "ga",  "lus", "me",
    "no", "su", "ti", "va", "cho", "ple", "thu", "bia", "cor", "den", "fer", "gil", "hyl", "mar", "sor"};
const std::vector<std::string> common_words = {
    "the",       "a",       "of",      "in",       "and",    "with",   "forest", "edge",    "song",
    "call",      "male",    "female",  "dry",      "wet",    "hill",   "stream", "low",     "high",
    "often",     "rarely",  "brown",   "green",    "rufous", "grey",   "white",  "black",   "throat",
    "crown",     "tail",    "wing",    "loud",     "soft",   "series", "notes",  "short",   "rising",
    "falling",   "dawn",    "dusk",    "pairs",    "flock",  "canopy", "scrub",  "paddies", "bamboo",
    "evergreen", "lowland", "montane", "resident", "migrant"};
const std::vector<std::string> countries = {"India",     "Sri Lanka", "Nepal",     "Bhutan",   "Myanmar",
                                            "Thailand",  "Laos",      "Vietnam",   "Cambodia", "Malaysia",
                                            "Indonesia", "China",     "Hong Kong", "Taiwan",   "Philippines"};
const std::vector<std::string> item_kinds = {"song",
                                             "call",
                                             "alarm call",
                                             "duet",
                                             "flight call",
                                             "contact calls",
                                             "begging calls of juvenile",
                                             "display song",
                                             "wing noise"};

std::string word(Random& r, int min_syllables, int max_syllables) {
    std::string w;
    const int n = r.between(min_syllables, max_syllables);
    for (int i = 0; i < n; ++i)
        w += r.pick(syllables);
    return w;
}

std::string capitalised(std::string w) {
    if (!w.empty() && w[0] >= 'a' && w[0] <= 'z') w[0] = static_cast<char>(w[0] - 'a' + 'A');
    return w;
}

// Running text of about the given length, with occasional markup and a line break.
std::string prose(Random& r, int length, bool markup) {
    std::string text;
    bool sentence_start = true;
    while (static_cast<int>(text.size()) < length) {
        std::string w = r.chance(20) ? word(r, 2, 3) : r.pick(common_words);
        if (sentence_start) w = capitalised(w);
        if (markup && r.chance(3)) w = "<I>" + w + "</I>";
        if (!text.empty()) text += ' ';
        text += w;
        sentence_start = r.chance(12);
        if (sentence_start) {
            text += '.';
            if (markup && r.chance(10)) text += "LINEFEED_ONLY_REPLACER";
        }
    }
    return text + ".";
}

std::string digits(int value, int width) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    return buffer;
}

struct Species {
    std::string scientific;
    int unique_id = 0;
    int family = 0; // 0-based, order 1
    std::vector<std::string> subspecies;
    int recordings = 0;
};

struct Plan {
    std::vector<std::string> family_names;
    std::vector<Species> species;
    std::vector<std::vector<int>> species_of_family; // indexes into species, file order
    std::vector<std::string> persons;
    std::vector<std::string> localities;
    std::vector<std::string> maps = {"SAROVAN", "INDIA", "CHINA", "PHILIPPINES"};
    int audio_cds = 5;
};

using Lines = std::vector<std::string>;

void entry(Lines& out, std::initializer_list<std::string> lines) {
    out.emplace_back("@#[]");
    out.insert(out.end(), lines);
}

std::string subspecies_reference(Random& r, const Species& s) {
    if (s.subspecies.empty() || !r.chance(30)) return {};
    std::string name = r.pick(s.subspecies);
    if (r.chance(15)) name += " (P)";
    return name;
}

} // namespace

bool synthesize_disc(const SynthOptions& o, std::string& error, SynthSummary* summary) {
    const int n_species = o.species;
    const int n_families = o.families > 0 ? o.families : std::max(1, n_species / 10);
    const int n_recordings = o.recordings > 0 ? o.recordings : n_species * 48 / 10;
    const int n_photos = o.photos > 0 ? o.photos : n_species * 24 / 10;
    const int n_localities = o.localities > 0 ? o.localities : std::max(1, n_species * 12 / 10);
    // The loader reads at most 300 families and 1600 lines per family's species section.
    if (n_species < 1 || n_families > 300 || n_families > n_species || n_species / n_families > 120) {
        error = "--species must be at least 1 and at most 120 per family, with at most 300 families";
        return false;
    }
    Random r(o.seed);
    Plan plan;

    for (int f = 0; f < n_families; ++f)
        plan.family_names.push_back(capitalised(word(r, 2, 3)) + "idae");
    plan.species_of_family.resize(n_families);
    for (int i = 0; i < n_species; ++i) {
        Species s;
        s.family = i * n_families / n_species;
        s.scientific = capitalised(word(r, 2, 3)) + " " + word(r, 2, 4);
        s.unique_id = 1000 + i * 3 + r.below(3);
        const int ssp = r.chance(60) ? 0 : r.between(1, 4);
        for (int k = 0; k < ssp; ++k)
            s.subspecies.push_back(word(r, 2, 4));
        plan.species_of_family[s.family].push_back(i);
        plan.species.push_back(std::move(s));
    }
    // Recordings go to nine species in ten; the rest have none.
    std::vector<int> recorded;
    for (int i = 0; i < n_species; ++i)
        if (i % 10 != 9) recorded.push_back(i);
    for (int k = 0; k < n_recordings; ++k) {
        const int i = k < static_cast<int>(recorded.size()) ? recorded[k] : r.pick(recorded);
        ++plan.species[i].recordings;
    }

    std::vector<std::pair<std::string, Lines>> files;
    // ---- mapsdata.txt ----
    {
        Lines out;
        const char* bounds[] = {"66.5,104.0,38.0,-11.25", "68.0,98.0,36.0,6.0", "97.0,123.0,42.0,18.0",
                                "116.0,127.0,21.5,4.5"};
        for (std::size_t m = 0; m < plan.maps.size(); ++m)
            entry(out, {plan.maps[m], std::to_string(m + 1), bounds[m]});
        files.emplace_back("mapsdata.txt", std::move(out));
    }
    // ---- people.txt ----
    {
        Lines out;
        for (const char* author : text_author_fragments)
            plan.persons.push_back(std::string(author) + ", " + "AUTHOR");
        const int n_persons = std::max(20, n_species / 8);
        while (static_cast<int>(plan.persons.size()) < n_persons) {
            std::string key = to_upper_ascii(word(r, 2, 3)) + ", " + to_upper_ascii(word(r, 1, 2)) + " " +
                              std::to_string(plan.persons.size());
            plan.persons.push_back(std::move(key));
        }
        for (const std::string& key : plan.persons) {
            entry(out, {key, capitalised(word(r, 1, 2)) + " " + capitalised(word(r, 2, 3)),
                        r.chance(50) ? "Sound recordist" : "Photographer",
                        r.chance(60) ? word(r, 2, 3) + "@example.org" : ""});
        }
        files.emplace_back("people.txt", std::move(out));
    }
    // ---- names_sc.txt and taxa.txt ----
    {
        Lines names{"@#[FAMILIES]"};
        Lines taxa{"@#[FAMILIES]"};
        for (const std::string& f : plan.family_names) {
            names.push_back(f);
            names.push_back(f);
            taxa.push_back(capitalised(word(r, 1, 2)) + " and allies");
        }
        names.emplace_back("@#[LIT. REFERENCES]");
        for (int i = 0; i < 40; ++i)
            names.push_back(capitalised(word(r, 2, 3)) + " (" + std::to_string(1950 + i) + ") " +
                            prose(r, 60, false));
        const auto& codes = TSarovanArea::scheme_description().codes;
        for (int f = 0; f < n_families; ++f) {
            names.push_back("@#[SPECIES " + std::to_string(f + 1) + "]");
            taxa.push_back("@#[SPECIES " + std::to_string(f + 1) + "]");
            int k = 0;
            for (int i : plan.species_of_family[f]) {
                const Species& s = plan.species[i];
                std::string letters = "A";
                std::string parts;
                if (s.recordings > 0) letters += 'C';
                if (r.chance(10)) letters += 'R';
                if (r.chance(5)) letters += 'E';
                if (r.chance(5)) letters += 'N';
                if (r.chance(75)) {
                    letters += 'D';
                    parts += "D(\"SAROVAN\" MaskMain";
                    if (r.chance(15)) parts += ",\"" + plan.maps[1 + r.below(3)] + "\" --------";
                    parts += ")";
                }
                if (r.chance(8)) {
                    letters += 'T';
                    static const char* const statuses[] = {"VU", "EN", "CR", "EX"};
                    parts += std::string("T(") + statuses[r.below(4)] + ")";
                }
                std::vector<int> areas(codes.size());
                std::iota(areas.begin(), areas.end(), 0);
                r.shuffle(areas);
                std::string area_text;
                for (int a = 0, n = r.between(1, 4); a < n; ++a)
                    area_text += (a ? "-" : "") + codes[areas[a]];
                std::string literature;
                for (int l = 0, n = r.below(3); l < n; ++l)
                    literature +=
                        (l ? "%$#fgd&" : "") + std::to_string(r.between(1, 40)) + "," + prose(r, 30, false);
                names.emplace_back("@#[]");
                names.push_back(s.scientific);
                names.push_back(std::to_string((f + 1) * 100 + ++k) + " " + std::to_string(s.unique_id));
                names.push_back(letters + (parts.empty() ? "" : "," + parts));
                names.push_back(area_text);
                names.push_back(r.chance(80) ? std::to_string(r.between(1, 4)) : "");
                names.push_back(literature);
                for (std::size_t x = 0; x < s.subspecies.size(); ++x)
                    names.push_back(s.subspecies[x] + (x == 0 && r.chance(5) ? "-NOT REAL SSP" : ""));

                taxa.push_back(capitalised(word(r, 1, 2)) + " " + capitalised(word(r, 2, 3)));
                taxa.push_back(prose(r, r.between(300, 700), true));
                taxa.push_back(prose(r, r.between(80, 200), true));
                taxa.push_back(prose(r, r.between(40, 120), true));
            }
        }
        files.emplace_back("names_sc.txt", std::move(names));
        files.emplace_back("taxa.txt", std::move(taxa));
    }
    // ---- locality.txt ----
    {
        Lines out;
        for (int i = 0; i < n_localities; ++i) {
            const std::string key = "L" + digits(i + 1, 5);
            plan.localities.push_back(key);
            const int latitude = r.between(-10 * 6000, 35 * 6000);
            const int longitude = r.between(68 * 6000, 125 * 6000);
            char coordinates[32];
            std::snprintf(coordinates, sizeof coordinates, "%8d%c%8d%c", latitude, r.chance(30) ? 'D' : ' ',
                          longitude, r.chance(30) ? 'D' : ' ');
            entry(out, {key, capitalised(word(r, 2, 4)) + (r.chance(30) ? " National Park" : ""),
                        r.chance(80) ? capitalised(word(r, 2, 3)) : "", r.pick(countries), "",
                        r.chance(40) ? prose(r, r.between(20, 150), true) : "", coordinates,
                        r.chance(30) ? "site" + digits(i + 1, 5) + ".htm" : ""});
        }
        files.emplace_back("locality.txt", std::move(out));
    }
    // ---- big_pict.txt ----
    {
        Lines out;
        std::vector<int> photographed;
        for (int i = 0; i < n_species; ++i)
            if (i % 10 < 7) photographed.push_back(i);
        std::vector<int> owners;
        for (int k = 0; k < n_photos; ++k)
            owners.push_back(k < static_cast<int>(photographed.size()) ? photographed[k]
                                                                       : r.pick(photographed));
        std::sort(owners.begin(), owners.end());
        for (int i : owners) {
            const Species& s = plan.species[i];
            entry(out, {std::to_string(s.unique_id), subspecies_reference(r, s),
                        r.chance(90) ? r.pick(plan.persons) : "",
                        r.chance(80) ? std::to_string(r.between(1, 28) * 10000 + r.between(1, 12) * 100 +
                                                      r.between(0, 99))
                                     : "",
                        r.chance(60) ? r.pick(plan.localities) : "", r.chance(5) ? "NSS" : "",
                        prose(r, r.between(10, 60), true)});
        }
        files.emplace_back("big_pict.txt", std::move(out));
    }
    // ---- othermedia.txt ----
    {
        Lines out;
        for (int cd = 1; cd <= plan.audio_cds; ++cd) {
            entry(out, {std::to_string(cd), "Sounds of Sarovan, disc " + std::to_string(cd),
                        "SAROVAN BIRD SOUNDS - AUDIO CD " + std::to_string(cd) + " OF " +
                            std::to_string(plan.audio_cds),
                        prose(r, 60, false), cd == plan.audio_cds ? "TRUE" : "FALSE",
                        "https://www.morvelin.example/cd" + std::to_string(cd), "cd" + std::to_string(cd)});
        }
        files.emplace_back("othermedia.txt", std::move(out));
    }
    // ---- cutparts.txt and cupaitem.txt ----
    {
        Lines cut_parts;
        Lines items;
        std::vector<int> cd_slices(plan.audio_cds + 1, 0);
        int sound_files = 0;
        for (int f = 0; f < n_families; ++f) {
            int k = 0;
            for (int i : plan.species_of_family[f]) {
                ++k;
                const Species& s = plan.species[i];
                if (s.recordings == 0) continue;
                items.push_back("@#[" + std::to_string(f + 1) + "_" + std::to_string(k) + "]");
                for (int n = 0; n < s.recordings; ++n) {
                    std::string key;
                    std::string kind;
                    std::string length;
                    if (r.chance(80)) {
                        ++sound_files;
                        key = std::to_string(100 + sound_files / 9999) + "A" +
                              digits(sound_files % 9999 + 1, 4) + (r.chance(10) ? "b" : "");
                        kind = std::to_string(r.below(4));
                        length = std::to_string(r.between(3, 240));
                    } else {
                        const int cd = r.between(1, plan.audio_cds);
                        key = std::to_string(cd) + "C" + digits(++cd_slices[cd], 4);
                        kind = "CD track " + digits(r.between(1, 99), 2) + " offset " +
                               digits(r.below(30000), 5) + " length " + digits(r.between(20, 3000), 5) +
                               " selected " + (r.chance(85) ? "1" : "0");
                    }
                    entry(cut_parts,
                          {key, kind, length, r.chance(50) ? std::to_string(r.below(10)) : "",
                           r.chance(30) ? std::to_string(r.below(100)) : "", r.pick(plan.localities),
                           r.chance(90) ? r.pick(plan.persons) : "", prose(r, r.between(20, 80), true),
                           r.chance(50) ? prose(r, r.between(10, 60), true) : "",
                           r.chance(40) ? std::to_string(r.below(1000)) : ""});
                    const int cls = r.below(10);
                    items.push_back(std::to_string(n + 1));
                    items.push_back(cls < 6 ? "A" : cls < 8 ? "B" : cls < 9 ? "X" : "C");
                    items.push_back(r.chance(30)  ? ""
                                    : r.chance(5) ? "?"
                                                  : std::to_string(r.between(10, 100)));
                    items.push_back(subspecies_reference(r, s));
                    items.push_back(r.pick(item_kinds));
                    items.push_back((n == 0 || r.chance(97)) ? "P" : "");
                    items.push_back(prose(r, r.between(20, 70), true));
                    items.push_back(r.chance(40) ? prose(r, r.between(10, 40), false) : "");
                    items.push_back(key);
                }
            }
        }
        files.emplace_back("cutparts.txt", std::move(cut_parts));
        files.emplace_back("cupaitem.txt", std::move(items));
    }
    // ---- syst_ord.txt: three orders; Sibley & Monroe leaves a few species out ----
    {
        Lines out{"@#[ORDERS]", "Clements 2000", "Sibley&Monroe", "Howard&Moore"};
        for (int order = 1; order <= 3; ++order) {
            std::vector<int> family_order(n_families);
            std::iota(family_order.begin(), family_order.end(), 0);
            r.shuffle(family_order);
            out.push_back("@#[" + std::to_string(order) + "_FAMILIES]");
            for (int f : family_order)
                out.push_back(plan.family_names[f] + "," + capitalised(word(r, 1, 2)) + " family");
            out.push_back("@#[" + std::to_string(order) + "_SPECIES]");
            for (int position = 0; position < n_families; ++position) {
                std::vector<int> members = plan.species_of_family[family_order[position]];
                r.shuffle(members);
                for (int i : members) {
                    if (order == 2 && r.chance(1)) continue;
                    out.push_back(std::to_string(plan.species[i].unique_id) + "," +
                                  std::to_string(position + 1));
                }
            }
        }
        files.emplace_back("syst_ord.txt", std::move(out));
    }

    std::error_code ec;
    std::filesystem::create_directories(o.output, ec);
    const std::string dir = ensure_trailing_separator(o.output);
    std::uint64_t plain_bytes = 0;
    for (const auto& [name, lines] : files) {
        for (const std::string& line : lines)
            plain_bytes += line.size() + 1;
        auto stored = encode_data_file_lines(lines, data_file_seed(name), false);
        if (!stored) {
            error = "a line of " + name + " cannot be stored";
            return false;
        }
        std::string bytes;
        for (const std::string& line : *stored)
            (bytes += line) += "\r\n";
        if (!write_file_atomically(dir + name, bytes)) {
            error = "cannot write " + dir + name;
            return false;
        }
    }
    // Edition code 60 runs this edition (106).
    const std::string texts = "Language texts of a synthetic disc: only those that loading reads.\r\n"
                              "$ [QM_DATA]\r\n\r\n\r\nThe data file \r\ndoes not hold the section\r\n"
                              "and cannot be used.\r\n"
                              "$ [DEPARTMENT ETC]\r\nDepartment\r\nProvince\r\nState\r\nProvince/Region\r\n";
    if (!write_file_atomically(dir + "PROGR_NM.TXT", "60\r\n") ||
        !write_file_atomically(dir + "Morvelin.txt", texts)) {
        error = "cannot write into " + dir;
        return false;
    }
    if (summary) {
        *summary = {n_families,     n_species,    n_recordings,
                    n_photos,       n_localities, static_cast<int>(plan.persons.size()),
                    plan.audio_cds, plain_bytes};
    }
    return true;
}

int cmd_synth(const std::vector<std::string>& args) {
    const char* const arguments =
        "OUT [--species N] [--families N] [--recordings N] [--photos N] [--localities N] [--seed N]";
    const ParsedArguments a = parse_arguments(
        args, {}, {"--species", "--families", "--recordings", "--photos", "--localities", "--seed"}, 1);
    if (!a.error.empty()) return usage(a.error, arguments);
    SynthOptions o;
    o.output = a.positional[0];
    const std::pair<const char*, int*> numbers[] = {{"--species", &o.species},
                                                    {"--families", &o.families},
                                                    {"--recordings", &o.recordings},
                                                    {"--photos", &o.photos},
                                                    {"--localities", &o.localities}};
    for (auto [name, target] : numbers) {
        const auto it = a.values.find(name);
        if (it == a.values.end()) continue;
        bool bad = false;
        *target = parse_integer(it->second, 0, bad);
        if (bad || *target < 0) return usage(std::string(name) + " needs a number", arguments);
    }
    if (const auto it = a.values.find("--seed"); it != a.values.end()) {
        bool bad = false;
        o.seed = static_cast<std::uint32_t>(parse_integer(it->second, 0, bad));
        if (bad) return usage("--seed needs a number", arguments);
    }
    std::string error;
    SynthSummary s;
    if (!synthesize_disc(o, error, &s)) return tool_failure(error);
    std::printf("%d families, %d species, %d recordings, %d photos, %d localities, %d persons, %d audio CDs; "
                "%llu bytes of data text\n",
                s.families, s.species, s.recordings, s.photos, s.localities, s.persons, s.audio_cds,
                static_cast<unsigned long long>(s.plain_bytes));
    return 0;
}

} // namespace morvelin::disc
