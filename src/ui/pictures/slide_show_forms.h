#pragma once
// The slide-and-sound show: its settings dialog, the photo window the show runs in, and the window
// listing what was shown ("What was that?"). The list belongs to the main window, so it can be read
// after the show has closed.

#include "core/pictures/slide_show.h"
#include "core/settings/settings_sections.h"
#include "ui/pictures/big_picture_form.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace morvelin {

class TPlaySoundOptionsFrame;

class Tsound_bar;

// What the dialog hands back: the stored show settings and the two choices kept for the session.
struct DemoSettings {
    settings::ShowSettings show = settings::ShowSettings::defaults();
    bool show_species_names = true;
    int sound_quality = 3; // 1: only the best recordings .. 3: all
};

class TDemoSettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDemoSettingsDialog(const DemoSettings& settings, QWidget* parent = nullptr);

    // The values, when the seconds field holds 1..999.
    bool read_values(DemoSettings& out) const;
    // OK: refuses bad seconds with the dialog's line and keeps the dialog open.
    void accept() override;
    DemoSettings values() const { return values_; }

    QRadioButton* kind_button(int i) const { return kinds_[static_cast<std::size_t>(i)]; } // 0 slides, 1 sounds, 2 both
    QLineEdit* seconds_edit() const { return seconds_; }
    QCheckBox* names_box() const { return names_; }
    QRadioButton* quality_button(int i) const { return qualities_[static_cast<std::size_t>(i)]; } // 0 best .. 2 all
    TPlaySoundOptionsFrame* between_sounds_frame() const { return between_; }

private:
    void update_groups();

    DemoSettings values_;
    std::array<QRadioButton*, 3> kinds_{};
    std::array<QRadioButton*, 3> qualities_{};
    QGroupBox* slides_ = nullptr;
    QGroupBox* sounds_ = nullptr;
    QLineEdit* seconds_ = nullptr;
    QCheckBox* names_ = nullptr;
    TPlaySoundOptionsFrame* between_ = nullptr;
    QString refusal_;
};

// Stored show settings for the dialog: SLIDES AND SOUNDS SHOW.
void write_show_settings(const settings::ShowSettings& show);

// The window of the list; stays on top, read-only, Ctrl+C copies all, Esc closes.
class TRecordingsAndOrPicturesListForm : public QWidget {
    Q_OBJECT
public:
    TRecordingsAndOrPicturesListForm(TRecordingsAndOrPicturesList& list, QWidget* owner);
    ~TRecordingsAndOrPicturesListForm() override;
    void refresh();
    void copy_to_clipboard();
    QPlainTextEdit* memo() const { return memo_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TRecordingsAndOrPicturesList& list_;
    QPlainTextEdit* memo_ = nullptr;
};

// The show's photo window: no information and no navigation, driven by the show's timer.
class TBigPictureDemoForm : public TBigPictureForm, private SlideShowHost {
    Q_OBJECT
public:
    TBigPictureDemoForm(QWidget* owner, const Tdata& data, const TClassVisibleSpeciesAndRecordings& visibility,
                        int order_kind, const CaptionNames& names, const DemoSettings& settings,
                        TRecordingsAndOrPicturesList& list);
    ~TBigPictureDemoForm() override;

    // Starts the timer; the first step comes at once.
    void start();
    TSlideShow& slide_show() { return *show_; }
    Tsound_bar* sound_bar() const { return bar_; }
    QTimer* demo_timer() const { return timer_demo_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void timer_demo();
    void place_bar();
    bool show_picture(const Tbig_picture& picture) override;
    bool play_recording(const Tcupaitem& recording) override;
    bool recording_playing(const Tcupaitem& recording) override;
    void stop_recording() override;
    void shown(const Tspecies& species, const Tbig_picture* picture, const Tcupaitem* recording) override;
    void show_ended() override;

    CaptionNames names_;
    bool names_in_caption_ = true;
    TRecordingsAndOrPicturesList& list_;
    MediaNameSpeaker speaker_;
    std::unique_ptr<TSlideShow> show_;
    QTimer* timer_demo_ = nullptr;
    Tsound_bar* bar_ = nullptr; // cleared by the bar when it goes
};

} // namespace morvelin
