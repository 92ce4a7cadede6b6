#include "core/sound/volume_control.h"

#include "core/settings/settings_sections.h"

#include <algorithm>
#include <cmath>

namespace morvelin {

int volume_slider_position(VolumeHalves volume, bool stereo) {
    double v = stereo ? (double(volume.left) + double(volume.right)) / 2.0 : double(volume.left);
    return static_cast<int>(std::lround(100.0 - 100.0 * v / 65535.0));
}

void VolumeBalance::remember(VolumeHalves volume) {
    const int louder = std::max(volume.left, volume.right);
    if (louder == 0) return;
    left_louder_ = volume.left >= volume.right;
    ratio_ = double(std::min(volume.left, volume.right)) / double(louder);
}

VolumeHalves VolumeBalance::halves_for(int position, bool stereo) const {
    const int v = (100 - std::clamp(position, 0, 100)) * 65535 / 100;
    if (!stereo) return {static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(v)};
    // Mean v with quieter = ratio x louder: louder = 2v / (1 + ratio).
    const double louder = std::min(65535.0, 2.0 * v / (1.0 + ratio_));
    const auto loud = static_cast<std::uint16_t>(std::lround(louder));
    const auto quiet = static_cast<std::uint16_t>(std::lround(louder * ratio_));
    return left_louder_ ? VolumeHalves{loud, quiet} : VolumeHalves{quiet, loud};
}

ScreenPlace volume_window_place(const std::string& stored, int width, int height, int screen_left,
                                int screen_top, int screen_width, int screen_height) {
    ScreenPlace place{screen_left + screen_width / 2, screen_top + screen_height / 2};
    if (auto position = settings::stored_position(stored)) place = {(*position)[0], (*position)[1]};
    // Whole on screen: the right and bottom edges first, then the left and top (a window larger
    // than the screen shows its top-left corner).
    place.left = std::max(screen_left, std::min(place.left, screen_left + screen_width - width));
    place.top = std::max(screen_top, std::min(place.top, screen_top + screen_height - height));
    return place;
}

} // namespace morvelin
