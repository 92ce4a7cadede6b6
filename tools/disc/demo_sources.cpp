#include "demo_sources.h"

#include "core/foundation/text_encoding.h"

#include <QColor>
#include <QString>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace morvelin::demo {

namespace fs = std::filesystem;

// ---- records ----

const RecField* Record::find(const std::string& key) const {
    for (const auto& field : fields)
        if (field.key == key) return &field;
    return nullptr;
}

std::string Record::get(const std::string& key, const std::string& fallback) const {
    const RecField* field = find(key);
    return field ? field->value : fallback;
}

std::vector<std::string> Record::all(const std::string& key) const {
    std::vector<std::string> values;
    for (const auto& field : fields)
        if (field.key == key) values.push_back(field.value);
    return values;
}

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(trim(part));
    if (!text.empty() && text.back() == separator) parts.emplace_back();
    return parts;
}

std::string upper(const std::string& text) {
    return to_upper_ascii(text);
}

std::optional<std::string> read_text_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool parse_int(const std::string& text, int& value) {
    if (text.empty()) return false;
    std::size_t used = 0;
    try {
        value = std::stoi(text, &used);
    } catch (...) {
        return false;
    }
    return used == text.size();
}

bool parse_double(const std::string& text, double& value) {
    // Source numbers always use "."; std::stod would follow the process locale, which Qt may change.
    if (text.empty()) return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
    double result = 0;
    bool digits = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        result = result * 10 + (text[i++] - '0');
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            result += (text[i++] - '0') * scale;
            scale /= 10;
            digits = true;
        }
    }
    if (!digits || i != text.size()) return false;
    value = negative ? -result : result;
    return true;
}

// Reports problems with their place; the loader collects them all before giving up.
class Problems {
public:
    explicit Problems(std::vector<std::string>& out) : out_(out) {}
    void add(const std::string& file, int line, const std::string& message) {
        out_.push_back(file + ":" + std::to_string(line) + ": " + message);
    }
    void add(const Record& record, const std::string& key, const std::string& message) {
        const RecField* field = record.find(key);
        add(record.file, field ? field->line : record.line, message);
    }
    bool any() const { return !out_.empty(); }

private:
    std::vector<std::string>& out_;
};

// A source text must survive the trip to Windows-1252 unchanged and hold no control characters.
bool storable_text(const std::string& text) {
    for (unsigned char c : text)
        if (c < 32 || c == 127) return false;
    return cp1252_to_utf8(utf8_to_cp1252(text)) == text;
}

const std::set<std::string> shapes = {
    "songbird", "crow",       "gamebird", "duck",    "woodpecker", "barbet", "hornbill", "trogon",
    "roller",   "kingfisher", "beeeater", "cuckoo",  "parrot",     "swift",  "owl",      "nightjar",
    "pigeon",   "rail",       "crane",    "wader",   "tern",       "raptor", "grebe",    "cormorant",
    "heron",    "stork",      "pitta",    "sunbird", "finch"};
const std::set<std::string> habitats = {"forest", "wetland",  "grassland", "scrub",
                                        "coast",  "mountain", "urban",     "sky"};
const std::set<std::string> voices = {"crow",   "screech", "whistle", "trill", "chirp",
                                      "warble", "hoot",    "coo",     "quack", "rattle",
                                      "buzz",   "tinkle",  "piping",  "honk",  "chatter"};
const std::set<std::string> poses = {"perched", "flight", "ground", "nest", "habitat"};
const std::set<std::string> stores = {"plain", "scrambled", "scramble2"};

