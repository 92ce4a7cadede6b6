#pragma once
// The recordings set side by side in the comparison window, and the ".cmp" file that keeps such a set:
// GENERAL names the disc (CDROM and Version, as in play list files) and RECORDINGS holds one
// "Rn=<species ID>,<cut part key>" per recording, in the order shown. Recordings are named and found
// as the play list files do (core/sound/play_list.h).

#include "core/sound/play_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvelin {

struct Tcupaitem;
class Tdata;

class ComparisonSet {
public:
    static constexpr int max_recordings = 6;

    enum class Added { added, already_there, full };

    const std::vector<const Tcupaitem*>& recordings() const { return recordings_; }
    int size() const { return static_cast<int>(recordings_.size()); }
    bool empty() const { return recordings_.empty(); }
    // The recording's row, or -1.
    int index_of(const Tcupaitem& recording) const;
    // Appends the recording unless it is there already or the set is full.
    Added add(const Tcupaitem& recording);
    // False for a row that is not there.
    bool remove(int row);
    void clear() { recordings_.clear(); }

private:
    std::vector<const Tcupaitem*> recordings_;
};

// Larger files are not comparison files; they are refused before they are read.
constexpr std::uintmax_t max_comparison_file_bytes = 64 * 1024;

// The file's whole text, CR LF lines.
std::string comparison_file_text(const ComparisonSet& set, const PlayListProduct& product);
// Writes the whole file at once (temporary file, flush, rename); false when that failed, and then an
// earlier file at path is as it was.
bool write_comparison_file(const std::string& path, const ComparisonSet& set, const PlayListProduct& product);

enum class ComparisonLoad {
    loaded,
    not_a_comparison, // unreadable, not a regular file, too large, or CDROM or Version missing
    other_product,    // made on another disc
};

struct ComparisonReadResult {
    ComparisonLoad status = ComparisonLoad::not_a_comparison;
    bool other_version = false;
    ComparisonSet set;
    // Entries that name no recording of this disc, as "Rn=value" with the value cut and its control
    // characters replaced, for the message.
    std::vector<std::string> unresolved;
    int beyond_limit = 0; // recordings left out because the set was full
};

// Reads a comparison file without showing anything. Entries are read from R1 up to the first missing
// or empty one; an entry naming a recording already read is skipped.
ComparisonReadResult read_comparison_file(const std::string& path, const Tdata& data, const PlayListProduct& product);

} // namespace morvelin
