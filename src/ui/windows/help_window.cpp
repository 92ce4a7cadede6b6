#include "ui/windows/help_window.h"

#include "core/settings/settings_sections.h"
#include "ui/foundation/program_documents.h"
#include "ui/windows/web_browser_form.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace morvelin {

THelpWindow::THelpWindow(QWidget* owner) : TForm<QDialog>(owner) {
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

void THelpWindow::show_document(const QUrl& url) {
    browser_->setSource(url.adjusted(QUrl::RemoveFragment));
    if (url.hasFragment()) browser_->scrollToAnchor(url.fragment());
    show();
    raise();
    activateWindow();
    browser_->setFocus();
}

WindowFactory help_window_factory() {
    WindowFactory factory;
    factory.prepare = [](WindowRequest& request) {
        const auto url = program_document_url(request.text.toStdString(), request.anchor.toStdString());
        if (!url) return false;
        if (request.desktop_first && QDesktopServices::openUrl(*url)) return false;
        // With the integrated browser chosen the help shows there, at its anchor.
        if (!request.desktop_first && settings::read_general_settings().use_integrated_web_browser &&
            open_web_address(request.owner, *url))
            return false;
        request.text = url->toString(QUrl::FullyEncoded);
        return true;
    };
    factory.create = [](const WindowRequest& request, WindowRegistry&) -> QWidget* {
        return new THelpWindow(request.owner);
    };
    factory.take = [](QWidget& window, const WindowRequest& request) {
        static_cast<THelpWindow&>(window).show_document(QUrl(request.text, QUrl::StrictMode));
    };
    factory.follows_owner = true;
    return factory;
}

} // namespace morvelin
