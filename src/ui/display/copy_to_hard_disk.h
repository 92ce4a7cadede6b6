#pragma once
// Options > Copy to HD: the media folders of the disc copied to a folder on the hard disk, which then
// becomes the base directory; a program that runs from such a copy refreshes it from a disc instead.
// The copy itself is core's MediaCopy (core/display/copy_to_hard_disk.h) on a worker thread behind
// TMessageWhileCopyingForm.

#include "core/display/copy_to_hard_disk.h"
#include "core/foundation/job.h"
#include "ui/windows/form.h"
#include "ui/windows/select_folder_form.h"

#include <QDialog>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace morvelin {

class TMessageWhileCopyingForm;

// The copy on a thread of its own. The window it reports to learns of each file through a queued call
// (one at a time: a file copied while the last report waits is reported with the next), and of the end
// through finished().
class TCopyFilesToHardDiskThread : public QThread {
public:
    TCopyFilesToHardDiskThread(std::string source, std::string target, TMessageWhileCopyingForm* window);

    // The abort flag and the pause gate; the window's close question holds the copy while it is open.
    JobControl& control() { return control_; }
    // After the thread has ended.
    MediaCopyResult result() const { return result_; }
    const std::string& failure() const { return failure_; }
    // Set before the copy starts: called on this thread before each file (tests act at a given file).
    void set_file_hook(std::function<void(const std::string& file)> hook) { file_hook_ = std::move(hook); }

    struct Progress {
        std::int64_t total = 0;
        std::int64_t done = 0; // files begun
        std::string file;
    };
    Progress progress() const;

protected:
    void run() override;

private:
    void report();

    std::string source_;
    std::string target_;
    TMessageWhileCopyingForm* window_;
    JobControl control_;
    std::function<void(const std::string& file)> file_hook_;
    MediaCopyResult result_ = MediaCopyResult::failed;
    std::string failure_;
    mutable std::mutex progress_mutex_;
    Progress progress_;
    std::atomic<bool> report_pending_{false};
};

// The copy window: the text, the file being copied (shortened to about four lines), a progress bar over
// the files of the media folders, and Cancel, which asks before stopping the copy. It closes itself when
// the copy has ended.
class TMessageWhileCopyingForm : public TForm<QDialog> {
public:
    explicit TMessageWhileCopyingForm(QWidget* owner = nullptr);

    // Runs the copy from source to target with this window shown modally for the application, and
    // returns when the copy's thread has ended (after Cancel too, once what was made is removed again).
    // A copy that ends before the window would show never shows it. file_hook: see the thread.
    MediaCopyResult run(const std::string& source, const std::string& target,
                        std::function<void(const std::string& file)> file_hook = {});

    // Shows the thread's latest progress; called through the queue by the thread.
    void show_progress();

    bool finished() const { return finished_; }
    bool completed() const { return completed_; }
    bool failed() const { return failed_; }
    // What failed, for the message, after a failed copy.
    const std::string& failure() const { return failure_; }

    QLabel& text_label() const { return *text_; }
    QLabel& file_label() const { return *file_; }
    QProgressBar& progress_bar() const { return *bar_; }
    QPushButton& cancel_button() const { return *button_; }

    // The file line for a path: line 11, a blank and the path, shortened until it fits the label in
    // about four lines.
    QString file_line(const std::string& path) const;

    void reject() override; // Escape: like the close box

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void copy_ended();

    std::unique_ptr<TCopyFilesToHardDiskThread> thread_;
    QLabel* text_;
    QLabel* file_;
    QProgressBar* bar_;
    QPushButton* button_;
    bool finished_ = false;
    bool completed_ = false;
    bool failed_ = false;
    std::string failure_;
};

// Where the flow learns about drives: "is a CD" and the mounted discs, and the drives the folder chooser
// offers. The defaults look at this system.
struct CopyToHardDiskSetUp {
    CdromProbe cdroms;
    DriveSource drives;
    std::function<void(const std::string& file)> file_hook; // see TCopyFilesToHardDiskThread
};

// The whole flow of Options > Copy to HD, from the questions to the closing message. True when the media
// were copied and the base directory is now the copy (saved in the settings file).
bool copy_to_hard_disk(QWidget* owner, const CopyToHardDiskSetUp& setup = {});

} // namespace morvelin
