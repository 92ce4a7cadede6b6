#include "ui/foundation/job_runner.h"

#include "core/foundation/services.h"
#include "ui/foundation/qt_services.h"
#include "ui/foundation/qt_text.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>

namespace morvelin {

JobProgressWindow::JobProgressWindow(JobControl& control, const JobWindowTexts& texts, QWidget* owner)
    : TForm<QDialog>(owner), control_(control), abort_question_(texts.abort_question) {
    setWindowTitle(qt_text(texts.caption.empty() ? message_caption() : texts.caption));
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(qt_text(texts.text), this);
    label_->setWordWrap(true);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    button_ = new QPushButton(qt_text(texts.button), this);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    connect(button_, &QPushButton::clicked, this, &JobProgressWindow::request_abort);
}

void JobProgressWindow::set_progress(int done, int total) {
    bar_->setRange(0, std::max(total, 1));
    bar_->setValue(std::clamp(done, 0, std::max(total, 1)));
}

void JobProgressWindow::request_abort() {
    if (control_.aborted()) return;
    if (abort_question_.empty()) {
        control_.abort();
        return;
    }
    // No step starts while the question is open.
    control_.pause();
    if (show_message(abort_question_, mb::question_yes_no) == id::yes)
        control_.abort();
    else
        control_.resume();
}

void JobProgressWindow::reject() {
    request_abort();
}

JobResult JobRunner::run(Job& job, const JobWindowTexts& texts) {
    window_.reset();
    control_ = std::make_unique<JobControl>();
    JobControl& control = *control_;
    window_ = std::make_unique<JobProgressWindow>(control, texts, owner_);
    JobProgressWindow* window = window_.get();
    JobResult result = JobResult::aborted;
    auto report = [window](int done, int total) {
        QMetaObject::invokeMethod(
            window, [window, done, total] { window->set_progress(done, total); }, Qt::QueuedConnection);
    };
    std::atomic<bool> ended{false};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        result = run_job(job, control, report);
        ended = true;
    }));

    // The loop ends with the thread's end, which arrives after the progress the job posted. The window
    // opens once the loop runs, unless the job is over by then.
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, window, [window, &ended] {
        if (!ended) window->show();
    });
    thread->start();
    loop.exec();
    thread->wait();
    window->hide();
    return result;
}

} // namespace morvelin