// "27.17", "-6.78", "14°26'17\"N", "4°55'S": value in 1/6000 degree, whether seconds were given.
bool parse_coordinate(const std::string& text, bool latitude, int& value, bool& seconds, double& degrees) {
    double decimal = 0;
    if (parse_double(text, decimal)) {
        const double limit = latitude ? 90 : 180;
        if (std::fabs(decimal) > limit) return false;
        value = static_cast<int>(std::lround(decimal * 6000));
        seconds = false;
        degrees = decimal;
        return true;
    }
    // Degrees, minutes and optional seconds with a hemisphere letter.
    const std::string degree_sign = "\xC2\xB0";
    const auto d_end = text.find(degree_sign);
    if (d_end == std::string::npos || text.empty()) return false;
    const char hemisphere = text.back();
    const bool negative = latitude ? hemisphere == 'S' : hemisphere == 'W';
    const bool positive = latitude ? hemisphere == 'N' : hemisphere == 'E';
    if (!negative && !positive) return false;
    int d = 0, m = 0, s = 0;
    if (!parse_int(text.substr(0, d_end), d)) return false;
    std::string rest = text.substr(d_end + degree_sign.size());
    rest.pop_back();
    const auto m_end = rest.find('\'');
    if (m_end == std::string::npos || !parse_int(rest.substr(0, m_end), m)) return false;
    rest = rest.substr(m_end + 1);
    seconds = false;
    if (!rest.empty()) {
        if (rest.back() != '"' || !parse_int(rest.substr(0, rest.size() - 1), s)) return false;
        seconds = true;
    }
    if (m < 0 || m > 59 || s < 0 || s > 59 || d < 0 || d > (latitude ? 90 : 180)) return false;
    value = d * 6000 + m * 100 + s;
    degrees = d + m / 60.0 + s / 3600.0;
    if (negative) {
        value = -value;
        degrees = -degrees;
    }
    return true;
}

