#pragma once
// What the sonogram window and the comparison window share: the sonogram of a sound bar's recording,
// and the picture of a stretch of it.

#include "core/sound/sonogram.h"
#include "core/sound/sonogram_view.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace morvelin {

class Tsound_bar;

// The sonogram of the slice the bar plays (its file and, for a track of an audio CD copied to the
// hard disk, its offset and length); without a file, or when the file cannot be read, no sonogram
// and the reason in error.
SonogramHandle open_sound_bar_sonogram(const Tsound_bar& bar);

// The part of the sonogram that range shows, at device_size pixels, in the palette's colours (the
// background in colour_map's colour for no energy). Each pixel row takes the strongest bin of its band,
// each pixel column the strongest column of its stretch of time; columns not yet computed stay
// background.
QImage render_sonogram(const Sonogram* sonogram, const SonogramRange& range, const std::vector<std::uint32_t>& palette,
                       int colour_map, QSize device_size);

// The listening settings (GENERAL) that a sonogram opens with: the colour map, and the band from 0 to the
// top frequency (range.clamp() brings it below half the sample rate).
void apply_listening_settings(SonogramLook& look, SonogramRange& range);
// Stores look's colour map as the listening settings' colour map when it differs from the stored one.
void store_listening_colour_map(const SonogramLook& look);

// Where a sound bar's recording is heard now, in seconds: the player's position while it plays, else the
// slider's.
double sound_bar_seconds(const Tsound_bar& bar);
// Moves the bar's slider to seconds into the recording, as if the user had moved it (a playing bar
// continues there); returns the seconds of the slider step it went to.
double seek_sound_bar(Tsound_bar& bar, double seconds);

// An axis label: value with as many decimals as the labels' step needs.
QString sonogram_axis_text(double value, double step);

// The keys that move and zoom a view: + and - zoom time (with Ctrl: frequency), Left and Right
// scroll a fifth of the view, Page Up and Page Down a whole view, Home and End go to the ends, F shows
// the full band. False for any other key, with range unchanged.
bool apply_sonogram_view_key(SonogramRange& range, int key, bool control);

// The texts of the SONOGRAM language key.
QString sonogram_line(int line, const char* english);

} // namespace morvelin
