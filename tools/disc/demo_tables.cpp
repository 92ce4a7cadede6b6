#include "demo_tables.h"

#include "core/foundation/text_encoding.h"

#include <cmath>

namespace morvelin::demo {

namespace {

// Source text -> stored text: Windows-1252, and the source's "\n" as the data files' line-break token.
std::string stored(const std::string& utf8) {
    std::string text = utf8_to_cp1252(utf8);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += "LINEFEED_ONLY_REPLACER";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Decimal text with "." whatever the process locale says.
std::string decimal(double value) {
    const long hundredths = std::lround(value * 100);
    const long magnitude = std::labs(hundredths);
    std::string text = (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + ".";
    const long fraction = magnitude % 100;
    text += static_cast<char>('0' + fraction / 10);
    if (fraction % 10) text += static_cast<char>('0' + fraction % 10);
    return text;
}

std::string padded(long value, int digits) {
    std::string text = std::to_string(value);
    while (static_cast<int>(text.size()) < digits)
        text.insert(text.begin(), '0');
    return text;
}

const char* area_name(const std::string& code) {
    static const std::map<std::string, const char*> names = {{"IN", "the Indian subcontinent"},
                                                             {"SR", "Sri Lanka"},
                                                             {"NE", "Nepal and Bhutan"},
                                                             {"BU", "Burma"},
                                                             {"TH", "Thailand"},
                                                             {"IC", "Indochina"},
                                                             {"MA", "Peninsular Malaysia"},
                                                             {"SI", "Singapore"},
                                                             {"BO", "Borneo"},
                                                             {"SU", "Sumatra"},
                                                             {"JA", "Java"},
                                                             {"BA", "Bali"},
                                                             {"LE", "the Lesser Sundas"},
                                                             {"SW", "Sulawesi"},
                                                             {"HA", "Halmahera"},
                                                             {"MO", "the Moluccas"},
                                                             {"CH", "southern China"},
                                                             {"HK", "Hong Kong"},
                                                             {"TA", "Taiwan"},
                                                             {"PH", "the Philippines"}};
    const auto it = names.find(code);
    return it == names.end() ? "" : it->second;
}

std::string joined_areas(const std::vector<std::string>& codes) {
    std::string text;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        if (i > 0) text += i + 1 == codes.size() ? " and " : ", ";
        text += area_name(codes[i]);
    }
    return text;
}

std::string range_text(const Species& species) {
    if (!species.range.empty()) return species.range;
    std::string text = "In the region: " + joined_areas(species.areas) + ".";
    if (!species.range2.empty())
        text += " Outside the breeding season only: " + joined_areas(species.range2) + ".";
    return text;
}

std::string flags_line(const Species& species, bool has_items) {
    std::string letters;
    for (char c : std::string("ARMS"))
        if (species.extra_flags.find(c) != std::string::npos) letters += c;
    if (has_items) letters += 'C';
    for (char c : std::string("EN"))
        if (species.extra_flags.find(c) != std::string::npos) letters += c;
    std::string parts;
    if (!species.maps.empty()) {
        letters += 'D';
        parts += "D(";
        for (std::size_t i = 0; i < species.maps.size(); ++i) {
            const MapRef& ref = species.maps[i];
            if (i > 0) parts += ",";
            parts += "\"" + ref.map + "\" " + (ref.mask ? "Mask" : "Flat") + (ref.main ? "Main" : "Next");
        }
        parts += ")";
    }
    if (!species.threat.empty()) {
        letters += 'T';
        parts += "T(" + species.threat + ")";
    }
    return parts.empty() ? letters : letters + "," + parts;
}

} // namespace

std::string coordinate_group(int value, bool seconds) {
    std::string number = std::to_string(value);
    while (number.size() < 8)
        number.insert(number.begin(), ' ');
    return number + (seconds ? "D" : " ");
}

std::string cd_identity(const std::vector<long>& track_sectors) {
    std::string text = std::to_string(track_sectors.size());
    for (std::size_t i = 0; i < track_sectors.size() && i < 25; ++i)
        text += ";" + std::to_string(track_sectors[i] / 75);
    return text;
}

DataTables build_data_tables(const Content& content, const std::map<int, std::string>& cd_identities) {
    DataTables tables;

    auto& maps = tables["mapsdata.txt"];
    for (const auto& map : content.maps) {
        maps.push_back("@#[]");
        maps.push_back(stored(map.name));
        maps.push_back(std::to_string(map.kind));
        maps.push_back(decimal(map.west) + "," + decimal(map.east) + "," + decimal(map.north) + "," +
                       decimal(map.south));
    }

    auto& people = tables["people.txt"];
    for (const auto& person : content.persons) {
        people.push_back("@#[]");
        people.push_back(stored(person.name));
        people.push_back(stored(person.address));
        people.push_back(stored(person.email));
        people.push_back(stored(person.web));
    }

    // Recording items per species, in the order the recordings file gives them.
    std::vector<std::vector<std::pair<const Cut*, const Item*>>> items(content.species.size());
    for (const auto& cut : content.cuts)
        for (const auto& item : cut.items)
            items[item.species].push_back({&cut, &item});

    auto& names = tables["names_sc.txt"];
    auto& taxa = tables["taxa.txt"];
    names.push_back("@#[FAMILIES]");
    taxa.push_back("@#[FAMILIES]");
    for (const auto& family : content.families) {
        names.push_back(stored(family.scientific));
        names.push_back(stored(family.folder));
        taxa.push_back(stored(family.english));
    }
    names.push_back("@#[LIT. REFERENCES]");
    for (const auto& reference : content.literature)
        names.push_back(stored(reference));
    for (std::size_t f = 0; f < content.families.size(); ++f) {
        const std::string section = "@#[SPECIES " + std::to_string(f + 1) + "]";
        names.push_back(section);
        taxa.push_back(section);
        for (int index : content.families[f].species) {
            const Species& species = content.species[index];
            names.push_back("@#[]");
            names.push_back(stored(species.scientific));
            names.push_back(std::to_string(species.species_id) + " " + std::to_string(species.unique_id));
            names.push_back(flags_line(species, !items[index].empty()));
            std::string areas;
            for (const auto& code : species.areas)
                areas += (areas.empty() ? "" : "-") + code;
            names.push_back(areas);
            names.push_back(std::to_string(species.author));
            std::string literature;
            for (const auto& [number, place] : species.literature)
                literature +=
                    (literature.empty() ? "" : "%$#fgd&") + std::to_string(number) + "," + stored(place);
            names.push_back(literature);
            for (const auto& subspecies : species.subspecies) {
                // The program takes the text before the marker as the name: no space may stand between.
                std::string line = stored(subspecies);
                const auto marker = line.find("-NOT REAL SSP");
                if (marker != std::string::npos) {
                    std::size_t end = marker;
                    while (end > 0 && line[end - 1] == ' ')
                        --end;
                    line.erase(end, marker - end);
                }
                names.push_back(line);
            }
            taxa.push_back(stored(species.english));
            taxa.push_back(stored(species.other));
            taxa.push_back(stored(species.text));
            taxa.push_back(stored(range_text(species)));
        }
    }

    auto& localities = tables["locality.txt"];
    for (const auto& locality : content.localities) {
        localities.push_back("@#[]");
        localities.push_back(stored(locality.key));
        localities.push_back(stored(locality.name));
        localities.push_back(stored(locality.region));
        localities.push_back(stored(locality.country));
        localities.push_back(stored(locality.extra));
        localities.push_back(stored(locality.about));
        localities.push_back(locality.known ? coordinate_group(locality.lat, locality.lat_seconds) +
                                                  coordinate_group(locality.lon, locality.lon_seconds)
                                            : std::string());
        localities.push_back(stored(locality.site));
    }

    auto& pictures = tables["big_pict.txt"];
    for (const auto& photo : content.photos) {
        pictures.push_back("@#[]");
        pictures.push_back(std::to_string(content.species[photo.species].unique_id));
        pictures.push_back(stored(photo.ssp));
        pictures.push_back(stored(photo.by));
        pictures.push_back(photo.date);
        pictures.push_back(stored(photo.locality));
        pictures.push_back(photo.nss ? "NSS" : "");
        pictures.push_back(stored(photo.text));
    }

    auto& media = tables["othermedia.txt"];
    for (const auto& cd : content.cds) {
        media.push_back("@#[]");
        media.push_back(std::to_string(cd.number));
        media.push_back(stored(cd.title));
        media.push_back(stored(cd.name));
        media.push_back(stored(cd.about));
        media.push_back(cd.always ? "TRUE" : "FALSE");
        const auto identity = cd_identities.find(cd.number);
        media.push_back(identity == cd_identities.end() ? std::string() : identity->second);
        media.push_back(stored(cd.always ? cd.folder : cd.web));
    }

    auto& cuts = tables["cutparts.txt"];
    for (const auto& cut : content.cuts) {
        cuts.push_back("@#[]");
        cuts.push_back(stored(cut.key));
        if (cut.on_cd) {
            cuts.push_back("CD track " + padded(cut.track, 5) + " offset " +
                           padded(std::lround(cut.offset * 10), 5) + " length " +
                           padded(std::lround(cut.length * 10), 5) + " selected " +
                           padded(cut.selected ? 1 : 0, 5));
            cuts.push_back("");
        } else {
            cuts.push_back(std::to_string(cut.compression));
            cuts.push_back(std::to_string(std::lround(cut.seconds)));
        }
        cuts.push_back(cut.date);
        cuts.push_back(cut.time);
        cuts.push_back(stored(cut.locality));
        cuts.push_back(stored(cut.recordist));
        cuts.push_back(stored(cut.remark));
        cuts.push_back("Synthetic sound made for the demo disc.");
        cuts.push_back(cut.source > 0 ? std::to_string(cut.source) : std::string());
    }

    auto& recordings = tables["cupaitem.txt"];
    for (std::size_t f = 0; f < content.families.size(); ++f) {
        const auto& members = content.families[f].species;
        for (std::size_t s = 0; s < members.size(); ++s) {
            const auto& list = items[members[s]];
            if (list.empty()) continue;
            recordings.push_back("@#[" + std::to_string(f + 1) + "_" + std::to_string(s + 1) + "]");
            for (const auto& [cut, item] : list) {
                recordings.push_back(item->number);
                recordings.push_back(item->cls);
                recordings.push_back(item->percent_given ? std::to_string(item->percent) : std::string());
                recordings.push_back(stored(item->ssp));
                recordings.push_back(stored(item->title));
                recordings.push_back(item->marks);
                recordings.push_back(stored(item->note));
                recordings.push_back(stored(item->note2));
                recordings.push_back(stored(cut->key));
            }
        }
    }

    auto& orders = tables["syst_ord.txt"];
    orders.push_back("@#[ORDERS]");
    for (const auto& order : content.orders)
        orders.push_back(stored(order.name));
    for (std::size_t i = 0; i < content.orders.size(); ++i) {
        const Order& order = content.orders[i];
        const std::string prefix = std::to_string(i + 1);
        orders.push_back("@#[" + prefix + "_FAMILIES]");
        for (const auto& family : order.families)
            orders.push_back(stored(family.scientific) + "," + stored(family.english));
        orders.push_back("@#[" + prefix + "_SPECIES]");
        for (std::size_t k = 0; k < order.families.size(); ++k)
            for (int family : order.families[k].families)
                for (int index : content.families[family].species) {
                    bool omitted = false;
                    for (int o : order.omitted)
                        omitted = omitted || o == index;
                    if (!omitted)
                        orders.push_back(std::to_string(content.species[index].unique_id) + "," +
                                         std::to_string(k + 1));
                }
    }
    return tables;
}

} // namespace morvelin::demo
