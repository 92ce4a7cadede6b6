#pragma once
// The audio-CD settings of the options: the CD audio device that plays audio CDs, and for each audio
// CD of the data whether it is shown, playable from the drive or copied to a folder on the hard disk.

#include "core/settings/settings_sections.h"
#include "core/sound/audio_cd_settings.h"

#include <QGroupBox>
#include <QWidget>

#include <vector>

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;

namespace morvelin {

class TFrameChooseAudioCDPlayer final : public QGroupBox {
    Q_OBJECT
public:
    explicit TFrameChooseAudioCDPlayer(QWidget* parent = nullptr);
    // Shown only with two or more devices.
    bool offered() const { return devices_ >= 2; }
    void load(const settings::GeneralSettings& general);
    void save(settings::GeneralSettings& general) const;
    QRadioButton* device_button(int number) const; // 1-based

private:
    int devices_ = 0;
    QButtonGroup* group_ = nullptr;
};

class TFrameSelectAudioCDs final : public QWidget {
    Q_OBJECT
public:
    explicit TFrameSelectAudioCDs(QWidget* parent = nullptr);

    void load(const TClassSoundCarriersUseSpecification& carriers);
    // Every CD the user marked as copied has a folder; otherwise the message is shown and false
    // returned. Rows left as they were loaded are not checked: a stored choice is not the user's
    // mistake, and other options must not be refused for it.
    bool check() const;
    void save(TClassSoundCarriersUseSpecification& carriers) const;
    // The folders chosen with "..." go to the data and to the settings (AUDIO CDS); true when any
    // changed.
    bool apply_folders() const;

    int row_count() const { return static_cast<int>(rows_.size()); }
    // Row r's radio button of column c (the sound-files row has columns 0 and 1 only).
    QRadioButton* button(int row, int column) const;
    QPushButton* folder_button(int row) const;
    QLabel* name_label(int row) const { return rows_.at(static_cast<std::size_t>(row)).name; }
    bool has_sound_files_row() const { return native_ != nullptr; }
    QRadioButton* sound_files_button(int column) const;
    const std::vector<CdChoice> choices() const;
    QPushButton* help_button() const { return help_; }

signals:
    // The help button: the program's help at its page on audio CDs.
    void help_requested();

private:
    struct Row {
        int sequence = 0;
        QButtonGroup* columns = nullptr;
        QPushButton* folder_button = nullptr;
        QLabel* name = nullptr;
        std::string folder;
        int loaded = -1; // the column shown at load
    };
    void choose_folder(std::size_t row);
    void show_folder(Row& row);

    std::vector<Row> rows_;
    QButtonGroup* native_ = nullptr;
    QPushButton* help_ = nullptr;
};

// The audio-CD page: the chooser above the CD selection. Offered when the data has at least one
// audio CD that is not always available.
class TFrameAudioCDsSettings final : public QWidget {
    Q_OBJECT
public:
    explicit TFrameAudioCDsSettings(QWidget* parent = nullptr);
    static bool offered();
    TFrameChooseAudioCDPlayer* chooser() const { return chooser_; }
    TFrameSelectAudioCDs* cds() const { return cds_; }

private:
    TFrameChooseAudioCDPlayer* chooser_ = nullptr;
    TFrameSelectAudioCDs* cds_ = nullptr;
};

} // namespace morvelin
