#include "display/show_sound_bars.h"

#include "data/records.h"
#include "display/show_strings.h"

#include <algorithm>
#include <cmath>

namespace morvelin {

ShowSoundBars::ShowSoundBars(TShowStrings& document) : document_(document) {}

ShowSoundBars::~ShowSoundBars() = default;

int ShowSoundBars::width(const TSoundBarRecord& record) const {
    const double seconds = record.recording && record.recording->cut_part ? record.recording->cut_part->length / 1000.0 : 1.0;
    const int slider = std::max(50, static_cast<int>(std::nearbyint(std::log(std::max(seconds, 1e-3)) * 60 + 20)));
    return 20 + slider + 10;
}

int ShowSoundBars::place(TSoundBarRecord& record, int, int) {
    return width(record);
}

void ShowSoundBars::free(TSoundBarRecord& record) {
    record.bar = nullptr;
}

void ShowSoundBars::hide_others(const std::vector<TSoundBarRecord*>&) {}

void ShowSoundBars::move_all(int) {}

void ShowSoundBars::set_dragging_enabled(bool enabled) {
    dragging_enabled_ = enabled;
}

void ShowSoundBars::focus(TSoundBarRecord&) {}

bool ShowSoundBars::is_playing(const TSoundBarRecord&) const {
    return false;
}

} // namespace morvelin
