#pragma once
// Making MP3 files from recordings: the run's MP3 folder, one recording, every visible recording of
// a window (the make-all run, advanced one recording per tick by its window) and the numbered files
// of a play list for an audio CD. Questions and messages go through the message port; the files are
// made by ExportRecordingToMP3.

#include "core/foundation/settings_file.h"
#include "core/sound/mp3_export.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace morvelin {

struct Tcupaitem;
struct Tcutpart;
class Tdata;
class TClassVisibleSpeciesAndRecordings;

using RecordingTagTexts = std::function<Mp3TagTexts(const Tcupaitem& recording)>;

// The export request of a recording whose sound file is sound_file: its slice when it is part of a
// file, repeat 1, the species' number in the Clements order. Texts and output are the caller's.
Mp3ExportRequest recording_export_request(const Tcupaitem& recording, const std::string& sound_file);

// The recording's sound file when it exists and holds MPEG Layer III data; empty otherwise. A file
// that does not exist is never opened, so it gives no read-error message.
std::string mp3_capable_sound_file(const Tcutpart& cut_part);

// The 1-based place of the recording in its species' chain of items (hidden items count).
int recording_number(const Tcupaitem& recording);

// The folder MP3 files go to, one for the program run: chosen on first use (the default data folder's
// "MP3/<English title> 3"), afterwards the same folder, made sure of again each time.
class Mp3Folder {
public:
    // first_proposal: the folder proposed on first use; empty for the default data folder's.
    explicit Mp3Folder(std::string first_proposal = {}) : first_proposal_(std::move(first_proposal)) {}
    // The folder with a trailing '/', or no value when the user cancelled the ensure-folder question.
    std::optional<std::string> ensure();
    const std::string& folder() const { return folder_; }
    void forget() { folder_.clear(); } // tests

private:
    std::string first_proposal_;
    std::string folder_;
};
Mp3Folder& run_mp3_folder();

// Names of the files made in one run: "<title> #<n>.mp3"; a name made before in the run gets the
// species' name added ("<title> (<species>) #<n>.mp3"), and a name still taken a number after it, so
// no file of the run replaces another.
class Mp3RunNames {
public:
    std::string take(const std::string& title, const std::string& species, int number);
    bool used(const std::string& file_name) const { return used_.contains(file_name); }
    void mark(const std::string& file_name) { used_.insert(file_name); }

private:
    std::set<std::string> used_;
};

// A file of that name exists in the folder already (made before this run): whether to replace it.
// The make-all run asks once and keeps the answer; one recording asks for its file.
enum class ExistingFiles { ask, replace, keep };

struct Mp3FileResult {
    enum class Outcome { made, skipped, cancelled } outcome = Outcome::skipped;
    std::string name; // the base name "<title> #<n>" (the skipped list's entry)
    std::string file; // the file made (native path)
};

// One recording: the title from texts, the folder from the run's folder (cancelled: nothing made, no
// skipped name), skipped when not MP3-capable or the export failed. names (may be null) keeps the
// run's names unique. existing decides about a file that is there already; ask asks Yes/No and,
// with remember_answer, keeps the answer for the rest of the run.
Mp3FileResult make_recording_mp3_file(const Tcupaitem& recording, const Mp3TagTexts& texts, Mp3Folder& folder,
                                      Mp3RunNames* names, ExistingFiles& existing, bool remember_answer);

// The make-all run over the recordings a window shows: families of the order in order, their species
// that have a visible recording, each species' items whose cut part is visible. The window calls
// start() once, then tick() while running() (every 10 ms), and request_stop() when it closes.
class MakeAllMp3Files {
public:
    // lines: the 10 lines of the make-all texts. The data, selection and texts callback must outlive the run.
    MakeAllMp3Files(const Tdata& data, int order_kind, const TClassVisibleSpeciesAndRecordings& selection,
                    RecordingTagTexts tag_texts, std::vector<std::string> lines, Mp3Folder& folder);

    // The counting pass; running when there is something to make.
    void start();
    // Makes the current recording and moves on; a skipped one is listed and the stop question asked.
    void tick();
    // The close question was answered Yes (or the window goes): no further recording is made.
    void request_stop();

    bool running() const { return running_; }
    bool stop_requested() const { return stop_requested_; }
    int counter() const { return counter_; }
    int total() const { return static_cast<int>(items_.size()); }
    const std::string& status() const { return status_; }
    const std::string& skipped() const { return skipped_; }
    // What the window shows: the status, the folder line and the skipped list.
    std::string text() const;
    const std::vector<std::string>& files() const { return files_; }
    const std::vector<const Tcupaitem*>& items() const { return items_; }

private:
    void finish();

    const Tdata& data_;
    int order_kind_;
    const TClassVisibleSpeciesAndRecordings& selection_;
    RecordingTagTexts tag_texts_;
    std::vector<std::string> lines_;
    Mp3Folder& folder_;
    Mp3RunNames names_;
    ExistingFiles existing_ = ExistingFiles::ask;
    std::vector<const Tcupaitem*> items_;
    std::size_t next_ = 0;
    int counter_ = 0;
    bool running_ = false;
    bool stop_requested_ = false;
    std::string status_;
    std::string skipped_;
    std::vector<std::string> files_;
};

// ---- audio CD ----

struct AudioCdEntry {
    const Tcupaitem* recording = nullptr;
    std::string title; // the file title text (Windows-1252)
    int repeat_count = 1;
};

// Every entry has a file and is MP3-capable: empty, or the message (lines: the audio-CD texts) that
// stops the preparation.
std::string audio_cd_entries_problem(const std::vector<AudioCdEntry>& entries, const NumberSet& files_instead_of_cd,
                                     const std::vector<std::string>& lines);
// Megabytes needed: the sizes of the sound files times the repeat counts, rounded, plus 1.
std::uint64_t audio_cd_needed_mb(const std::vector<AudioCdEntry>& entries);
// A target the files may not go to: inside the base directory (the disc or its copy), or a folder
// that holds one of the entries' own sound files (they would be trashed with the folder's files).
// Empty when the target is fine.
std::string audio_cd_target_problem(const std::string& target, const std::vector<AudioCdEntry>& entries);
// The regular files directly in folder.
std::vector<std::string> files_in_folder(const std::string& folder);
// Entry i (from 1) to folder/"%.3d<title>.mp3" with the entry's repeat count. False after a message.
bool export_audio_cd_entry(const AudioCdEntry& entry, int i, const std::string& folder,
                           const RecordingTagTexts& tag_texts);

// Moving a folder's files (not its sub-folders) to the desktop's trash; the program installs the
// desktop's, tests their own. With none installed nothing is moved and the result is false.
using TrashFolderFiles = std::function<bool(const std::string& folder)>;
void install_trash_folder_files(TrashFolderFiles trash);
bool trash_folder_files(const std::string& folder);

} // namespace morvelin
