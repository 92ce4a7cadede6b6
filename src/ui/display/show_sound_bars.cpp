#include "ui/display/show_sound_bars.h"

#include "core/data/records.h"
#include "ui/display/show_form.h"
#include "ui/display/show_strings.h"
#include "core/sound/sound_bar_state.h"
#include "ui/sound/sonogram_strip.h"
#include "ui/sound/sound_bar.h"

#include <QApplication>

#include <algorithm>

namespace morvelin {

ShowSoundBars::ShowSoundBars(TShowStrings& document)
    : document_(document), bars_(std::make_unique<Tsound_bars>()) {}

ShowSoundBars::~ShowSoundBars() {
    free_strips();
}

Tsound_bar& ShowSoundBars::make(TSoundBarRecord& record, int left, int top) {
    SoundBarSetup setup;
    setup.owner = document_.owner() ? document_.owner()->viewport() : nullptr;
    setup.recording = record.recording;
    setup.left = left;
    setup.top = top;
    // The CDs copied to the hard disk play from their files.
    setup.files_instead_of_cd = document_.settings().visible.carriers.cds_on_hd;
    setup.show_numbers = true;
    setup.key = record.key;
    setup.caller_reference = &record.bar;
    setup.slider_position = &record.slider_position;
    setup.drag_enabled = bars_->dragging_enabled();
    setup.play_list_context = record.number;
    TShowStrings* document = &document_;
    setup.tag_texts = [document](const Tcupaitem& recording) {
        return tag_text_list(document->recording_tag_texts(recording), recording);
    };
    Tsound_bar& bar = bars_->make(setup);
    record.bar = &bar;
    return bar;
}

int ShowSoundBars::place(TSoundBarRecord& record, int left, int top) {
    if (!record.recording || !record.recording->cut_part) return 0;
    Tsound_bar& bar = record.bar ? *record.bar : make(record, left, top);
    if (bar.bar_left() != left || bar.bar_top() != top) bar.place(left, top);
    if (bar.isHidden()) bar.show();
    return bar.bar_width();
}

Tsound_bar* ShowSoundBars::ensure(TSoundBarRecord& record) {
    if (record.bar) return record.bar;
    if (!record.recording || !record.recording->cut_part) return nullptr;
    Tsound_bar& bar = make(record, 0, 0);
    bar.hide();
    return &bar;
}

int ShowSoundBars::width(const TSoundBarRecord& record) const {
    if (record.bar) return record.bar->bar_width();
    if (!record.recording || !record.recording->cut_part) return 0;
    // Button and slider, as the bar will make them.
    constexpr int button_width = 22;
    return button_width + sound_bar_slider_width(record.recording->cut_part->length);
}

TSonogramStrip* ShowSoundBars::place_strip(TSoundBarRecord& record, int top) {
    if (!record.bar) return nullptr;
    TSonogramStrip* found = strip(record);
    if (!found) {
        found = new TSonogramStrip(*record.bar, record.bar->parentWidget());
        strips_.emplace_back(found);
    }
    found->place(top);
    return found;
}

TSonogramStrip* ShowSoundBars::strip(const TSoundBarRecord& record) const {
    if (!record.bar) return nullptr;
    for (const auto& s : strips_)
        if (s && s->bar() == record.bar) return s.data();
    return nullptr;
}

void ShowSoundBars::free_strip(const Tsound_bar* bar) {
    for (auto it = strips_.begin(); it != strips_.end();) {
        if (!*it || (*it)->bar() == bar) {
            delete it->data();
            it = strips_.erase(it);
        } else {
            ++it;
        }
    }
}

void ShowSoundBars::free_strips() {
    for (auto& s : strips_)
        delete s.data();
    strips_.clear();
}

void ShowSoundBars::free(TSoundBarRecord& record) {
    if (!record.bar) return;
    free_strip(record.bar);
    // Destroying the bar closes its player and clears record.bar.
    bars_->remove(record.bar);
    record.bar = nullptr;
}

void ShowSoundBars::hide_others(const std::vector<TSoundBarRecord*>& placed,
                                const std::vector<TSonogramStrip*>& placed_strips) {
    for (const auto& s : strips_) {
        if (s && !s->isHidden() && std::find(placed_strips.begin(), placed_strips.end(), s.data()) == placed_strips.end())
            s->hide();
    }
    for (int i = 0; i < bars_->count(); ++i) {
        Tsound_bar& bar = bars_->at(i);
        const bool in_view = std::any_of(placed.begin(), placed.end(),
                                         [&bar](const TSoundBarRecord* r) { return r->bar == &bar; });
        if (!in_view && !bar.isHidden()) bar.hide();
    }
}

void ShowSoundBars::move_all(int dy) {
    bars_->move_by(dy);
    for (const auto& s : strips_)
        if (s) s->move(s->x(), s->y() + dy);
}

void ShowSoundBars::set_dragging_enabled(bool enabled) {
    bars_->set_dragging_enabled(enabled);
}

bool ShowSoundBars::dragging_enabled() const {
    return bars_->dragging_enabled();
}

void ShowSoundBars::focus(TSoundBarRecord& record) {
    if (record.bar && !record.bar->hasFocus() && !record.bar->isAncestorOf(QApplication::focusWidget()))
        record.bar->select_and_focus();
}

bool ShowSoundBars::is_playing(const TSoundBarRecord& record) const {
    return record.bar && record.bar->is_playing();
}

int ShowSoundBars::count() const {
    return bars_->count();
}

std::vector<std::string> tag_text_list(const Mp3TagTexts& tags, const Tcupaitem& recording) {
    std::vector<std::string> list{tags.title, tags.sound_description, tags.genre,  tags.artist,
                                  tags.album, tags.publisher,         tags.comment};
    list.push_back(recording.species ? recording.species->scientific_name : std::string());
    list.push_back(recording.species ? recording.species->vernacular_name : std::string());
    return list;
}

} // namespace morvelin
