#pragma once
// Texts derived from the records for display, settings keys and media file names.

#include "core/data/data_set.h"
#include "core/foundation/editions.h"

#include <string>
#include <string_view>

namespace morvelin {

// Converts the markup tags <I> <B> <U> and </I> </B> </U> (any case) to the style characters 11, 12
// and 13. Other text is copied unchanged.
std::string convert_markup(std::string_view text);
// The same where the text lies, without a copy.
void convert_markup_in_place(std::string& text);

// ---- localities ----

// The locality has a place: its name is not "ZERO LOCATION" (any case) and a position is not zero.
bool has_known_place(const Tlocality& locality);
// Name, then " (" region ", " country ")." when region or country are present (", " only between two).
std::string display_name(const Tlocality& locality);
// Degrees, the degree sign (176), minutes and "'" (seconds and "''" when the position's flag is set),
// " " and the direction word, for the first and then the second position joined by ", ".
std::string coordinate_text(const Tlocality& locality, const Tdata& data);
// Empty without a region; otherwise DEPARTMENT ETC line 0 (line 3 in edition 106), line 1 for
// Argentina and Ecuador, line 2 for Brazil, Brasil, Mexico and Venezuela.
std::string region_label(const Tlocality& locality, const Tdata& data, int edition_id = edition().edition_id);

// ---- species and media ----

// The subspecies name for display: "undescribed taxon" (any case) becomes "taxon no descrito" in
// Spanish editions; a name without "unnamed" is enclosed in the italic style character.
std::string subspecies_display_name(const Tsubspecies& subspecies, bool spanish = edition().language_spanish);
// The 8.3 form of a media folder: a '.' after the 8th character, cut to 12 characters.
std::string media_folder_8_3(std::string_view folder);
// prefix + 8.3 media folder (converted to a native path component) + '/' + unique ID + suffix.
std::string species_media_path(const Tspecies& species, const std::string& prefix, const std::string& suffix);
// "." and the photo number in three digits (".001").
std::string photo_suffix(int number);
// base directory + "smalpict/" + 8.3 media folder (native) + '/' + unique ID + ".jpg".
std::string thumbnail_path(const Tspecies& species, const std::string& base_directory);

// "*" + 15 characters of text_2 from position 5 + 15 characters from position (length - 15) + "*",
// positions 1-based; the key that identifies the CD in the settings.
std::string audio_cd_short_name(const TaudioCD& cd);

// The name of group 3..6 (Birds, Mammals, Reptiles, Frogs and Toads; Spanish in Spanish editions);
// other numbers give current unchanged.
std::string group_name(int group, const std::string& current, bool spanish = edition().language_spanish);

} // namespace morvelin
