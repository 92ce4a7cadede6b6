#pragma once
// The editable sources of the demo disc (demo/*.rec, demo/literature.txt, demo/sites/) read into one
// checked content model. Texts are held as UTF-8, exactly as the sources give them; every one of them
// was checked to have a Windows-1252 form and to hold no control characters. Markup tags (<I>, <B>,
// <U>) are kept; "\n" in a source text stays as the two characters and becomes a line break when the
// data files are written.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace morvelin::demo {

// One record of a .rec file: "key: value" lines, records separated by blank lines, "#" comments.
struct RecField {
    std::string key;
    std::string value;
    int line = 0;
};
struct Record {
    std::string file;
    int line = 0; // line of the first field
    std::vector<RecField> fields;

    const RecField* find(const std::string& key) const;
    std::string get(const std::string& key, const std::string& fallback = {}) const;
    std::vector<std::string> all(const std::string& key) const;
};

// Parses a .rec text; error names the file and line on failure.
std::optional<std::vector<Record>> parse_records(const std::string& text, const std::string& file_name,
                                                 std::string& error);

struct MapRef {
    std::string map;
    bool mask = false;
    bool main = false;
};

struct Family {
    std::string scientific;
    std::string english;
    std::string folder; // media folder stem as stored; media files use its 8.3 form
    std::string shape;
    std::string habitat;
    std::string voice;
    int author = 0;
    std::vector<int> species; // indexes into Content::species, in order
};

struct Species {
    std::string scientific;
    std::string english;
    std::string other;               // other names (second vernacular line)
    std::string text;                // species text
    std::string range;               // distribution text
    std::vector<std::string> areas;  // area codes in the order given
    std::vector<std::string> range2; // areas visited only outside the breeding season (blue on the maps)
    std::string threat;              // "", "VU", "EN", "CR", "EX"
    std::string look[3];             // upperparts, underparts, accent: colour names or #rrggbb
    std::string shape, habitat, voice;
    int author = 0;
    std::vector<std::pair<int, std::string>> literature;
    std::vector<std::string> subspecies; // lines as stored (may carry " -NOT REAL SSP")
    std::vector<MapRef> maps;            // empty: no distribution map
    std::string extra_flags;             // letters A R M S E N given by the source
    int family = 0;                      // index into Content::families
    int number_in_family = 0;            // 1-based
    int species_id = 0;                  // order-1 position, 1-based
    int unique_id = 0;

    // The subspecies names a reference may use (markers removed).
    std::vector<std::string> subspecies_names() const;
};

struct Person {
    std::string name; // lookup key and displayed name
    std::string address, email, web;
};

struct Locality {
    std::string key, name, region, country, extra, about, site;
    bool known = false;
    int lat = 0, lon = 0; // 1/6000 degree, north and east positive
    bool lat_seconds = false, lon_seconds = false;
    double lat_degrees = 0, lon_degrees = 0;
};

struct MapInfo {
    std::string name;
    int kind = 1;
    double west = 0, east = 0, north = 0, south = 0;
    int pixels = 8; // mask bitmap pixels per degree
};

struct OrderFamily {
    std::string scientific, english;
    std::vector<int> families; // indexes into Content::families
};
struct Order {
    std::string name;
    std::vector<OrderFamily> families;
    std::vector<int> omitted; // species indexes
};

struct CdTrack {
    int number = 0;
    double seconds = 0;
    std::string file; // always-available CDs: the file name below the CD's folder
};
struct Cd {
    int number = 0;
    std::string title, name, about;
    bool always = false;
    std::string folder, web, image, copy;
    std::vector<CdTrack> tracks; // numbered 1.. in order
};

struct Item {
    int species = 0; // index into Content::species
    std::string cls; // "" or one letter
    int percent = 100;
    bool percent_given = false;
    std::string ssp, marks, title, note, note2, number;
};

struct Cut {
    std::string key;
    int tape = 0; // the key's leading number: tape folder or CD number
    char carrier = 'A';
    int sub_number = 0;
    char variant = ' ';
    bool on_cd = false;
    int compression = 0;   // sound files
    double seconds = 0;    // sound files: length
    int cd = 0, track = 0; // CD slices
    double offset = 0, length = 0;
    bool selected = true;
    int source = 0; // sound files cut from one longer source share its number
    double at = 0;  // start within the source, seconds
    std::string locality, recordist, date, time, remark;
    std::vector<Item> items;
};

struct Photo {
    int species = 0;
    std::string ssp, by, date, locality, pose = "perched", store = "plain", text;
    bool nss = false;
    int number = 0; // 1-based within the species
};

struct Content {
    std::vector<Family> families;
    std::vector<Species> species;
    std::vector<Person> persons;
    std::vector<Locality> localities;
    std::vector<MapInfo> maps;
    std::vector<Order> orders;
    std::vector<Cd> cds;
    std::vector<Cut> cuts;
    std::vector<Photo> photos;
    std::vector<std::string> literature;
    std::vector<std::string> site_pages; // file names below demo/sites/

    int species_index(const std::string& scientific) const; // -1 when unknown
    const Locality* locality(const std::string& key) const;
    const Cd* cd(int number) const;
    const MapInfo* map(const std::string& name) const;
};

// The area codes of this edition's scheme, in scheme order.
const std::vector<std::string>& area_codes();
// Index of a code in area_codes(), or -1.
int area_index(const std::string& code);

// A colour of a species' look as Qt reads it: SVG colour names and #rrggbb, plus a few birders' words
// (chestnut, cream, rufous, buff) that SVG lacks.
std::string colour_value(const std::string& name);

// The 8.3 form of a media folder stem: a "." after the 8th character, cut to 12 characters.
std::string folder_8_3(const std::string& folder);

// Reads and checks every source below the demo folder. On failure error holds one message per problem
// found (file and line named), and no content is returned.
std::optional<Content> load_content(const std::string& demo_folder, std::vector<std::string>& errors);

} // namespace morvelin::demo
