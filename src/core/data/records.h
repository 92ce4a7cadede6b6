#pragma once
// The records of the data set. Tdata (data_set.h) owns every record for the life of the program;
// records point at each other with plain pointers that stay valid as long as the data set exists.
// Texts are Windows-1252 bytes as the disc stores them; in texts marked "markup converted" the tags
// <I> <B> <U> and their closing forms have become the style characters 11, 12 and 13 (each occurrence
// toggles the style), and line breaks are line feeds.
// Positions and lengths of recordings are milliseconds. Geographic positions are whole numbers of
// 1/6000 degree, south and west negative.
// Arrays indexed by order kind have 5 slots so that kinds 1..4 are used directly; slot 0 is unused.

#include "core/areas/area.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace morvelin {

struct Tfamily;
struct Tspecies;
struct Tsubspecies;
struct Tperson;
struct Tlocality;
struct TaudioCD;
struct Tcutpart;
struct Tcupaitem;
struct Tbig_picture;
struct Tmap_data;

constexpr int order_kinds = 5; // kinds 1..4; slot 0 unused

// Systematic order kinds.
namespace order_kind {
constexpr int scientific_names = 1; // the order of names_sc.txt
constexpr int clements = 2;         // "Clements 2000"
constexpr int sibley_monroe = 3;    // "Sibley&Monroe"
constexpr int other = 4;            // any other named order
} // namespace order_kind

// Style characters of converted texts.
constexpr char style_italic = 11;
constexpr char style_bold = 12;
constexpr char style_underline = 13;

struct Tmap_data {
    std::string name; // key
    int kind = 0;
    // The four numbers of the data line stored as first, third, second, fourth: (bounds[0], bounds[1])
    // and (bounds[2], bounds[3]) are the two geographic corner points of a mask map.
    std::array<double, 4> bounds{};
};

struct Tperson {
    std::string key;
    std::string text_1, text_2, text_3;
};

struct Tlocality {
    std::string key;
    std::string name;
    std::string region;
    std::string country; // in the edition's spelling
    std::string line_4;
    std::string text;   // markup converted
    std::string text_7; // markup converted; site description page; non-empty: listed by display name
    std::int32_t position_1 = 0;
    std::int32_t position_2 = 0;
    bool position_1_flag = false; // seconds are shown for this position
    bool position_2_flag = false;
};

struct TaudioCD {
    int number = 0;   // the CD ("tape") number; key
    int sequence = 0; // 1-based place in the file; member of the visible/playable/on-hard-disk sets
    std::string text_1, text_2, text_3;
    std::string text_5, text_6;
    bool always_available = false; // counts as present on hard disk whatever the settings say
    std::string hard_disk_folder;  // from the settings; empty when the CD is not copied
};

struct Tsubspecies {
    int ordinal = 0; // 1-based, file order
    bool not_real = false;
    std::string name;
    Tsubspecies* next_subspecies = nullptr;
};

// A photo's or a recording item's reference to a subspecies of its species.
struct Tssp_data {
    Tsubspecies* subspecies = nullptr; // none when the name was not found
    bool p_mark = false;               // the reference carried "(P)"
};

struct Tcutpart {
    std::string key;
    std::string text_7, text_8; // markup converted
    int number = 0;             // the key's leading digits
    int sub_number = 0;
    char carrier_letter = ' ';
    char variant_letter = ' ';
    bool is_sound_file = false; // false: a slice of an audio-CD track
    bool length_is_seconds = false;
    bool cd_selected = false;
    std::uint8_t compression = 0; // sound files
    TaudioCD* audio_cd = nullptr; // audio-CD slices
    int track = 0;                // audio-CD slices
    int offset = 0;               // ms within the track, never negative
    int length = 0;               // ms; the players replace it by the length they measure
    int value_3 = -1;
    int value_4 = -1;
    int value_9 = 0;
    Tperson* recordist = nullptr;
    Tlocality* locality = nullptr;
    Tcupaitem* first_item = nullptr; // items that use this cut part, chained by next_item_of_cut_part
};

constexpr int empty_item_number = -9991234;
constexpr std::uint8_t number_3_d = 100; // the "d" value of number_3

struct Tcupaitem {
    std::string text_5; // markup converted
    std::string text_7; // markup converted
    int item_number = empty_item_number;
    char class_letter = ' ';
    std::uint8_t number_3 = number_3_d;
    bool is_p = false;
    const Tssp_data* subspecies = nullptr;
    Tspecies* species = nullptr;
    Tcutpart* cut_part = nullptr;
    Tcupaitem* previous_item = nullptr;
    Tcupaitem* next_item = nullptr;
    Tcupaitem* next_item_of_cut_part = nullptr;
};

struct Tbig_picture {
    std::string description; // markup converted
    Tspecies* species = nullptr;
    const Tssp_data* subspecies = nullptr;
    Tperson* copyright_holder = nullptr;
    Tlocality* locality = nullptr;
    int date = -1;  // DDMMYY as a number; -1 when unknown
    int number = 0; // 1-based within its species; the file suffix is "." and three digits
    bool counts_as_photo = true;
    Tbig_picture* previous_picture = nullptr;
    Tbig_picture* next_picture = nullptr;
};

struct Tfamily {
    std::string scientific_name;
    std::string vernacular_name;
    std::string media_folder; // order 1 only
    int order_kind = order_kind::scientific_names;
    Tspecies* first_species = nullptr;
    Tfamily* next_family = nullptr;
};

// A loaded thumbnail; the picture code derives its own type from it.
struct SmallPicture {
    virtual ~SmallPicture() = default;
};

struct TMapSlot {
    bool is_mask = false;
    Tmap_data* map = nullptr;
};

namespace threat {
constexpr std::uint8_t none = 0, vu = 1, en = 2, cr = 3, ex = 4;
}

struct Tspecies {
    std::string scientific_name;
    std::string vernacular_name;
    std::string text_2, text_3, text_4; // markup converted
    std::string media_folder;           // the order-1 family's media folder
    std::vector<std::pair<int, std::string>> literature;
    std::unique_ptr<TArea> area; // the species' areas; none in editions without an area scheme
    std::unique_ptr<SmallPicture> small_picture;

    int unique_id = 0;
    std::array<int, order_kinds> order_position{-1, -1, -1, -1, -1}; // [1] = species ID; -1 = not in order
    std::array<Tfamily*, order_kinds> family{};
    std::array<Tspecies*, order_kinds> next_in_order{};
    std::array<TMapSlot, 3> map_slot{}; // slots 1 and 2; the main map is in slot 1
    int map_count = 0;
    int picture_count = 0;
    int subspecies_count = 0;
    Tperson* text_author = nullptr;
    Tcupaitem* first_item = nullptr;
    Tbig_picture* first_picture = nullptr;
    Tsubspecies* first_subspecies = nullptr;

    std::uint8_t threat_status = threat::none;
    std::uint8_t small_picture_users = 0;
    bool flag_a = false, flag_r = false, flag_m = false, flag_s = false;
    bool flag_c = false; // has recording items
    bool flag_e = false, flag_n = false;
    bool map_flag = false;
    bool has_sound_file_item = false;
    bool has_photo = false; // at least one photo that is not marked NSS
    bool in_region = false;
    bool small_picture_missing = false;
};

} // namespace morvelin
