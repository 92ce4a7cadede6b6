#include "ui/sound/audio_cd_frames.h"

#include "core/data/data_loader.h"
#include "core/data/data_texts.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "ui/foundation/qt_text.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace morvelin {

// ---- TFrameChooseAudioCDPlayer ----

TFrameChooseAudioCDPlayer::TFrameChooseAudioCDPlayer(QWidget* parent) : QGroupBox(parent) {
    devices_ = audio_cd_device_count();
    const auto lines = texts("AUDIO CD PLAYER FRAME", 2);
    setTitle(qt_text(lines[0]));
    group_ = new QButtonGroup(this);
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < (devices_ >= 2 ? devices_ : 0); ++i) {
        auto* button = new QRadioButton(qt_text(lines[2]) + " " + QString::number(i + 1), this);
        group_->addButton(button, i);
        grid->addWidget(button, i / 4, i % 4); // up to four columns
    }
    setVisible(offered());
}

void TFrameChooseAudioCDPlayer::load(const settings::GeneralSettings& general) {
    if (!offered()) return;
    // A stored number beyond the devices there are (a drive removed since) means the last one.
    const int number = std::clamp(general.audio_cd_device, 1, devices_);
    group_->button(number - 1)->setChecked(true);
}

void TFrameChooseAudioCDPlayer::save(settings::GeneralSettings& general) const {
    if (offered() && group_->checkedId() >= 0) general.audio_cd_device = group_->checkedId() + 1;
}

QRadioButton* TFrameChooseAudioCDPlayer::device_button(int number) const {
    return qobject_cast<QRadioButton*>(group_->button(number - 1));
}

// ---- TFrameSelectAudioCDs ----

TFrameSelectAudioCDs::TFrameSelectAudioCDs(QWidget* parent) : QWidget(parent) {
    const auto lines = texts("MY AUDIO CDS FRAME", 9);
    auto* grid = new QGridLayout(this);
    for (int column = 0; column < 4; ++column) {
        auto* head = new QLabel(qt_text(lines[static_cast<std::size_t>(column)]), this);
        head->setWordWrap(true);
        head->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        grid->addWidget(head, 0, column);
    }
    const Tdata& data = data_set();
    int line = 1;
    for (int sequence : cd_rows(data)) {
        const TaudioCD& cd = data.audio_cd_by_sequence(sequence);
        Row row;
        row.sequence = sequence;
        row.folder = cd.hard_disk_folder;
        row.columns = new QButtonGroup(this);
        for (int column = 0; column < 4; ++column) {
            auto* button = new QRadioButton(this);
            row.columns->addButton(button, column);
            grid->addWidget(button, line, column, Qt::AlignHCenter);
        }
        row.folder_button = new QPushButton(QStringLiteral("..."), this);
        row.folder_button->setFixedWidth(28);
        grid->addWidget(row.folder_button, line, 4);
        row.name = new QLabel(this);
        grid->addWidget(row.name, line, 5);
        show_folder(row);
        const std::size_t index = rows_.size();
        connect(row.folder_button, &QPushButton::clicked, this, [this, index] { choose_folder(index); });
        rows_.push_back(row);
        ++line;
    }
    if (!edition().switches.hide_sound_files_row) {
        native_ = new QButtonGroup(this);
        for (int column = 0; column < 2; ++column) {
            auto* button = new QRadioButton(this);
            native_->addButton(button, column);
            grid->addWidget(button, line, column, Qt::AlignHCenter);
        }
        grid->addWidget(new QLabel(qt_text(lines[4]), this), line, 5);
    }
    // No language line names it (lines 8 and 9 are unused): an English default.
    help_ = new QPushButton(QStringLiteral("&Help"), this);
    connect(help_, &QPushButton::clicked, this, &TFrameSelectAudioCDs::help_requested);
    grid->addWidget(help_, line + 1, 5, Qt::AlignRight);
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(line + 2, 1);
}

