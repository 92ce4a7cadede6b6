#include "ui/foundation/program_documents.h"

#include "core/foundation/environment.h"
#include "core/foundation/services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

// A plain browser over the program's HTML documents: links inside them are followed in place, web
// addresses go to the desktop's browser. Escape closes it.
class HelpWindow : public QDialog {
public:
    explicit HelpWindow(QWidget* owner) : QDialog(owner) {
        setAttribute(Qt::WA_DeleteOnClose, true);
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        setModal(false);
        browser_ = new QTextBrowser(this);
        browser_->setOpenExternalLinks(true);
        browser_->setObjectName("help_browser");
        auto* buttons = new QDialogButtonBox(this);
        QPushButton* back = buttons->addButton(tr("&Back"), QDialogButtonBox::ActionRole);
        QPushButton* contents = buttons->addButton(tr("C&ontents"), QDialogButtonBox::ActionRole);
        buttons->addButton(QDialogButtonBox::Close);
        back->setEnabled(false);
        connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
        connect(contents, &QPushButton::clicked, browser_, [this] {
            browser_->setSource(browser_->source().adjusted(QUrl::RemoveFragment));
            browser_->scrollToAnchor("contents");
        });
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
        connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
            const QString title = browser_->documentTitle();
            setWindowTitle(title.isEmpty() ? QApplication::applicationName() : title);
        });
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addWidget(buttons);
        const QRect screen = QApplication::primaryScreen() ? QApplication::primaryScreen()->availableGeometry()
                                                           : QRect(0, 0, 1280, 1024);
        resize(std::min(760, screen.width() * 3 / 4), std::min(820, screen.height() * 4 / 5));
    }

    void show_document(const QUrl& url) {
        browser_->setSource(url.adjusted(QUrl::RemoveFragment));
        if (url.hasFragment()) browser_->scrollToAnchor(url.fragment());
        show();
        raise();
        activateWindow();
        browser_->setFocus();
    }

private:
    QTextBrowser* browser_ = nullptr;
};

QPointer<HelpWindow> the_help_window;

std::optional<std::string> located_or_told(const std::string& name) {
    auto path = program_document(name);
    if (!path)
        show_message("The file \"" + name + "\" that comes with the program was not found in " +
                         environment().program_folder + ".",
                     mb::icon_error);
    return path;
}

// Paths here are the file system's own bytes (the program folder), not the program's 8-bit texts
// that open_with_shell converts, so they go to Qt as they are.
QUrl document_url(const std::string& path, const std::string& anchor) {
    QUrl url = QUrl::fromLocalFile(QString::fromLocal8Bit(path.c_str()));
    if (!anchor.empty()) url.setFragment(QString::fromStdString(anchor));
    return url;
}

void show_in_help_window(const std::string& path, const std::string& anchor, QWidget* owner) {
    if (the_help_window && the_help_window->parentWidget() != owner) delete the_help_window.data();
    if (!the_help_window) the_help_window = new HelpWindow(owner);
    the_help_window->show_document(document_url(path, anchor));
}

} // namespace

std::optional<std::string> program_document(const std::string& name) {
    const std::string& folder = environment().program_folder;
    if (folder.empty()) return std::nullopt;
    for (const std::string& candidate : {folder + name, folder + "../share/morvelin/" + name}) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return fs::weakly_canonical(candidate, ec).string();
    }
    return std::nullopt;
}

bool show_program_document(const std::string& name, const std::string& anchor, QWidget* owner) {
    const auto path = located_or_told(name);
    if (!path) return false;
    show_in_help_window(*path, anchor, owner);
    return true;
}

bool open_program_document(const std::string& name, QWidget* owner) {
    const auto path = located_or_told(name);
    if (!path) return false;
    if (!QDesktopServices::openUrl(document_url(*path, {}))) show_in_help_window(*path, {}, owner);
    return true;
}

QWidget* help_window() { return the_help_window.data(); }

} // namespace morvelin
