#pragma once
// The volume window's arithmetic: the slider (0 at the top is full volume, 100 silence) against the
// two 16-bit halves of the system's output volume, and the window's place from the settings.

#include <cstdint>
#include <string>

namespace morvelin {

struct VolumeHalves {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    friend bool operator==(const VolumeHalves&, const VolumeHalves&) = default;
};

// v = left + right, halved on a stereo device (a mono device has its volume in left);
// position = 100 - 100 v / 65535, rounded.
int volume_slider_position(VolumeHalves volume, bool stereo);

// The balance between the channels, kept while the slider moves: the quieter channel's share of the
// louder one. A silent output keeps the balance it had before it went silent.
class VolumeBalance {
public:
    void remember(VolumeHalves volume);
    // The halves for a slider position: v = (100 - position) 65535 / 100 is the level the slider
    // shows (the mean of the halves); the halves keep their ratio, the louder one at most 65535.
    VolumeHalves halves_for(int position, bool stereo) const;

private:
    double ratio_ = 1.0;     // quieter / louder
    bool left_louder_ = true;
};

// The volume window's top-left corner: the stored "left,top" (or the middle of the screen when
// none is stored or it is unreadable), moved so that the whole window lies on the screen.
struct ScreenPlace {
    int left = 0;
    int top = 0;
    friend bool operator==(const ScreenPlace&, const ScreenPlace&) = default;
};
ScreenPlace volume_window_place(const std::string& stored, int width, int height, int screen_left,
                                int screen_top, int screen_width, int screen_height);

} // namespace morvelin
