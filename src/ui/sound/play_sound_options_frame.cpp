#include "ui/sound/play_sound_options_frame.h"

#include "ui/windows/form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace morvelin {

namespace {
constexpr const char* texts_key = "PLAY_SOUND_OPTIONS_FRAME";

QLineEdit* two_digit_field(QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setMaxLength(2);
    field->setValidator(new QIntValidator(0, settings::BetweenSoundsOptions::max_seconds, field));
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    return field;
}

int number_or(const QLineEdit* field, int fallback) {
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok ? std::clamp(value, 0, settings::BetweenSoundsOptions::max_seconds) : fallback;
}
} // namespace

TPlaySoundOptionsFrame::TPlaySoundOptionsFrame(bool names_offered, QWidget* parent)
    : QWidget(parent), names_offered_(names_offered) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    seconds_between_ = two_digit_field(this);
    auto* between_label = new QLabel(caption_text(texts_key, names_offered ? 0 : 4), this);
    between_label->setBuddy(seconds_between_);
    grid->addWidget(between_label, 0, 0);
    grid->addWidget(seconds_between_, 0, 1);
    connect(seconds_between_, &QLineEdit::textEdited, this, &TPlaySoundOptionsFrame::options_edited);
    if (names_offered) {
        tell_names_ = new QCheckBox(caption_text(texts_key, 1), this);
        seconds_after_names_ = two_digit_field(this);
        after_names_label_ = new QLabel(caption_text(texts_key, 2), this);
        after_names_label_->setBuddy(seconds_after_names_);
        names_afterwards_ = new QCheckBox(caption_text(texts_key, 3), this);
        grid->addWidget(tell_names_, 1, 0, 1, 2);
        grid->addWidget(after_names_label_, 2, 0);
        grid->addWidget(seconds_after_names_, 2, 1);
        grid->addWidget(names_afterwards_, 3, 0, 1, 2);
        connect(tell_names_, &QCheckBox::toggled, this, &TPlaySoundOptionsFrame::options_edited);
        connect(names_afterwards_, &QCheckBox::toggled, this, &TPlaySoundOptionsFrame::options_edited);
        connect(seconds_after_names_, &QLineEdit::textEdited, this, &TPlaySoundOptionsFrame::options_edited);
    }
    grid->setColumnStretch(2, 1);
}

void TPlaySoundOptionsFrame::show_options(const settings::BetweenSoundsOptions& options) {
    const QSignalBlocker block(this);
    seconds_between_->setText(QString::number(options.seconds_between_sounds));
    if (!names_offered_) return;
    seconds_after_names_->setText(QString::number(options.seconds_after_spoken_names));
    tell_names_->setChecked(options.tell_species_names);
    names_afterwards_->setChecked(options.tell_names_afterwards);
}

settings::BetweenSoundsOptions TPlaySoundOptionsFrame::take_options() const {
    settings::BetweenSoundsOptions options;
    options.seconds_between_sounds = number_or(seconds_between_, 3);
    options.seconds_after_spoken_names = names_offered_ ? number_or(seconds_after_names_, 1) : 1;
    options.tell_species_names = names_offered_ && tell_names_->isChecked();
    options.tell_names_afterwards = names_offered_ && names_afterwards_->isChecked();
    return options;
}

void TPlaySoundOptionsFrame::enable_controls(bool enabled) {
    for (QWidget* w : findChildren<QWidget*>()) w->setEnabled(enabled);
}

} // namespace morvelin
