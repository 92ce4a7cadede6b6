#pragma once
// The two smaller progress windows beside the job runner (job_runner.h):
// - TShowProgressForm, for a loop on the user-interface thread that counts its own progress;
// - TGlobalShowMessageWhileExecutingObject with TMessageWhileExecutingForm, a busy window for one
//   procedure on a worker thread whose length is not known (measuring a folder tree): a bar that runs
//   0..10 every 1.1 s, Cancel, and the wait cursor.

#include "core/foundation/job.h"
#include "ui/foundation/job_runner.h"
#include "ui/windows/form.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

class QFont;
class QLabel;
class QProgressBar;
class QPushButton;

namespace morvelin {

// A progress window for a loop on the user-interface thread. Setting the text or the position lets
// pending events through, so Cancel works while the caller's loop runs; the caller reads aborted().
// Cancel asks the abort question first when there is one (only Yes aborts).
class TShowProgressForm {
public:
    TShowProgressForm(const std::string& caption, const std::string& text, const std::string& button,
                      const std::string& abort_question, int maximum, QWidget* owner = nullptr);

    void set_text(const std::string& text);
    void set_position(int position);
    bool aborted() const { return control_.aborted(); }

    JobProgressWindow& window() { return window_; }

private:
    JobControl control_;
    JobProgressWindow window_;
    int maximum_;
};

// The busy window: the message, a bar of 0..10 and a button acting as Cancel.
class TMessageWhileExecutingForm : public TForm<QDialog> {
public:
    TMessageWhileExecutingForm(const std::string& message, const std::string& button, const QFont* font,
                               QWidget* owner);

    QLabel& label() const { return *label_; }
    QProgressBar& progress_bar() const { return *bar_; }
    QPushButton& cancel_button() const { return *button_; }
    // Set by Cancel and the close box; read by the procedure.
    const std::atomic<bool>& abort_flag() const { return abort_; }

    void reject() override; // sets the abort flag; the window closes when the procedure has returned
    void start_bar();       // the bar counts tenths of a second from now, modulo 11

private:
    void advance_bar();

    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* button_;
    QTimer bar_timer_;
    QElapsedTimer since_start_;
    std::atomic<bool> abort_{false};
};

// The procedure run behind the busy window; it checks the flag now and then and returns once it is set.
using BusyProcedure = std::function<void(const std::atomic<bool>& abort)>;

class TGlobalShowMessageWhileExecutingObject {
public:
    explicit TGlobalShowMessageWhileExecutingObject(QWidget* owner = nullptr) : owner_(owner) {}

    // Runs procedure on a worker thread while the busy window is shown modally with the wait cursor;
    // returns when the procedure has returned (also after Cancel: nothing the procedure uses is freed
    // under it), with true when the user cancelled. A procedure that is done before the window would
    // open never shows it. Messages and questions from the procedure go through the message port.
    // User-interface thread only.
    bool run_while_showing_message(const BusyProcedure& procedure, const std::string& message,
                                   const std::string& button, const QFont* font = nullptr);

    // The window of the last run, kept hidden until the next; nullptr before the first.
    TMessageWhileExecutingForm* window() const { return window_.get(); }

private:
    QWidget* owner_;
    std::unique_ptr<TMessageWhileExecutingForm> window_;
};

} // namespace morvelin
