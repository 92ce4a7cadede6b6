#include "ui/pictures/slide_show_forms.h"

#include "core/data/data_set.h"
#include "core/data/records.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/settings_file.h"
#include "core/foundation/textfile_handler.h"
#include "core/settings/settings_table.h"
#include "core/sound/file_locations.h"
#include "ui/foundation/qt_text.h"
#include "ui/sound/play_sound_options_frame.h"
#include "ui/sound/sound_bar.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <random>

namespace morvelin {

namespace {


} // namespace

// ---------------------------------------------------------------- the settings dialog

TDemoSettingsDialog::TDemoSettingsDialog(const DemoSettings& settings, QWidget* parent)
    : QDialog(parent), values_(settings) {
    constexpr const char* key = "SHOW_SETTINGS_DB";
    setWindowTitle(line_or(key, 0, "Slide and Sound Show"));
    auto* layout = new QVBoxLayout(this);

    auto* kind = new QGroupBox(line_or(key, 1, "Show"), this);
    auto* kind_layout = new QVBoxLayout(kind);
    const char* kind_texts[] = {"Slides only", "Sounds only", "Slides and sounds"};
    for (int i = 0; i < 3; ++i) {
        kinds_[static_cast<std::size_t>(i)] = new QRadioButton(line_or(key, 2 + i, kind_texts[i]), kind);
        kind_layout->addWidget(kinds_[static_cast<std::size_t>(i)]);
        connect(kinds_[static_cast<std::size_t>(i)], &QRadioButton::toggled, this, &TDemoSettingsDialog::update_groups);
    }
    layout->addWidget(kind);

    slides_ = new QGroupBox(line_or(key, 5, "Slides"), this);
    auto* slides_layout = new QVBoxLayout(slides_);
    auto* every = new QHBoxLayout;
    every->addWidget(new QLabel(line_or(key, 6, "A new slide every"), slides_));
    seconds_ = new QLineEdit(slides_);
    // Three digits, as the stored speed has.
    seconds_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), seconds_));
    seconds_->setMaxLength(3);
    seconds_->setFixedWidth(seconds_->fontMetrics().horizontalAdvance("0000") + 12);
    every->addWidget(seconds_);
    every->addWidget(new QLabel(line_or(key, 7, "seconds"), slides_));
    every->addStretch();
    slides_layout->addLayout(every);
    names_ = new QCheckBox(line_or(key, 8, "Show the species names"), slides_);
    slides_layout->addWidget(names_);
    layout->addWidget(slides_);

    sounds_ = new QGroupBox(line_or(key, 9, "Sounds"), this);
    auto* sounds_layout = new QVBoxLayout(sounds_);
    auto* quality = new QGroupBox(line_or(key, 10, "Recordings played"), sounds_);
    auto* quality_layout = new QVBoxLayout(quality);
    const char* quality_texts[] = {"Only the best recordings", "Good recordings", "All recordings"};
    for (int i = 0; i < 3; ++i) {
        qualities_[static_cast<std::size_t>(i)] = new QRadioButton(line_or(key, 11 + i, quality_texts[i]), quality);
        quality_layout->addWidget(qualities_[static_cast<std::size_t>(i)]);
    }
    sounds_layout->addWidget(quality);
    // The between-sounds options, the same frame as the play list window's.
    between_ = new TPlaySoundOptionsFrame(edition().switches.speak_species_names, sounds_);
    sounds_layout->addWidget(between_);
    layout->addWidget(sounds_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("OKBtn");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("CancelBtn");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // The layout sizes the groups and the dialog to the widest text.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    refusal_ = line_or(key, 14, "Please enter a number of seconds from 1 to 999.");

    const settings::ShowSettings& show = settings.show;
    kinds_[show.show_slides() && show.play_sounds() ? 2 : show.show_slides() ? 0 : 1]->setChecked(true);
    seconds_->setText(QString::number(show.slide_show_speed));
    names_->setChecked(settings.show_species_names);
    qualities_[static_cast<std::size_t>(std::clamp(settings.sound_quality, 1, 3) - 1)]->setChecked(true);
    between_->show_options(show);
    update_groups();
}

void TDemoSettingsDialog::update_groups() {
    slides_->setEnabled(!kinds_[1]->isChecked());
    sounds_->setEnabled(!kinds_[0]->isChecked());
}

bool TDemoSettingsDialog::read_values(DemoSettings& out) const {
    bool ok = false;
    const int seconds = seconds_->text().trimmed().toInt(&ok);
    if (!ok || seconds < 1 || seconds > settings::ShowSettings::max_slide_show_speed) return false;
    out = values_;
    out.show.show_type = kinds_[0]->isChecked()   ? "Slides Only"
                         : kinds_[1]->isChecked() ? "Sounds Only"
                                                  : "Slides and Sounds";
    out.show.slide_show_speed = seconds;
    out.show_species_names = names_->isChecked();
    for (int i = 0; i < 3; ++i)
        if (qualities_[static_cast<std::size_t>(i)]->isChecked()) out.sound_quality = i + 1;
    static_cast<settings::BetweenSoundsOptions&>(out.show) = between_->take_options();
    return true;
}

void TDemoSettingsDialog::accept() {
    if (!read_values(values_)) {
        show_message(disc_text(refusal_), mb::icon_warning);
        seconds_->setFocus();
        seconds_->selectAll();
        return;
    }
    QDialog::accept();
}

void write_show_settings(const settings::ShowSettings& show) {
    SettingsChanges changes;
    write_fields(changes, settings::ShowSettings::section, settings::ShowSettings::fields(), show);
    changes.commit();
}

// ---------------------------------------------------------------- the list's window

