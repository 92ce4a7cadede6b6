#pragma once
// Play lists: the recordings a user collected, each with how often it is played in a row, the
// between-sounds options and the endless-loop choice; the ".pl" file that stores them; and the order
// in which the play sequence hands the entries out (GetNextEntry).
//
// A list always has at least one row: with no entry it keeps one empty row, which a save writes as
// "R1=x". Entries hold the recording itself, so the playing window finds the recording's bar by the
// recording and never by a position that another filter would shift.

#include "core/settings/settings_sections.h"

#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace morvelin {

struct Tcupaitem;
struct Tcutpart;
class Tdata;
class TClassVisibleSpeciesAndRecordings;

struct TPlayListInfo {
    const Tcupaitem* recording = nullptr; // not owned
    int context = 0;                      // number among the species' visible recordings
    int repeat_count = 1;                 // 1..max_repeat_count

    static constexpr int max_repeat_count = 99; // two digits in the grid
};

// The entry's key of a cut part in a list file: number and sub-number with five digits, with the
// carrier and the variant letter after each ("00012A00003 ").
std::string play_list_cut_part_key(const Tcutpart& cut_part);

// A recording as the list files name it: the species' unique ID and the cut part's key, joined by a
// comma ("1001,01001A00001 "). Empty when the recording lacks its species or cut part.
std::string play_list_recording_value(const Tcupaitem& recording);

// Finds the recordings that list files name, with the disc's lookups made once for a whole file.
class PlayListRecordingFinder {
public:
    explicit PlayListRecordingFinder(const Tdata& data);
    // The species' item of the cut part named by the first two comma fields of value (a cut part is
    // found by its key, or by the numbers and letters of its list key); null when the species, the
    // cut part or such an item is missing. rest, when given, receives the fields after the two.
    const Tcupaitem* find(const std::string& value, std::string* rest = nullptr) const;

private:
    using CutPartFields = std::tuple<int, char, int, char>; // number, carrier, sub-number, variant
    const Tdata& data_;
    std::map<CutPartFields, const Tcutpart*> by_fields_;
};

// What the play sequence gets from the list.
struct NextEntry {
    const Tcupaitem* recording = nullptr; // none: the list is finished
    int context = 0;
    int row = 0; // 0-based row of the entry
    bool is_last = false;
    bool is_repeat = false;
};

class PlayList {
public:
    const std::vector<TPlayListInfo>& entries() const { return entries_; }
    // Rows shown: the entries, or one empty row.
    int row_count() const { return entries_.empty() ? 1 : static_cast<int>(entries_.size()); }
    bool empty() const { return entries_.empty(); }

    // Fills the empty row or appends; the count is clamped to 1..99. Returns the entry's row.
    int add(TPlayListInfo entry);
    // Removes the row's entry; the only row just becomes empty. False for a row that holds none.
    bool remove(int row);
    // Moves a row to another place; false when either is not a row of an entry or they are equal.
    bool move(int from, int to);
    // The typed count: trimmed, empty is 1, a number is clamped to 1..99, other text is ignored.
    // True when the entry's count changed.
    bool set_repeat_text(int row, const std::string& text);
    void clear() { entries_.clear(); }

    // The times column: empty when 1.
    std::string repeat_text(int row) const;
    // The clipboard text: per row "n:  description[, times=k]" (times in lower case), lines joined
    // by CR LF. describe gives column 1 of an entry.
    std::string clipboard_text(const std::function<std::string(const TPlayListInfo&)>& describe,
                               const std::string& times_header) const;

    // ---- the play sequence ----
    // start_row: the row to start at (0-based) or -1 for the first; the first entry handed out is
    // played as a new entry (with its pause and name), not as a repeat.
    void start_sequence(int start_row);
    NextEntry next_entry(bool endless_loop);

private:
    std::vector<TPlayListInfo> entries_;
    int index_ = 0;   // 1-based row of the current entry; 0 before the first
    int counter_ = 0; // how often the current entry was handed out
};

// ---- the list file ----

struct PlayListFile {
    settings::BetweenSoundsOptions options;
    bool endless_loop = false;
    std::vector<TPlayListInfo> entries;
};

// The product a list belongs to: program text values 8 (English title) and 9 (version).
struct PlayListProduct {
    std::string title;
    std::string version;
    static PlayListProduct running();
};

class SettingsReader;

// The start of a list file: the GENERAL header with the product's CDROM and Version lines.
std::string list_file_identity_text(const PlayListProduct& product);
// What a list file's GENERAL section says of the product that wrote it.
enum class ListFileIdentity {
    missing,       // CDROM or Version absent: not a list file
    other_product, // another CDROM
    other_version, // this product, another version
    same,
};
ListFileIdentity read_list_file_identity(const SettingsReader& reader, const PlayListProduct& product);

// The file's whole text (CR LF lines): GENERAL with the product, the options and the loop; RECORDINGS
// with one key per row. An empty list writes "R1=x".
std::string play_list_file_text(const PlayListFile& list, const PlayListProduct& product);

// Writes the whole file at once (temporary file, flush, rename): an interrupted or failed write
// leaves the old file as it was. On failure "File creation went wrong!" is shown (error icon) and
// false returned.
bool write_play_list_file(const std::string& path, const PlayListFile& list, const PlayListProduct& product);

// Save of the list's window: writes the file whole, then stores it as the list to reopen (Current in
// PLAYLISTS) and, when an entry is a slice of an audio CD, shows PLAY_LISTS line 27 (warning icon).
bool save_play_list(const std::string& path, const PlayListFile& list, const PlayListProduct& product);
// Stores the list to reopen at the next start.
void remember_current_play_list(const std::string& path);

enum class PlayListLoad {
    loaded,
    not_a_play_list, // CDROM or Version missing (also: the file cannot be read)
    other_product,   // CDROM of another product
};

struct PlayListReadResult {
    PlayListLoad status = PlayListLoad::not_a_play_list;
    bool other_version = false;
    bool recordings_not_found = false; // species, cut part or recording missing
    bool recordings_hidden = false;    // found but hidden by the filter
    PlayListFile list;
};

// Where entries are resolved: the data, the filter of the list's window and its recording mode.
struct PlayListResolver {
    const Tdata& data;
    const TClassVisibleSpeciesAndRecordings& visibility;
    int mode = 1;
    bool speak_names_offered = false; // otherwise both name options are read as false
};

// Reads a list file without showing anything. Numbers are range-checked where they are read (pauses
// 0..99 s, counts 1..99); rows end at the first missing key; "x" rows are skipped.
PlayListReadResult read_play_list_file(const std::string& path, const PlayListResolver& resolver,
                                       const PlayListProduct& product);

// Shows the messages of a read with the texts of key PLAY_LISTS: lines 24 and 21 (error icon) when
// it failed; else line 22 + " " + 23 for another version before loading, and line 25, or else 26,
// after it (warning icon). True when the list loaded.
bool report_play_list_read(const PlayListReadResult& result, const std::function<void()>& between = {});

} // namespace morvelin
