#include "ui/sound/mp3_files_forms.h"

#include "core/data/records.h"
#include "core/display/display_settings.h"
#include "core/foundation/editions.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/sound/file_locations.h"
#include "core/sound/recording_tag_texts.h"
#include "ui/foundation/progress_windows.h"
#include "ui/foundation/qt_text.h"
#include "ui/windows/window_registry.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include <filesystem>

namespace morvelin {

namespace {

constexpr const char* make_all_key = "MAKE ALL MP3s";
constexpr const char* audio_cd_key = "PREPARE_FOR_AUDIO_CD";
constexpr int client_width = 477;    // the window's design width
constexpr int max_text_height = 480; // beyond it the text scrolls

// Every other top-level window disabled while the files are made, enabled again however it ends.
class OtherWindowsDisabled {
public:
    OtherWindowsDisabled() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isEnabled()) {
                w->setEnabled(false);
                disabled_.emplace_back(w);
            }
    }
    ~OtherWindowsDisabled() {
        for (const QPointer<QWidget>& w : disabled_)
            if (w) w->setEnabled(true);
    }
    OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
    OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

private:
    std::vector<QPointer<QWidget>> disabled_;
};

} // namespace

Mp3TagTexts tag_texts_of(const SoundBarTagTexts& tag_texts, const Tcupaitem& recording) {
    if (!tag_texts) return recording_tag_texts_from_data(recording);
    std::vector<std::string> list = tag_texts(recording);
    list.resize(7);
    Mp3TagTexts t;
    t.title = list[0];
    t.sound_description = list[1];
    t.genre = list[2];
    t.artist = list[3];
    t.album = list[4];
    t.publisher = list[5];
    t.comment = list[6];
    return t;
}

WindowFactory make_mp3_file_factory() {
    WindowFactory f;
    f.prepare = [](WindowRequest& request) {
        if (!request.recording) return false;
        ExistingFiles existing = ExistingFiles::ask;
        make_recording_mp3_file(*request.recording, tag_texts_of(request.tag_texts, *request.recording),
                                run_mp3_folder(), nullptr, existing, false);
        return false; // answered without a window
    };
    f.create = [](const WindowRequest&, WindowRegistry&) -> QWidget* { return nullptr; };
    return f;
}

TMakeAllMP3FilesForm::TMakeAllMP3FilesForm(const Tdata& data, const SHST_TClassShowStringsData& shown,
                                           RecordingTagTexts tag_texts, QWidget* owner, Mp3Folder& folder)
    : TForm<QDialog>(owner),
      run_(data, shown.systematic_order, shown.visible, std::move(tag_texts), texts(make_all_key, 9), folder),
      scroll_(new QScrollArea(this)), label_(new QLabel), cancel_(new QPushButton(this)) {
    set_caption_from_text(make_all_key, 0);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A long skipped list scrolls instead of pushing the window off the screen.
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidget(label_);
    scroll_->viewport()->setAutoFillBackground(false);
    cancel_->setText(qt_text(program_text(5)));
    connect(cancel_, &QPushButton::clicked, this, &TMakeAllMP3FilesForm::reject);
    timer_.setSingleShot(true);
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &TMakeAllMP3FilesForm::tick);
    update_text();
}

void TMakeAllMP3FilesForm::showEvent(QShowEvent* event) {
    TForm<QDialog>::showEvent(event);
    if (started_) return;
    started_ = true;
    run_.start();
    update_text();
    if (run_.running()) timer_.start();
}

void TMakeAllMP3FilesForm::tick() {
    run_.tick();
    update_text();
    if (run_.running()) timer_.start();
}

void TMakeAllMP3FilesForm::update_text() {
    label_->setText(qt_text(run_.text()));
    const int width = client_width - 40;
    const int height = label_->heightForWidth(width);
    const int shown = std::min(height, max_text_height);
    const int bar = height > shown ? scroll_->verticalScrollBar()->sizeHint().width() : 0;
    label_->resize(width - bar, label_->heightForWidth(width - bar));
    scroll_->setGeometry(20, 10, width, shown);
    if (height > shown) scroll_->verticalScrollBar()->setValue(scroll_->verticalScrollBar()->maximum());
    const QSize button = cancel_->sizeHint();
    cancel_->setGeometry((client_width - button.width()) / 2, 10 + shown + 30, button.width(), button.height());
    setFixedSize(client_width, cancel_->geometry().bottom() + 12);
}