TRecordingsAndOrPicturesListForm::TRecordingsAndOrPicturesListForm(TRecordingsAndOrPicturesList& list,
                                                                   QWidget* owner)
    : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint), list_(list) {
    setAttribute(Qt::WA_DeleteOnClose);
    constexpr const char* key = "QM_SHOW_LISTS";
    setWindowTitle(line_or(key, 0, "What was that?"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QMenuBar(this);
    QMenu* edit_menu = bar->addMenu(line_or(key, 1, "&Edit"));
    QAction* copy = edit_menu->addAction(line_or(key, 2, "&Copy to clipboard"), this,
                                         &TRecordingsAndOrPicturesListForm::copy_to_clipboard);
    copy->setObjectName("copy_to_clipboard_menu_item");
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copy->setShortcutContext(Qt::WindowShortcut);
    layout->setMenuBar(bar);
    memo_ = new QPlainTextEdit(this);
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The window's own Ctrl+C copies everything, not the memo's selection.
    memo_->setContextMenuPolicy(Qt::NoContextMenu);
    layout->addWidget(memo_);
    resize(520, 300);
    list_.changed = [this] { refresh(); };
    refresh();
}

TRecordingsAndOrPicturesListForm::~TRecordingsAndOrPicturesListForm() {
    list_.changed = nullptr;
}

void TRecordingsAndOrPicturesListForm::refresh() {
    memo_->setPlainText(qt_text(list_.text()));
    memo_->moveCursor(QTextCursor::End);
}

void TRecordingsAndOrPicturesListForm::copy_to_clipboard() {
    memo_->selectAll();
    QApplication::clipboard()->setText(memo_->toPlainText());
}

void TRecordingsAndOrPicturesListForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- the show's photo window

TBigPictureDemoForm::TBigPictureDemoForm(QWidget* owner, const Tdata& data,
                                         const TClassVisibleSpeciesAndRecordings& visibility, int order_kind,
                                         const CaptionNames& names, const DemoSettings& settings,
                                         TRecordingsAndOrPicturesList& list)
    : TBigPictureForm(owner, nullptr), names_(names), names_in_caption_(settings.show_species_names), list_(list) {
    list_.set_words(language_texts().get_line("QM_LISTS", 1), language_texts().get_line("QM_LISTS", 2));
    SlideShowOptions options;
    options.slides = settings.show.show_slides();
    options.sounds = settings.show.play_sounds();
    options.slide_seconds = settings.show.slide_show_speed;
    options.order_kind = order_kind;
    options.sound_mode = std::clamp(settings.sound_quality, 1, 3);
    options.between = settings.show;
    auto generator = std::make_shared<std::mt19937>(std::random_device{}());
    const auto start = std::chrono::steady_clock::now();
    show_ = std::make_unique<TSlideShow>(
        data, visibility, options, static_cast<SlideShowHost&>(*this), speaker_,
        [start] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count();
        },
        [generator](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*generator); },
        [](const Tspecies& species) { return spoken_name_path(&species); });
    timer_demo_ = new QTimer(this);
    timer_demo_->setSingleShot(true);
    connect(timer_demo_, &QTimer::timeout, this, &TBigPictureDemoForm::timer_demo);
}

TBigPictureDemoForm::~TBigPictureDemoForm() {
    show_->stop();
    delete bar_;
}

void TBigPictureDemoForm::start() {
    show_->tick();
    timer_demo();
}

void TBigPictureDemoForm::timer_demo() {
    show_->tick();
    // Each state returns at once; the timer wakes the window when the next one is due.
    if (show_->running()) timer_demo_->start(std::max(1, show_->interval_ms()));
}

bool TBigPictureDemoForm::show_picture(const Tbig_picture& picture) {
    if (!show_found_picture(picture, names_)) return false;
    if (!isVisible()) show_photos();
    if (!names_in_caption_) setWindowTitle(line_or("SHOW_SETTINGS_DB", 0, "Slide and Sound Show"));
    return true;
}

bool TBigPictureDemoForm::play_recording(const Tcupaitem& recording) {
    stop_recording();
    if (!recording.cut_part) return false;
    SoundBarSetup setup;
    setup.owner = this;
    setup.recording = &recording;
    setup.caller_reference = &bar_;
    bar_ = new Tsound_bar(setup);
    place_bar();
    bar_->show();
    bar_->TogglePlay();
    return bar_ && bar_->is_open();
}

// Above the background colour button, which stays where the photo window keeps it.
void TBigPictureDemoForm::place_bar() {
    if (!bar_) return;
    const int bottom = background_colour_button()->isVisible() ? background_colour_button()->y() - 6 : height() - 8;
    bar_->place(10, std::max(bar_->number_line_height() + 4, bottom - bar_->slider_row_height()));
}

void TBigPictureDemoForm::resizeEvent(QResizeEvent* event) {
    TBigPictureForm::resizeEvent(event);
    place_bar();
}

bool TBigPictureDemoForm::recording_playing(const Tcupaitem& recording) {
    return bar_ && &bar_->recording() == &recording && bar_->is_playing();
}

void TBigPictureDemoForm::stop_recording() {
    delete bar_; // closes its player; the bar clears bar_
    bar_ = nullptr;
}

void TBigPictureDemoForm::shown(const Tspecies& species, const Tbig_picture* picture, const Tcupaitem* recording) {
    list_.add(species, shown_species_names(species), picture, recording);
}

void TBigPictureDemoForm::show_ended() {
    timer_demo_->stop();
    QTimer::singleShot(0, this, &QWidget::close);
}

void TBigPictureDemoForm::closeEvent(QCloseEvent* event) {
    timer_demo_->stop();
    show_->stop();
    TBigPictureForm::closeEvent(event);
}

} // namespace morvelin
