#pragma once
// The between-sounds options as a frame: the pause before a recording, whether species names are
// spoken (before or after the recording) and the pause after a spoken name. The name controls exist
// only in editions that can speak names. Used by the play list window and the show options.

#include "core/settings/settings_sections.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace morvelin {

class TPlaySoundOptionsFrame : public QWidget {
    Q_OBJECT
public:
    // names_offered false hides the name controls (the options then never speak names).
    explicit TPlaySoundOptionsFrame(bool names_offered, QWidget* parent = nullptr);

    void show_options(const settings::BetweenSoundsOptions& options);
    // The first number is 3 and the second 1 when their text is not a number; both are kept to 0..99.
    settings::BetweenSoundsOptions take_options() const;
    void enable_controls(bool enabled);
    bool names_offered() const { return names_offered_; }

    QLineEdit* seconds_between() const { return seconds_between_; }
    QLineEdit* seconds_after_names() const { return seconds_after_names_; }
    QCheckBox* tell_names() const { return tell_names_; }
    QCheckBox* names_afterwards() const { return names_afterwards_; }

signals:
    void options_edited();

private:
    bool names_offered_;
    QLineEdit* seconds_between_ = nullptr;
    QLineEdit* seconds_after_names_ = nullptr;
    QCheckBox* tell_names_ = nullptr;
    QCheckBox* names_afterwards_ = nullptr;
    QLabel* after_names_label_ = nullptr;
};

} // namespace morvelin
