#include "core/sound/comparison.h"

#include "core/foundation/settings_file.h"
#include "core/foundation/utilities.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

namespace morvelin {

namespace {

constexpr const char* recordings_section = "RECORDINGS";
// Rows are read up to here at most; a file within the size limit cannot hold more.
constexpr int max_rows = 10000;
constexpr std::size_t shown_value_length = 40;

std::string shown_entry(int row, const std::string& value) {
    std::string shown = value.substr(0, shown_value_length);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    if (value.size() > shown_value_length) shown += "...";
    return "R" + std::to_string(row) + "=" + shown;
}

} // namespace

int ComparisonSet::index_of(const Tcupaitem& recording) const {
    const auto it = std::find(recordings_.begin(), recordings_.end(), &recording);
    return it == recordings_.end() ? -1 : static_cast<int>(it - recordings_.begin());
}

ComparisonSet::Added ComparisonSet::add(const Tcupaitem& recording) {
    if (index_of(recording) >= 0) return Added::already_there;
    if (size() >= max_recordings) return Added::full;
    recordings_.push_back(&recording);
    return Added::added;
}

bool ComparisonSet::remove(int row) {
    if (row < 0 || row >= size()) return false;
    recordings_.erase(recordings_.begin() + row);
    return true;
}

std::string comparison_file_text(const ComparisonSet& set, const PlayListProduct& product) {
    std::string text = list_file_identity_text(product) + "\r\n[RECORDINGS]\r\n";
    int row = 0;
    for (const Tcupaitem* recording : set.recordings()) {
        const std::string value = play_list_recording_value(*recording);
        if (!value.empty()) text += "R" + std::to_string(++row) + "=" + value + "\r\n";
    }
    return text;
}

bool write_comparison_file(const std::string& path, const ComparisonSet& set, const PlayListProduct& product) {
    return !path.empty() && write_file_atomically(path, comparison_file_text(set, product));
}

ComparisonReadResult read_comparison_file(const std::string& path, const Tdata& data,
                                          const PlayListProduct& product) {
    ComparisonReadResult result;
    // A pipe or device would block or never end; a huge file is not ours.
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return result;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > max_comparison_file_bytes) return result;

    const SettingsReader reader(path);
    const ListFileIdentity identity = read_list_file_identity(reader, product);
    if (identity == ListFileIdentity::missing) return result;
    if (identity == ListFileIdentity::other_product) {
        result.status = ComparisonLoad::other_product;
        return result;
    }
    result.status = ComparisonLoad::loaded;
    result.other_version = identity == ListFileIdentity::other_version;

    const PlayListRecordingFinder finder(data);
    for (int row = 1; row <= max_rows; ++row) {
        const std::optional<std::string> value = reader.value(recordings_section, "R" + std::to_string(row));
        if (!value || value->empty()) break;
        const Tcupaitem* recording = finder.find(*value);
        if (!recording) {
            result.unresolved.push_back(shown_entry(row, *value));
            continue;
        }
        if (result.set.add(*recording) == ComparisonSet::Added::full) ++result.beyond_limit;
    }
    return result;
}

} // namespace morvelin
