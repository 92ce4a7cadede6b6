#pragma once
// The windows over the MP3 making of core/sound/mp3_files.h: one recording from a sound bar's menu
// (the registry's make_mp3_file kind, answered without a window), the make-all window and the
// preparation of an audio CD's files from the play list.

#include "core/sound/mp3_files.h"
#include "ui/sound/sound_bar.h"
#include "ui/windows/form.h"
#include "ui/windows/select_folder_form.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;

namespace morvelin {

struct WindowFactory;
struct SHST_TClassShowStringsData;

// The sound bar's tag texts (title, sound description, genre, artist, album, publisher, comment) as
// tag texts; the texts the data give when the bar has none.
Mp3TagTexts tag_texts_of(const SoundBarTagTexts& tag_texts, const Tcupaitem& recording);

// "Make an MP3 file...": the file of the request's recording in the run's MP3 folder.
WindowFactory make_mp3_file_factory();

// File > Make ALL MP3 Files: every MP3-capable recording the main window shows, one per 10 ms tick.
class TMakeAllMP3FilesForm : public TForm<QDialog> {
public:
    TMakeAllMP3FilesForm(const Tdata& data, const SHST_TClassShowStringsData& shown, RecordingTagTexts tag_texts,
                         QWidget* owner = nullptr, Mp3Folder& folder = run_mp3_folder());

    MakeAllMp3Files& run() { return run_; }
    void reject() override; // Escape, Cancel and the close box: the close question while running
    QLabel& label() const { return *label_; }
    QPushButton& cancel_button() const { return *cancel_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void tick();
    void update_text();

    MakeAllMp3Files run_;
    QScrollArea* scroll_;
    QLabel* label_;
    QPushButton* cancel_;
    QTimer timer_;
    bool started_ = false;
};

// Prepare for audio CD: checks the entries, asks for the folder (proposing the default data folder's
// "Prepared Audio CD"), empties it into the trash after asking, and makes "%.3d<title>.mp3" for each
// entry with its repeat count, the other windows disabled meanwhile. True when every file was made.
bool prepare_for_audio_cd(const std::vector<AudioCdEntry>& entries, const NumberSet& files_instead_of_cd,
                          const RecordingTagTexts& tag_texts, QWidget* owner = nullptr, DriveSource drives = {});

} // namespace morvelin
