#pragma once
// The sound bars of one species document: made when their line is first painted, placed on every
// paint, moved when the pane scrolls, freed when their line is removed.

#include <cstdint>
#include <vector>

class QWidget;

namespace morvelin {

class TShowStrings;
struct TSoundBarRecord;

class ShowSoundBars {
public:
    explicit ShowSoundBars(TShowStrings& document);
    ~ShowSoundBars();
    ShowSoundBars(const ShowSoundBars&) = delete;
    ShowSoundBars& operator=(const ShowSoundBars&) = delete;

    // Places the record's bar with its slider row at (left, top) of the pane's canvas, making the bar
    // when it does not exist yet. Returns the width the bar takes.
    int place(TSoundBarRecord& record, int left, int top);
    // The width a bar for the record takes, without making it.
    int width(const TSoundBarRecord& record) const;
    // Frees the record's bar (a playing bar stops); its slider position stays in the record.
    void free(TSoundBarRecord& record);
    // Hides the bars that are not among placed (their lines are out of view after a paint).
    void hide_others(const std::vector<TSoundBarRecord*>& placed);
    // Moves every bar by dy pixels (the pane scrolled).
    void move_all(int dy);
    // Whether the sliders start drags to the play list window.
    void set_dragging_enabled(bool enabled);
    bool dragging_enabled() const { return dragging_enabled_; }
    // Gives the record's bar the keyboard focus (the selected sound bar).
    void focus(TSoundBarRecord& record);
    bool is_playing(const TSoundBarRecord& record) const;
    int count() const { return count_; }

private:
    TShowStrings& document_;
    bool dragging_enabled_ = false;
    int count_ = 0;
};

} // namespace morvelin
