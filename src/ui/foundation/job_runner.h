#pragma once
// The one way the program runs long work: a core job (core/foundation/job.h) on a worker thread while
// a progress window shows how far it is and offers Cancel. The caller waits in run() with the event
// loop running, so the windows keep drawing and the job's messages and questions (through the message
// port) are shown on the user-interface thread while the job waits for the answer.

#include "core/foundation/job.h"
#include "ui/windows/form.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace morvelin {

// Texts of the progress window, Windows-1252.
struct JobWindowTexts {
    std::string caption; // empty: the message caption
    std::string text;    // above the progress bar
    std::string button = "Cancel";
    std::string abort_question; // asked (Yes/No) before aborting; empty: Cancel aborts at once
};

// The progress window: a text, a progress bar over the job's steps and a Cancel button. Cancel (and
// closing the window) holds the job at its next step while the abort question is open, then aborts
// it or lets it go on. The window closes only when the job has ended.
class JobProgressWindow : public TForm<QDialog> {
    Q_OBJECT
public:
    JobProgressWindow(JobControl& control, const JobWindowTexts& texts, QWidget* owner);

    void set_progress(int done, int total);
    QProgressBar& progress_bar() const { return *bar_; }
    QPushButton& cancel_button() const { return *button_; }
    QLabel& label() const { return *label_; }

    // The user asked to stop: the question, if any, then abort or go on.
    void request_abort();

    void reject() override; // Escape and the close box ask like Cancel; the job's end closes

private:
    JobControl& control_;
    std::string abort_question_;
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* button_;
};

class JobRunner {
public:
    explicit JobRunner(QWidget* owner = nullptr) : owner_(owner) {}

    // Runs job on a worker thread with its progress window, modal for the application, and returns
    // when the job has ended. User-interface thread only, one run at a time. A job that ends before
    // the window would show never shows it.
    JobResult run(Job& job, const JobWindowTexts& texts);

    // The window of the last run, kept (hidden, with its control) until the next run; nullptr before
    // the first.
    JobProgressWindow* window() const { return window_.get(); }

private:
    QWidget* owner_;
    std::unique_ptr<JobControl> control_;
    std::unique_ptr<JobProgressWindow> window_;
};

} // namespace morvelin
