#include "ui/display/copy_to_hard_disk.h"

#include "core/foundation/base_directory.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "ui/foundation/progress_windows.h"
#include "ui/foundation/qt_text.h"

#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>
#include <limits>

namespace morvelin {

namespace {

constexpr int copy_window_width = 450;
constexpr int label_left = 20;

std::vector<std::string> copy_texts() {
    return texts("COPY_TO_HARD_DISK", 24);
}

std::string in_quotes(const std::string& path) {
    return " \"" + message_text_from_path(path) + "\" ";
}

} // namespace

TCopyFilesToHardDiskThread::TCopyFilesToHardDiskThread(std::string source, std::string target,
                                                       TMessageWhileCopyingForm* window)
    : source_(std::move(source)), target_(std::move(target)), window_(window) {}

TCopyFilesToHardDiskThread::Progress TCopyFilesToHardDiskThread::progress() const {
    std::lock_guard lock(progress_mutex_);
    return progress_;
}

void TCopyFilesToHardDiskThread::report() {
    // One report waits in the queue at most; it shows whatever is newest when it runs.
    if (report_pending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        window_,
        [this] {
            report_pending_ = false;
            window_->show_progress();
        },
        Qt::QueuedConnection);
}

void TCopyFilesToHardDiskThread::run() {
    MediaCopyProgress progress;
    progress.counted = [this](std::int64_t files) {
        {
            std::lock_guard lock(progress_mutex_);
            progress_.total = files;
        }
        report();
    };
    progress.copying = [this](const std::string& file) {
        if (file_hook_) file_hook_(file);
        {
            std::lock_guard lock(progress_mutex_);
            ++progress_.done;
            progress_.file = file;
        }
        report();
    };
    MediaCopy copy(source_, target_);
    result_ = copy.run(control_, progress);
    failure_ = copy.failure();
}

TMessageWhileCopyingForm::TMessageWhileCopyingForm(QWidget* owner) : TForm<QDialog>(owner) {
    const auto lines = copy_texts();
    setWindowTitle(qt_text(message_caption()));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    // Closing it stops the copy, never the program (it may be the only window shown then).
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(label_left, 20, label_left, 8);
    layout->setSpacing(12);
    text_ = new QLabel(qt_text(lines[10]), this);
    text_->setWordWrap(true);
    file_ = new QLabel(qt_text(lines[11]), this);
    file_->setWordWrap(true);
    file_->setTextFormat(Qt::PlainText);
    // Room for four lines, so the window does not jump as the paths change.
    file_->setMinimumHeight(file_->fontMetrics().lineSpacing() * 4);
    file_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    button_ = new QPushButton(qt_text(lines[12]), this);
    button_->setFixedSize(70, 27);
    button_->setDefault(true);
    layout->addWidget(text_);
    layout->addWidget(file_);
    layout->addWidget(bar_);
    layout->addWidget(button_, 0, Qt::AlignHCenter);
    setFixedWidth(copy_window_width);
    button_->setFocus();
    connect(button_, &QPushButton::clicked, this, &QWidget::close);
}

QString TMessageWhileCopyingForm::file_line(const std::string& path) const {
    const QFontMetrics metrics = file_->fontMetrics();
    const int room = 4 * (copy_window_width - 2 * label_left);
    const std::string line = shortened_file_line(copy_texts()[11] + " ", message_text_from_path(path),
                                                 [&](const std::string& text) {
                                                     return metrics.horizontalAdvance(qt_text(text)) <= room;
                                                 });
    return qt_text(line);
}

void TMessageWhileCopyingForm::show_progress() {
    if (!thread_ || finished_) return;
    const auto progress = thread_->progress();
    bar_->setRange(0, static_cast<int>(std::clamp<std::int64_t>(progress.total, 1, std::numeric_limits<int>::max())));
    bar_->setValue(static_cast<int>(std::clamp<std::int64_t>(progress.done, 0, bar_->maximum())));
    if (!progress.file.empty()) file_->setText(file_line(progress.file));
}

void TMessageWhileCopyingForm::copy_ended() {
    finished_ = true;
    completed_ = thread_->result() == MediaCopyResult::completed;
    failed_ = thread_->result() == MediaCopyResult::failed;
    failure_ = thread_->failure();
}

void TMessageWhileCopyingForm::closeEvent(QCloseEvent* event) {
    if (finished_ || !thread_ || thread_->control().aborted()) {
        event->accept();
        return;
    }
    // No block is copied while the question is open.
    JobControl& control = thread_->control();
    control.pause();
    const int answer = show_message("The program has not finished copying files. Are you certain you want to "
                                    "abort prematurely?",
                                    mb::question_yes_no);
    if (answer == id::yes) {
        control.abort();
        event->accept();
    } else {
        event->ignore();
    }
    control.resume();
}

void TMessageWhileCopyingForm::reject() {
    close();
}

MediaCopyResult TMessageWhileCopyingForm::run(const std::string& source, const std::string& target,
                                              std::function<void(const std::string& file)> file_hook) {
    finished_ = completed_ = failed_ = false;
    failure_.clear();
    thread_ = std::make_unique<TCopyFilesToHardDiskThread>(source, target, this);
    thread_->set_file_hook(std::move(file_hook));
    std::atomic<bool> ended{false};
    QEventLoop loop;
    QObject::connect(thread_.get(), &QThread::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    QTimer::singleShot(0, this, [this, &ended] {
        if (!ended) show();
    });
    thread_->start();
    loop.exec();
    thread_->wait();
    // A report still queued refers to this thread, which the next run replaces.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    copy_ended();
    hide();
    return thread_->result();
}

bool copy_to_hard_disk(QWidget* owner, const CopyToHardDiskSetUp& setup) {
    const auto lines = copy_texts();
    const std::string base = environment().base_directory;
    std::string source;
    std::string target;
    if (!base.empty() && setup.cdroms.is_cdrom(base)) {
        std::error_code ec;
        if (!std::filesystem::is_directory(base, ec)) {
            show_message(lines[7] + " " + message_text_from_path(base), mb::icon_error);
            return false;
        }
        std::int64_t size = 0;
        TGlobalShowMessageWhileExecutingObject busy(owner);
        const bool cancelled = busy.run_while_showing_message(
            [&](const std::atomic<bool>& abort) { size = media_size(base, &abort); }, lines[21], program_text(5));
        if (cancelled) return false;
        const auto [existing, rest] =
            split_existing_path(default_data_folder("Copies of CD- and DVD-ROMs/") + program_text(10));
        SelectFolderRequest request;
        request.texts = texts("COPY_TO_HARD_DISK_SELECT_DIR_DIALOG", 11);
        request.existing_part = existing;
        request.rest = rest;
        request.needed_mb = whole_megabytes(static_cast<std::uint64_t>(size) + 1048575); // rounded up
        const auto chosen = choose_folder(request, setup.drives, owner);
        if (!chosen) return false;
        source = base;
        target = ensure_trailing_separator(*chosen);
    } else {
        if (show_message(lines[0] + in_quotes(base) + lines[1] + "\n" + lines[2], mb::question_yes_no) != id::yes)
            return false;
        const auto drives = setup.cdroms.drives();
        const auto answer = dialog_port().input_box(lines[3], lines[4], drives.empty() ? "" : drives.front());
        if (!answer) return false;
        const std::string drive = *answer;
        std::error_code ec;
        if (drive.empty() || !std::filesystem::is_directory(drive, ec) || !setup.cdroms.is_cdrom(drive)) {
            show_message(lines[5] + " " + message_text_from_path(drive) + " " + lines[6], mb::icon_error);
            return false;
        }
        if (count_files_in_tree(drive) == 0) {
            show_message(lines[7] + " " + message_text_from_path(drive), mb::icon_error);
            return false;
        }
        source = ensure_trailing_separator(drive);
        target = base;
    }

    TMessageWhileCopyingForm window(owner);
    const MediaCopyResult result = window.run(source, target, setup.file_hook);
    switch (result) {
    case MediaCopyResult::completed:
        change_base_directory(target);
        show_message(lines[13] + in_quotes(target) + lines[14] + "\n" + lines[15], mb::icon_information);
        return true;
    case MediaCopyResult::failed: {
        std::string text = lines[16] + in_quotes(target) + lines[17] + "\n" + lines[18];
        if (!window.failure().empty()) text += "\n\n" + message_text_from_path(window.failure());
        show_message(text, mb::icon_error);
        return false;
    }
    case MediaCopyResult::aborted:
        show_message(lines[19] + "\n" + lines[20], mb::icon_error);
        return false;
    }
    return false;
}

} // namespace morvelin
