#include "ui/foundation/progress_windows.h"

#include "core/foundation/services.h"
#include "ui/foundation/qt_text.h"

#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace morvelin {

namespace {

JobWindowTexts progress_texts(const std::string& caption, const std::string& text, const std::string& button,
                              const std::string& abort_question) {
    JobWindowTexts texts;
    texts.caption = caption;
    texts.text = text;
    texts.button = button;
    texts.abort_question = abort_question;
    return texts;
}

// The wait cursor for one scope, restored however the scope ends.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

constexpr int bar_maximum = 10;
constexpr int bar_tick_ms = 100;

} // namespace

TShowProgressForm::TShowProgressForm(const std::string& caption, const std::string& text,
                                     const std::string& button, const std::string& abort_question,
                                     int maximum, QWidget* owner)
    : window_(control_, progress_texts(caption, text, button, abort_question), owner),
      maximum_(std::max(maximum, 0)) {
    window_.set_progress(0, maximum_);
    window_.show();
    QCoreApplication::processEvents();
}

void TShowProgressForm::set_text(const std::string& text) {
    window_.label().setText(qt_text(text));
    QCoreApplication::processEvents();
}

void TShowProgressForm::set_position(int position) {
    window_.set_progress(position, maximum_);
    QCoreApplication::processEvents();
}

TMessageWhileExecutingForm::TMessageWhileExecutingForm(const std::string& message, const std::string& button,
                                                       const QFont* font, QWidget* owner)
    : TForm<QDialog>(owner) {
    setWindowTitle(qt_text(message_caption()));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 8);
    layout->setSpacing(15);
    label_ = new QLabel(qt_text(message), this);
    label_->setWordWrap(true);
    label_->setFixedWidth(240);
    if (font) label_->setFont(*font);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, bar_maximum);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFixedWidth(100);
    button_ = new QPushButton(qt_text(button), this);
    button_->setFixedSize(70, 27);
    button_->setDefault(true);
    layout->addWidget(label_, 0, Qt::AlignHCenter);
    layout->addWidget(bar_, 0, Qt::AlignHCenter);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    setFixedWidth(300);
    button_->setFocus();
    connect(button_, &QPushButton::clicked, this, &TMessageWhileExecutingForm::reject);
    bar_timer_.setInterval(bar_tick_ms);
    connect(&bar_timer_, &QTimer::timeout, this, &TMessageWhileExecutingForm::advance_bar);
}

void TMessageWhileExecutingForm::reject() {
    abort_ = true;
    // Pressing again changes nothing; the window stays until the procedure has seen the flag.
    button_->setEnabled(false);
}

void TMessageWhileExecutingForm::start_bar() {
    since_start_.start();
    bar_timer_.start();
}

void TMessageWhileExecutingForm::advance_bar() {
    if (!isVisible()) return;
    bar_->setValue(static_cast<int>((since_start_.elapsed() / bar_tick_ms) % (bar_maximum + 1)));
}

bool TGlobalShowMessageWhileExecutingObject::run_while_showing_message(const BusyProcedure& procedure,
                                                                       const std::string& message,
                                                                       const std::string& button,
                                                                       const QFont* font) {
    window_.reset();
    window_ = std::make_unique<TMessageWhileExecutingForm>(message, button, font, owner_);
    TMessageWhileExecutingForm* window = window_.get();
    const std::atomic<bool>& abort = window->abort_flag();
    std::atomic<bool> ended{false};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        if (procedure) procedure(abort);
        ended = true;
    }));

    const WaitCursor wait_cursor;
    // The loop ends with the thread's end; the window opens once the loop runs unless the procedure has
    // returned by then, so a quick procedure leaves no window waiting for a close that never comes.
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(0, window, [window, &ended] {
        if (ended) return;
        window->start_bar();
        window->show();
    });
    thread->start();
    loop.exec();
    thread->wait();
    window->hide();
    return abort;
}

} // namespace morvelin
