#pragma once
// The sound bars of one species document: made when their line is first painted, placed on every
// paint, hidden when their line is out of view, freed when their line is removed.

#include "core/sound/id3_tag.h"

#include <QPointer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvelin {

class TShowStrings;
class TSonogramStrip;
class Tsound_bar;
class Tsound_bars;
struct TSoundBarRecord;
struct Tcupaitem;

class ShowSoundBars {
public:
    explicit ShowSoundBars(TShowStrings& document);
    ~ShowSoundBars();
    ShowSoundBars(const ShowSoundBars&) = delete;
    ShowSoundBars& operator=(const ShowSoundBars&) = delete;

    // Places the record's bar with its slider row at (left, top) of the pane's drawing area, making
    // the bar when it does not exist yet, and shows it. Returns the width the bar takes.
    int place(TSoundBarRecord& record, int left, int top);
    // The record's bar, made hidden when it does not exist yet (its line has not been painted, e.g. in a
    // minimised window); the next paint places and shows it. Null for a record without a cut part.
    Tsound_bar* ensure(TSoundBarRecord& record);
    // The width a bar for the record takes, without making it.
    int width(const TSoundBarRecord& record) const;
    // Frees the record's bar (a playing bar stops); its slider position stays in the record.
    void free(TSoundBarRecord& record);
    // Places the sonogram strip of the record's bar (made when it does not exist yet) with its top at
    // top, under the bar's slider, and shows it; null when the record has no bar.
    TSonogramStrip* place_strip(TSoundBarRecord& record, int top);
    // The strip of the record's bar, or null.
    TSonogramStrip* strip(const TSoundBarRecord& record) const;
    // Frees every strip (the strips were turned off).
    void free_strips();
    // Hides the bars that are not among placed and the strips not among placed_strips (their lines
    // are out of view after a paint).
    void hide_others(const std::vector<TSoundBarRecord*>& placed,
                     const std::vector<TSonogramStrip*>& placed_strips = {});
    // Moves every bar and strip by dy pixels.
    void move_all(int dy);
    // Whether the sliders start drags to the play list window.
    void set_dragging_enabled(bool enabled);
    bool dragging_enabled() const;
    // Gives the record's bar the keyboard focus (the selected sound bar).
    void focus(TSoundBarRecord& record);
    bool is_playing(const TSoundBarRecord& record) const;
    int count() const;
    Tsound_bars& bars() { return *bars_; }

private:
    Tsound_bar& make(TSoundBarRecord& record, int left, int top);
    void free_strip(const Tsound_bar* bar);

    TShowStrings& document_;
    std::unique_ptr<Tsound_bars> bars_;
    // Children of the bars' owner, like the bars; at most one per bar.
    std::vector<QPointer<TSonogramStrip>> strips_;
};

// The tag texts as the sound bars hand them on: title, sound description, genre, artist, album,
// publisher, comment, and the species' scientific and vernacular names.
std::vector<std::string> tag_text_list(const Mp3TagTexts& tags, const Tcupaitem& recording);

} // namespace morvelin
