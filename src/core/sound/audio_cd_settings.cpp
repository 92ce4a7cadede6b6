#include "core/sound/audio_cd_settings.h"

#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_sections.h"
#include "core/sound/media_port.h"

#include <algorithm>
#include <optional>

namespace morvelin {

namespace {
std::optional<int> device_count;
} // namespace

int audio_cd_device_count() {
    if (!device_count) {
        std::uint32_t quantity = 0;
        const bool ok = media_port().system_info_quantity(mci::devtype_cd_audio, quantity) == mci::no_error;
        // A port that claims thousands of drives is not believed beyond what a radio group can show.
        device_count = ok ? static_cast<int>(std::min<std::uint32_t>(quantity, 26)) : 0;
    }
    return *device_count;
}

void reset_audio_cd_device_count() {
    device_count.reset();
}

int audio_cd_device_number() {
    const int count = audio_cd_device_count();
    if (count < 2) return count;
    return std::clamp(settings::read_general_settings().audio_cd_device, 1, count);
}

int cd_column_of(const TClassSoundCarriersUseSpecification& carriers, int sequence) {
    const int n = sequence;
    if (!carriers.visible_cds.contains(n)) return cd_column::not_shown;
    if (!carriers.playable_cds.contains(n)) return cd_column::shown;
    if (!carriers.cds_on_hd.contains(n)) return cd_column::playable;
    return cd_column::on_hard_disk;
}

void set_cd_column(TClassSoundCarriersUseSpecification& carriers, int sequence, int column) {
    const int n = sequence;
    const auto put = [n](NumberSet& set, bool in) {
        if (in)
            set.insert(n);
        else
            set.erase(n);
    };
    put(carriers.visible_cds, column >= cd_column::shown);
    put(carriers.playable_cds, column >= cd_column::playable);
    put(carriers.cds_on_hd, column >= cd_column::on_hard_disk);
}

std::vector<int> cd_rows(const Tdata& data) {
    std::vector<int> rows;
    for (int sequence = 1; sequence <= static_cast<int>(data.audio_cd_count()); ++sequence)
        if (!data.audio_cd_by_sequence(sequence).always_available) rows.push_back(sequence);
    return rows;
}

std::string missing_folder_message(const Tdata& data, const std::vector<CdChoice>& choices) {
    for (const CdChoice& choice : choices) {
        if (choice.column != cd_column::on_hard_disk || !choice.folder.empty()) continue;
        const auto lines = texts("MY AUDIO CDS FRAME", 9);
        return lines[5] + " \"" + data.audio_cd_by_sequence(choice.sequence).text_2 + "\" " + lines[6];
    }
    return {};
}

} // namespace morvelin