void TFrameSelectAudioCDs::load(const TClassSoundCarriersUseSpecification& carriers) {
    for (Row& row : rows_) {
        row.loaded = cd_column_of(carriers, row.sequence);
        row.columns->button(row.loaded)->setChecked(true);
    }
    if (native_) native_->button(carriers.show_native ? 1 : 0)->setChecked(true);
}

const std::vector<CdChoice> TFrameSelectAudioCDs::choices() const {
    std::vector<CdChoice> out;
    for (const Row& row : rows_) out.push_back({row.sequence, row.columns->checkedId(), row.folder});
    return out;
}

bool TFrameSelectAudioCDs::check() const {
    std::vector<CdChoice> changed;
    for (const Row& row : rows_)
        if (row.columns->checkedId() != row.loaded) changed.push_back({row.sequence, row.columns->checkedId(), row.folder});
    const std::string message = missing_folder_message(data_set(), changed);
    if (message.empty()) return true;
    show_message(message, mb::icon_error);
    return false;
}

void TFrameSelectAudioCDs::save(TClassSoundCarriersUseSpecification& carriers) const {
    for (const Row& row : rows_)
        if (row.columns->checkedId() >= 0) set_cd_column(carriers, row.sequence, row.columns->checkedId());
    if (native_) carriers.show_native = native_->checkedId() == 1;
}

bool TFrameSelectAudioCDs::apply_folders() const {
    SettingsChanges changes;
    for (const Row& row : rows_) {
        TaudioCD& cd = data_set().audio_cd_by_sequence(row.sequence);
        if (row.folder == cd.hard_disk_folder) continue;
        cd.hard_disk_folder = row.folder;
        settings::write_audio_cd_copy(changes, cd.number, {audio_cd_short_name(cd), row.folder});
    }
    if (changes.empty()) return false;
    changes.commit();
    return true;
}

QRadioButton* TFrameSelectAudioCDs::button(int row, int column) const {
    return qobject_cast<QRadioButton*>(rows_.at(static_cast<std::size_t>(row)).columns->button(column));
}

QPushButton* TFrameSelectAudioCDs::folder_button(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).folder_button;
}

QRadioButton* TFrameSelectAudioCDs::sound_files_button(int column) const {
    return native_ ? qobject_cast<QRadioButton*>(native_->button(column)) : nullptr;
}

void TFrameSelectAudioCDs::choose_folder(std::size_t index) {
    Row& row = rows_[index];
    std::error_code ec;
    std::string start = row.folder;
    if (start.empty() || !std::filesystem::is_directory(start, ec)) {
        start.clear();
        for (auto location : {QStandardPaths::MusicLocation, QStandardPaths::DocumentsLocation}) {
            const QString found = QStandardPaths::writableLocation(location);
            if (!found.isEmpty() && QDir(found).exists()) {
                start = found.toStdString();
                break;
            }
        }
    }
    auto chosen = dialog_port().select_folder(texts("MY AUDIO CDS FRAME", 9)[7], start);
    if (!chosen || chosen->empty()) return;
    std::string folder = *chosen;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    row.folder = folder;
    show_folder(row);
}

void TFrameSelectAudioCDs::show_folder(Row& row) {
    // The CD's name, and below it the folder of its copy when one is chosen.
    const QString name = qt_text(data_set().audio_cd_by_sequence(row.sequence).text_2);
    row.name->setText(row.folder.empty() ? name : name + "\n" + qt_path(row.folder));
}

// ---- TFrameAudioCDsSettings ----

TFrameAudioCDsSettings::TFrameAudioCDsSettings(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(qt_text(texts("AUDIO CDS FRAME", 1)[1]), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    chooser_ = new TFrameChooseAudioCDPlayer(this);
    layout->addWidget(chooser_);
    cds_ = new TFrameSelectAudioCDs;
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(cds_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    layout->addWidget(scroll, 1);
}

bool TFrameAudioCDsSettings::offered() {
    return data_set_loaded() && !cd_rows(data_set()).empty();
}

} // namespace morvelin