bool parse_cut_key(const std::string& key, Cut& cut) {
    std::size_t i = 0;
    while (i < key.size() && std::isdigit(static_cast<unsigned char>(key[i])))
        ++i;
    if (i == 0 || i > 5 || key.size() < i + 5 || key.size() > i + 6) return false;
    cut.tape = std::stoi(key.substr(0, i));
    cut.carrier = key[i];
    if (!std::isalpha(static_cast<unsigned char>(cut.carrier))) return false;
    const std::string sub = key.substr(i + 1, 4);
    if (!std::all_of(sub.begin(), sub.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    cut.sub_number = std::stoi(sub);
    cut.variant = key.size() == i + 6 ? key[i + 5] : ' ';
    return cut.variant == ' ' || std::isalpha(static_cast<unsigned char>(cut.variant));
}

// "key=value; flag; key=value" parts after a leading value.
std::map<std::string, std::string> parse_options(const std::vector<std::string>& parts, std::size_t first) {
    std::map<std::string, std::string> options;
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (parts[i].empty()) continue;
        const auto eq = parts[i].find('=');
        if (eq == std::string::npos)
            options[parts[i]] = "yes";
        else
            options[trim(parts[i].substr(0, eq))] = trim(parts[i].substr(eq + 1));
    }
    return options;
}

bool valid_subspecies_reference(const Species& species, const std::string& reference) {
    if (reference.empty()) return true;
    std::string name = reference;
    const std::string p_mark = " (P)";
    if (name.size() > p_mark.size() && name.compare(name.size() - p_mark.size(), p_mark.size(), p_mark) == 0)
        name.resize(name.size() - p_mark.size());
    const auto names = species.subspecies_names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::optional<std::vector<Record>> parse_records(const std::string& text, const std::string& file_name,
                                                 std::string& error) {
    std::vector<Record> records;
    Record current;
    std::istringstream stream(text);
    std::string line;
    int number = 0;
    auto finish = [&] {
        if (!current.fields.empty()) records.push_back(std::move(current));
        current = Record{};
    };
    while (std::getline(stream, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (trim(line).empty()) {
            finish();
            continue;
        }
        if (line[0] == ' ' || line[0] == '\t') {
            if (current.fields.empty()) {
                error = file_name + ":" + std::to_string(number) + ": continuation line without a field";
                return std::nullopt;
            }
            current.fields.back().value += " " + trim(line);
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = file_name + ":" + std::to_string(number) + ": expected \"key: value\"";
            return std::nullopt;
        }
        if (current.fields.empty()) {
            current.file = file_name;
            current.line = number;
        }
        current.fields.push_back({trim(line.substr(0, colon)), trim(line.substr(colon + 1)), number});
    }
    finish();
    return records;
}

std::vector<std::string> Species::subspecies_names() const {
    std::vector<std::string> names;
    for (const auto& line : subspecies) {
        const auto marker = line.find("-NOT REAL SSP");
        names.push_back(trim(marker == std::string::npos ? line : line.substr(0, marker)));
    }
    return names;
}

int Content::species_index(const std::string& scientific) const {
    for (std::size_t i = 0; i < species.size(); ++i)
        if (species[i].scientific == scientific) return static_cast<int>(i);
    return -1;
}

const Locality* Content::locality(const std::string& key) const {
    for (const auto& entry : localities)
        if (equals_ignore_case(entry.key, key)) return &entry;
    return nullptr;
}

const Cd* Content::cd(int number) const {
    for (const auto& entry : cds)
        if (entry.number == number) return &entry;
    return nullptr;
}

const MapInfo* Content::map(const std::string& name) const {
    for (const auto& entry : maps)
        if (equals_ignore_case(entry.name, name)) return &entry;
    return nullptr;
}

const std::vector<std::string>& area_codes() {
    static const std::vector<std::string> codes = {"IN", "SR", "NE", "BU", "TH", "IC", "MA",
                                                   "SI", "BO", "SU", "JA", "BA", "LE", "SW",
                                                   "HA", "MO", "CH", "HK", "TA", "PH"};
    return codes;
}

int area_index(const std::string& code) {
    const auto& codes = area_codes();
    const auto it = std::find(codes.begin(), codes.end(), upper(code));
    return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
}

std::string colour_value(const std::string& name) {
    static const std::map<std::string, std::string> extra = {
        {"chestnut", "#954535"}, {"cream", "#fffdd0"}, {"rufous", "#a84b24"}, {"buff", "#e6c88c"}};
    const auto it = extra.find(name);
    return it == extra.end() ? name : it->second;
}

std::string folder_8_3(const std::string& folder) {
    if (folder.size() <= 8) return folder;
    return (folder.substr(0, 8) + "." + folder.substr(8)).substr(0, 12);
}

namespace {

struct Loader {
    Content content;
    Problems problems;
    fs::path folder;
    std::map<std::string, int> species_by_name;

    explicit Loader(std::vector<std::string>& errors) : problems(errors) {}

    std::vector<Record> read(const std::string& name) {
        const auto text = read_text_file(folder / name);
        if (!text) {
            problems.add(name, 0, "cannot be read");
            return {};
        }
        std::string error;
        auto records = parse_records(*text, name, error);
        if (!records) {
            problems.add(name, 0, error);
            return {};
        }
        for (const auto& record : *records)
            for (const auto& field : record.fields)
                if (!storable_text(field.value))
                    problems.add(record.file, field.line,
                                 "\"" + field.key + "\" holds a character that Windows-1252 cannot store");
        return *records;
    }

    void literature() {
        const auto text = read_text_file(folder / "literature.txt");
        if (!text) {
            problems.add("literature.txt", 0, "cannot be read");
            return;
        }
        std::istringstream stream(*text);
        std::string line;
        int number = 0;
        while (std::getline(stream, line)) {
            ++number;
            line = trim(line);
            if (line.empty() || line[0] == '#') continue;
            if (!storable_text(line))
                problems.add("literature.txt", number, "a character that Windows-1252 cannot store");
            content.literature.push_back(line);
        }
        if (content.literature.size() > 99) problems.add("literature.txt", number, "more than 99 references");
    }

    void persons() {
        for (const auto& record : read("persons.rec")) {
            Person person{record.get("person"), record.get("address"), record.get("email"),
                          record.get("web")};
            if (person.name.empty()) {
                problems.add(record.file, record.line, "a record without \"person\"");
                continue;
            }
            for (const auto& other : content.persons)
                if (equals_ignore_case(other.name, person.name))
                    problems.add(record, "person", "person \"" + person.name + "\" given twice");
            content.persons.push_back(person);
        }
        for (const char* fragment : {"KESTOVAR", "LINDQVAL", "MARROWAY", "TEMBERLY"})
            if (std::none_of(content.persons.begin(), content.persons.end(), [&](const Person& p) {
                    return upper(p.name).find(fragment) != std::string::npos;
                }))
                problems.add("persons.rec", 0, std::string("no text author whose name holds ") + fragment);
    }

    bool person_known(const std::string& name) const {
        return std::any_of(content.persons.begin(), content.persons.end(),
                           [&](const Person& p) { return equals_ignore_case(p.name, name); });
    }

    void localities() {
        std::set<std::string> pages;
        for (const auto& entry : fs::directory_iterator(folder / "sites"))
            if (entry.is_regular_file()) pages.insert(entry.path().filename().string());
        content.site_pages.assign(pages.begin(), pages.end());
        for (const auto& record : read("localities.rec")) {
            Locality locality;
            locality.key = record.get("locality");
            locality.name = record.get("name");
            locality.region = record.get("region");
            locality.country = record.get("country");
            locality.extra = record.get("extra");
            locality.about = record.get("about");
            locality.site = record.get("site");
            if (locality.key.empty() || locality.name.empty()) {
                problems.add(record.file, record.line, "a locality needs \"locality\" and \"name\"");
                continue;
            }
            if (content.locality(locality.key))
                problems.add(record, "locality", "locality \"" + locality.key + "\" given twice");
            const std::string lat = record.get("lat"), lon = record.get("lon");
            if (!lat.empty() || !lon.empty()) {
                if (!parse_coordinate(lat, true, locality.lat, locality.lat_seconds, locality.lat_degrees))
                    problems.add(record, "lat", "latitude \"" + lat + "\" not understood");
                if (!parse_coordinate(lon, false, locality.lon, locality.lon_seconds, locality.lon_degrees))
                    problems.add(record, "lon", "longitude \"" + lon + "\" not understood");
                locality.known = locality.lat != 0 || locality.lon != 0;
                // Every known place must show on the region map.
                const bool lon_out = locality.lon_degrees < 69 || locality.lon_degrees > 129;
                const bool lat_out = locality.lat_degrees < -12 || locality.lat_degrees > 40;
                if (lon_out || lat_out)
                    problems.add(record, lon_out ? "lon" : "lat",
                                 "\"" + locality.key + "\" lies outside the region's map frame");
            }
            if (!locality.site.empty()) {
                const std::string page = locality.site.substr(0, locality.site.find('#'));
                if (!pages.count(page))
                    problems.add(record, "site", "site page \"" + page + "\" is not in sites/");
            }
            content.localities.push_back(locality);
        }
    }

    void maps() {
        for (const auto& record : read("maps.rec")) {
            MapInfo map;
            map.name = record.get("map");
            if (map.name.empty() || map.name.find('"') != std::string::npos) {
                problems.add(record.file, record.line, "a map needs a name without double quotes");
                continue;
            }
            if (!parse_int(record.get("kind"), map.kind))
                problems.add(record, "kind", "kind must be a number");
            if (!parse_double(record.get("west"), map.west) || !parse_double(record.get("east"), map.east) ||
                !parse_double(record.get("north"), map.north) ||
                !parse_double(record.get("south"), map.south) || map.west >= map.east ||
                map.south >= map.north)
                problems.add(record.file, record.line,
                             "map \"" + map.name + "\" needs west < east and south < north");
            const std::string pixels = record.get("pixels", "8");
            if (!parse_int(pixels, map.pixels) || map.pixels < 1 || map.pixels > 40)
                problems.add(record, "pixels", "pixels must be 1..40");
            if (content.map(map.name)) problems.add(record, "map", "map \"" + map.name + "\" given twice");
            content.maps.push_back(map);
        }
    }

    void species() {
        int family = -1;
        std::set<int> unique_ids;
        std::set<std::string> folders;
        for (const auto& record : read("species.rec")) {
            if (record.find("family")) {
                Family f;
                f.scientific = record.get("family");
                f.english = record.get("english");
                f.folder = record.get("folder", f.scientific);
                f.shape = record.get("shape", "songbird");
                f.habitat = record.get("habitat", "forest");
                f.voice = record.get("voice", "warble");
                if (!parse_int(record.get("author", "1"), f.author) || f.author < 1 || f.author > 4)
                    problems.add(record, "author", "author must be 1..4");
                if (!folders.insert(upper(folder_8_3(f.folder))).second)
                    problems.add(record, "folder",
                                 "media folder \"" + folder_8_3(f.folder) + "\" used twice");
                if (f.scientific.find(',') != std::string::npos)
                    problems.add(record, "family", "a family name cannot hold a comma");
                content.families.push_back(f);
                family = static_cast<int>(content.families.size()) - 1;
                continue;
            }
            if (family < 0) {
                problems.add(record.file, record.line, "a species before the first family");
                continue;
            }
            Family& f = content.families[family];
            Species s;
            s.scientific = record.get("species");
            s.english = record.get("english");
            if (s.scientific.empty() || s.english.empty()) {
                problems.add(record.file, record.line, "a species needs \"species\" and \"english\"");
                continue;
            }
            if (species_by_name.count(s.scientific))
                problems.add(record, "species", "species \"" + s.scientific + "\" given twice");
            s.family = family;
            s.number_in_family = static_cast<int>(f.species.size()) + 1;
            s.species_id = static_cast<int>(content.species.size()) + 1;
            s.unique_id = (family + 1) * 100 + s.number_in_family;
            if (record.find("uid") && !parse_int(record.get("uid"), s.unique_id))
                problems.add(record, "uid", "uid must be a number");
            // 2350 and 4328 are hidden by the program whenever they have no media: never use them.
            if (s.unique_id <= 0 || s.unique_id == 2350 || s.unique_id == 4328 ||
                !unique_ids.insert(s.unique_id).second)
                problems.add(record, "species",
                             "unique ID " + std::to_string(s.unique_id) + " cannot be used");
            s.other = record.get("other");
            s.text = record.get("text");
            s.range = record.get("range");
            s.threat = record.get("threat");
            if (!s.threat.empty() && s.threat != "VU" && s.threat != "EN" && s.threat != "CR" &&
                s.threat != "EX")
                problems.add(record, "threat", "threat must be VU, EN, CR or EX");
            std::set<int> seen;
            for (const auto& code : split(record.get("areas"), '-')) {
                const int index = area_index(code);
                if (index < 0 || !seen.insert(index).second)
                    problems.add(record, "areas", "area code \"" + code + "\" unknown or given twice");
                s.areas.push_back(upper(code));
            }
            if (s.areas.empty()) problems.add(record.file, record.line, s.scientific + " needs areas");
            for (const auto& code : split(record.get("range2"), '-'))
                if (!code.empty()) {
                    if (area_index(code) < 0)
                        problems.add(record, "range2", "area code \"" + code + "\" unknown");
                    s.range2.push_back(upper(code));
                }
            const auto look = split(record.get("look"), '/');
            if (look.size() != 3) problems.add(record, "look", "look needs three colours separated by /");
            for (std::size_t i = 0; i < look.size() && i < 3; ++i) {
                s.look[i] = look[i];
                if (!QColor::isValidColorName(QString::fromStdString(colour_value(look[i]))))
                    problems.add(record, "look", "colour \"" + look[i] + "\" unknown");
            }
            s.shape = record.get("shape", f.shape);
            s.habitat = record.get("habitat", f.habitat);
            s.voice = record.get("voice", f.voice);
            if (!shapes.count(s.shape)) problems.add(record, "shape", "shape \"" + s.shape + "\" unknown");
            if (!habitats.count(s.habitat))
                problems.add(record, "habitat", "habitat \"" + s.habitat + "\" unknown");
            if (!voices.count(s.voice)) problems.add(record, "voice", "voice \"" + s.voice + "\" unknown");
            s.author = f.author;
            if (record.find("author") &&
                (!parse_int(record.get("author"), s.author) || s.author < 1 || s.author > 4))
                problems.add(record, "author", "author must be 1..4");
            for (const auto& lit : record.all("lit")) {
                const auto comma = lit.find(',');
                int number = 0;
                if (comma == std::string::npos || !parse_int(trim(lit.substr(0, comma)), number) ||
                    number < 1 || number > static_cast<int>(content.literature.size()))
                    problems.add(record, "lit",
                                 "literature \"" + lit + "\" needs a reference number and a place");
                else
                    s.literature.emplace_back(number, trim(lit.substr(comma + 1)));
            }
            s.subspecies = record.all("ssp");
            const std::string flags = record.get("flags");
            for (char c : flags)
                if (std::string("ARMSEN").find(c) == std::string::npos)
                    problems.add(record, "flags", "flag letters are A, R, M, S, E and N");
            s.extra_flags = flags;
            const auto map_lines = record.all("map");
            if (map_lines.empty()) s.maps.push_back({"SAROVAN", false, true});
            for (const auto& line : map_lines) {
                if (line == "none") continue;
                std::istringstream words(line);
                MapRef ref;
                words >> ref.map;
                std::string word;
                while (words >> word) {
                    if (word == "mask")
                        ref.mask = true;
                    else if (word == "main")
                        ref.main = true;
                    else
                        problems.add(record, "map", "map reference words are \"mask\" and \"main\"");
                }
                if (!content.map(ref.map))
                    problems.add(record, "map", "map \"" + ref.map + "\" is not in maps.rec");
                s.maps.push_back(ref);
            }
            if (s.maps.size() > 2) problems.add(record, "map", "at most two map references");
            if (s.maps.size() == 1) s.maps[0].main = true;
            // A mask's file carries its slot number, a plain map's always 1: a mask in slot 1 leaves no
            // file name for a plain map in slot 2.
            if (s.maps.size() == 2) {
                const bool swapped = s.maps[1].main && !s.maps[0].main;
                const MapRef& first = swapped ? s.maps[1] : s.maps[0];
                const MapRef& second = swapped ? s.maps[0] : s.maps[1];
                if (first.mask && !second.mask)
                    problems.add(record, "map", "a plain map cannot follow a mask map");
            }
            f.species.push_back(static_cast<int>(content.species.size()));
            species_by_name[s.scientific] = static_cast<int>(content.species.size());
            content.species.push_back(s);
        }
    }

    int species_ref(const Record& record, const std::string& key, const std::string& name) {
        const auto it = species_by_name.find(name);
        if (it == species_by_name.end()) {
            problems.add(record, key, "species \"" + name + "\" is not in species.rec");
            return -1;
        }
        return it->second;
    }

    void orders() {
        for (const auto& record : read("orders.rec")) {
            Order order;
            order.name = record.get("order");
            if (order.name.empty()) {
                problems.add(record.file, record.line, "a record without \"order\"");
                continue;
            }
            std::set<int> used;
            for (const auto& field : record.fields) {
                if (field.key == "family") {
                    const auto eq = field.value.find('=');
                    const auto comma = field.value.find(',');
                    if (eq == std::string::npos || comma == std::string::npos || comma > eq) {
                        problems.add(record.file, field.line,
                                     "family needs \"scientific, English = families\"");
                        continue;
                    }
                    OrderFamily of;
                    of.scientific = trim(field.value.substr(0, comma));
                    of.english = trim(field.value.substr(comma + 1, eq - comma - 1));
                    std::istringstream members(field.value.substr(eq + 1));
                    std::string name;
                    while (members >> name) {
                        const auto it = std::find_if(content.families.begin(), content.families.end(),
                                                     [&](const Family& f) { return f.scientific == name; });
                        if (it == content.families.end()) {
                            problems.add(record.file, field.line,
                                         "family \"" + name + "\" is not in species.rec");
                            continue;
                        }
                        const int index = static_cast<int>(it - content.families.begin());
                        if (!used.insert(index).second)
                            problems.add(record.file, field.line,
                                         "family \"" + name + "\" used twice in this order");
                        of.families.push_back(index);
                    }
                    order.families.push_back(of);
                } else if (field.key == "omit") {
                    const int index = species_ref(record, "omit", field.value);
                    if (index >= 0) order.omitted.push_back(index);
                }
            }
            content.orders.push_back(order);
        }
        if (content.orders.size() > 3)
            problems.add("orders.rec", 0, "the program uses at most three further orders");
    }

    void cds() {
        for (const auto& record : read("cds.rec")) {
            Cd cd;
            if (!parse_int(record.get("cd"), cd.number) || cd.number < 1) {
                problems.add(record.file, record.line, "cd needs a positive number");
                continue;
            }
            if (content.cd(cd.number))
                problems.add(record, "cd", "CD " + std::to_string(cd.number) + " given twice");
            cd.title = record.get("title");
            cd.name = record.get("name");
            cd.about = record.get("about");
            cd.always = record.get("always") == "yes";
            cd.folder = record.get("folder");
            cd.web = record.get("web");
            cd.image = record.get("image");
            cd.copy = record.get("copy");
            if (cd.always ? cd.folder.empty() : cd.image.empty())
                problems.add(record.file, record.line,
                             "an always-available CD needs a folder, any other CD an image name");
            for (const auto& line : record.all("track")) {
                const auto parts = split(line, ';');
                CdTrack track;
                const auto options = parse_options(parts, 1);
                if (!parse_int(parts[0], track.number) ||
                    track.number != static_cast<int>(cd.tracks.size()) + 1 || !options.count("seconds") ||
                    !parse_double(options.at("seconds"), track.seconds) || track.seconds < 4 ||
                    track.seconds > 600) {
                    problems.add(record, "track", "tracks are numbered 1.. and need seconds=4..600");
                    continue;
                }
                if (options.count("file")) track.file = options.at("file");
                if (cd.always && track.file.empty())
                    problems.add(record, "track", "tracks of an always-available CD need file=");
                cd.tracks.push_back(track);
            }
            if (cd.tracks.empty()) problems.add(record.file, record.line, "a CD needs tracks");
            content.cds.push_back(cd);
        }
    }

    void cuts() {
        std::set<std::string> keys;
        for (const auto& record : read("recordings.rec")) {
            Cut cut;
            cut.key = record.get("cut");
            if (!parse_cut_key(cut.key, cut)) {
                problems.add(record.file, record.line,
                             "cut key \"" + cut.key +
                                 "\" must be digits, a letter, 4 digits "
                                 "and an optional variant letter");
                continue;
            }
            if (!keys.insert(upper(cut.key)).second)
                problems.add(record, "cut", "cut \"" + cut.key + "\" given twice");
            if (record.find("cd")) {
                cut.on_cd = true;
                const auto parts = split(record.get("cd"), ';');
                const auto options = parse_options(parts, 1);
                if (!parse_int(parts[0], cut.cd) || !options.count("track") || !options.count("offset") ||
                    !options.count("length") || !parse_int(options.at("track"), cut.track) ||
                    !parse_double(options.at("offset"), cut.offset) ||
                    !parse_double(options.at("length"), cut.length)) {
                    problems.add(record, "cd", "cd needs \"<cd>; track=<n>; offset=<s>; length=<s>\"");
                    continue;
                }
                const Cd* cd = content.cd(cut.cd);
                if (!cd || cut.track < 1 || cut.track > static_cast<int>(cd->tracks.size()))
                    problems.add(record, "cd", "CD or track not in cds.rec");
                else if (cut.offset < 0 || cut.length < 1 ||
                         cut.offset + cut.length > cd->tracks[cut.track - 1].seconds)
                    problems.add(record, "cd", "the slice does not fit its track");
                if (cut.tape != cut.cd)
                    problems.add(record, "cut", "the key of a CD slice begins with its CD number");
                cut.selected = record.get("selected", "yes") != "no";
            } else {
                if (!parse_int(record.get("file"), cut.compression) || cut.compression < 0 ||
                    cut.compression > 9)
                    problems.add(record, "file", "file needs a compression number 0..9");
                if (!parse_double(record.get("seconds"), cut.seconds) || cut.seconds < 1 || cut.seconds > 120)
                    problems.add(record, "seconds", "seconds must be 1..120");
                if (record.find("source") && (!parse_int(record.get("source"), cut.source) || cut.source < 1))
                    problems.add(record, "source", "source must be a positive number");
                if (record.find("at") && (!parse_double(record.get("at"), cut.at) || cut.at < 0))
                    problems.add(record, "at", "at must be a time in seconds");
            }
            cut.locality = record.get("loc");
            if (!content.locality(cut.locality))
                problems.add(record, "loc", "locality \"" + cut.locality + "\" is not in localities.rec");
            cut.recordist = record.get("by");
            if (!cut.recordist.empty() && !person_known(cut.recordist))
                problems.add(record, "by", "person \"" + cut.recordist + "\" is not in persons.rec");
            cut.date = record.get("date");
            cut.time = record.get("time");
            int number = 0;
            if (!cut.date.empty() && (!parse_int(cut.date, number) || cut.date.size() > 6))
                problems.add(record, "date", "date is DDMMYY");
            if (!cut.time.empty() && (!parse_int(cut.time, number) || cut.time.size() != 4))
                problems.add(record, "time", "time is HHMM");
            cut.remark = record.get("remark");
            for (const auto& field : record.fields) {
                if (field.key != "item") continue;
                const auto parts = split(field.value, ';');
                const auto options = parse_options(parts, 1);
                Item item;
                item.species = species_ref(record, "item", parts[0]);
                if (item.species < 0) continue;
                const auto option = [&](const char* key) {
                    const auto it = options.find(key);
                    return it == options.end() ? std::string() : it->second;
                };
                item.cls = option("class");
                if (item.cls.size() > 1) problems.add(record.file, field.line, "class is one letter");
                if (!option("pct").empty()) {
                    item.percent_given = true;
                    if (!parse_int(option("pct"), item.percent) || item.percent < 1 || item.percent > 100)
                        problems.add(record.file, field.line, "pct must be 1..100");
                }
                item.ssp = option("ssp");
                if (!valid_subspecies_reference(content.species[item.species], item.ssp))
                    problems.add(record.file, field.line,
                                 "subspecies \"" + item.ssp + "\" is not listed for " + parts[0]);
                item.marks = option("marks");
                item.title = option("title");
                item.note = option("note");
                item.note2 = option("note2");
                item.number = option("no");
                if (!item.number.empty() && !parse_int(item.number, number))
                    problems.add(record.file, field.line, "no must be a number");
                cut.items.push_back(item);
            }
            if (cut.items.empty())
                problems.add(record.file, record.line, "cut \"" + cut.key + "\" has no item");
            content.cuts.push_back(cut);
        }
    }

    void photos() {
        std::vector<int> counts(content.species.size(), 0);
        for (const auto& record : read("photos.rec")) {
            Photo photo;
            photo.species = species_ref(record, "photo", record.get("photo"));
            if (photo.species < 0) continue;
            photo.ssp = record.get("ssp");
            if (!valid_subspecies_reference(content.species[photo.species], photo.ssp))
                problems.add(record, "ssp", "subspecies \"" + photo.ssp + "\" is not listed for the species");
            photo.by = record.get("by");
            if (!photo.by.empty() && !person_known(photo.by))
                problems.add(record, "by", "person \"" + photo.by + "\" is not in persons.rec");
            photo.date = record.get("date");
            int number = 0;
            if (!photo.date.empty() && (!parse_int(photo.date, number) || photo.date.size() > 6))
                problems.add(record, "date", "date is DDMMYY");
            photo.locality = record.get("loc");
            if (!photo.locality.empty() && !content.locality(photo.locality))
                problems.add(record, "loc", "locality \"" + photo.locality + "\" is not in localities.rec");
            photo.nss = record.get("nss") == "yes";
            photo.pose = record.get("pose", "perched");
            photo.store = record.get("store", "plain");
            photo.text = record.get("text");
            if (!poses.count(photo.pose)) problems.add(record, "pose", "pose \"" + photo.pose + "\" unknown");
            if (!stores.count(photo.store))
                problems.add(record, "store", "store is plain, scrambled or scramble2");
            photo.number = ++counts[photo.species];
            if (photo.number > 999) problems.add(record, "photo", "at most 999 photos per species");
            content.photos.push_back(photo);
        }
    }
};

} // namespace

std::optional<Content> load_content(const std::string& demo_folder, std::vector<std::string>& errors) {
    Loader loader(errors);
    loader.folder = demo_folder;
    if (!fs::is_directory(loader.folder / "sites")) {
        errors.push_back(demo_folder + ": not a demo source folder (no sites/)");
        return std::nullopt;
    }
    loader.literature();
    loader.persons();
    loader.localities();
    loader.maps();
    loader.species();
    loader.orders();
    loader.cds();
    loader.cuts();
    loader.photos();
    if (loader.problems.any()) return std::nullopt;
    return std::move(loader.content);
}

} // namespace morvelin::demo