void TMakeAllMP3FilesForm::reject() {
    // Escape, Cancel and the close box (QDialog's close event rejects) come here.
    if (run_.running()) {
        // The run waits while the question is open, and goes on after No.
        timer_.stop();
        if (show_message(texts(make_all_key, 3)[3], mb::question_yes_no) != id::yes) {
            timer_.start();
            return;
        }
        run_.request_stop();
        run_.tick();
        update_text();
    }
    TForm<QDialog>::reject();
}

bool prepare_for_audio_cd(const std::vector<AudioCdEntry>& entries, const NumberSet& files_instead_of_cd,
                          const RecordingTagTexts& tag_texts, QWidget* owner, DriveSource drives) {
    if (entries.empty()) return false;
    const std::vector<std::string> lines = texts(audio_cd_key, 24);
    if (std::string problem = audio_cd_entries_problem(entries, files_instead_of_cd, lines); !problem.empty()) {
        show_message(problem, mb::icon_error);
        return false;
    }
    const EnsuredFolder proposed = ensure_folder(default_data_folder("Prepared Audio CD"), lines[3]);
    if (proposed.cancelled) return false;

    SelectFolderRequest request;
    request.texts = texts("PREPARE_FOR_AUDIO_CD_SELECT_DIR_DIALOG", 11);
    bool any_cd_slice = false;
    for (const AudioCdEntry& e : entries) any_cd_slice = any_cd_slice || !e.recording->cut_part->is_sound_file;
    if (!any_cd_slice) request.texts[8].clear();
    request.existing_part = proposed.folder;
    request.needed_mb = audio_cd_needed_mb(entries);
    const std::optional<std::string> chosen = choose_folder(request, std::move(drives), owner);
    if (!chosen) return false;
    const std::string folder = *chosen;
    if (std::string problem = audio_cd_target_problem(folder, entries); !problem.empty()) {
        show_message(problem, mb::icon_error);
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        show_message((edition().language_spanish ? "Error escribiendo archivo " : "Error writing file ") +
                         message_text_from_path(folder),
                     mb::icon_error);
        return false;
    }
    if (!files_in_folder(folder).empty()) {
        if (show_message(lines[4] + " \"" + message_text_from_path(folder) + "\".\n" + lines[5],
                         mb::question_yes_no) != id::yes)
            return false;
        if (!trash_folder_files(folder) || !files_in_folder(folder).empty()) {
            show_message("Something went wrong while deleting files.", mb::icon_error);
            return false;
        }
    }

    bool completed = true;
    {
        OtherWindowsDisabled disabled;
        TShowProgressForm progress(lines[7], lines[6], program_text(5), "", 100, owner);
        const int count = static_cast<int>(entries.size());
        for (int i = 1; i <= count && completed; ++i) {
            QCoreApplication::processEvents();
            if (progress.aborted()) {
                completed = false;
                break;
            }
            progress.set_text(lines[6] + " " + std::to_string(i));
            progress.set_position(i * 100 / count);
            const AudioCdEntry& entry = entries[static_cast<std::size_t>(i - 1)];
            const std::string sound = sound_file_path(*entry.recording->cut_part);
            if (sound.empty() || !std::filesystem::is_regular_file(sound, ec)) {
                show_message("File #" + std::to_string(i) + " not found. Name is: \"" + message_text_from_path(sound) +
                                 "\".",
                             mb::icon_error);
                completed = false;
                break;
            }
            completed = export_audio_cd_entry(entry, i, folder, tag_texts);
        }
    }
    if (completed)
        show_message(lines[8] + "\n" + lines[9] + " \"" + message_text_from_path(folder) + "\" " + lines[10], 0);
    else
        show_message(lines[11], mb::icon_error);
    return completed;
}

} // namespace morvelin
