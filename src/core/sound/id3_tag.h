#pragma once
// ID3 tags of MP3 files: finding where the audio begins behind an ID3v2 tag, and building the
// ID3v2.3 tag written in front of every exported MP3 file. Texts are Windows-1252 bytes and are
// written as they are (the tag declares ISO-8859-1).

#include "core/foundation/byte_files.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace morvelin {

// The texts of one recording as they appear in its tag.
struct Mp3TagTexts {
    std::string title;             // the trimmed recording title
    std::string sound_description; // joined to the title as "<title>. <description>"
    std::string genre;             // a species name, written after "(12)"
    std::string artist;            // the recordist for the maker's own recordings, else empty
    std::string album;
    std::string publisher; // the owner text; empty: no publisher frames
    std::string comment;   // lines joined by carriage return and line feed
};

// The interface language; at most one is set, none means English.
struct LanguageFlags {
    bool spanish = false;
    bool portuguese = false;
    bool dutch = false;
};
// The flags of the running edition.
LanguageFlags interface_language();

// The publisher's web address written into "WPUB".
inline constexpr const char* publisher_web_address = "https://www.morvelin.example/";
// The description of the "TXXX" frame that holds the species number.
inline constexpr const char* species_number_description = "Species number in Fennoral 3";
// The tag is padded with zeros to this length unless its frames are longer.
constexpr std::size_t id3v2_padded_length = 4096;
// The largest number a 4-byte synchsafe field holds.
constexpr std::uint32_t synchsafe_max = (1u << 28) - 1;

// Four bytes of 7 bits each, most significant first; value at most synchsafe_max.
void write_synchsafe(std::uint8_t* out, std::uint32_t value);
std::uint32_t read_synchsafe(const std::uint8_t* in);

// Where the audio of an MP3 file begins: 0 without an "ID3" header at the start, else behind the
// tag (10 + its size, 10 more with the footer flag). May lie beyond size for a damaged file.
std::uint64_t id3v2_audio_start(const std::uint8_t* data, std::size_t size);

// The whole ID3v2.3 tag for a recording: frames TCON, TPE1, TALB, TCOP (artist set), TIT1, TIT2,
// TOWN (artist set), TPUB and WPUB (publisher set), TXXX, COMM, then zero padding to 4096 bytes.
// species_number is written with five digits ("%.5d"). No value when the texts are too long for
// the tag's size field (over 256 MB).
std::optional<Bytes> build_id3v2_tag(const Mp3TagTexts& texts, LanguageFlags language, int species_number);

// "spa", "por", "dut" or "eng".
const char* comment_language_code(LanguageFlags language);

} // namespace morvelin
