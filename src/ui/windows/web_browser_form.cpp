#include "ui/windows/web_browser_form.h"

#include "core/settings/settings_sections.h"

#include <QApplication>
#include <QDesktopServices>
#include <QVBoxLayout>

namespace morvelin {

namespace {

WebViewFactory& view_factory() {
    static WebViewFactory factory;
    return factory;
}

QPointer<TWebBrowserForm>& remembered() {
    static QPointer<TWebBrowserForm> form;
    return form;
}

} // namespace

void install_web_view_factory(WebViewFactory factory) {
    view_factory() = std::move(factory);
}

bool has_web_view_factory() {
    return static_cast<bool>(view_factory());
}

TWebBrowserForm::TWebBrowserForm() : TForm<QWidget>(nullptr, Qt::Window | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("WebBrowserForm"));
    // Without a parent it is a primary window: it would keep the program running after the main
    // window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(696, 480);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

bool TWebBrowserForm::ensure_view() {
    if (view_) return true;
    if (!view_factory()) return false;
    view_ = view_factory()(this);
    if (!view_) return false;
    view_->setParent(this);
    layout()->addWidget(view_);
    return true;
}

bool TWebBrowserForm::show_address(const QUrl& address) {
    address_ = address;
    // A page from the disc shows as its path, "#" in a folder name as it is, then its anchor.
    QString shown = address.toString();
    if (address.isLocalFile()) {
        shown = address.toLocalFile();
        if (address.hasFragment()) shown += QLatin1Char('#') + address.fragment();
    }
    setWindowTitle(QStringLiteral("URL: ") + shown);
    if (!ensure_view()) return false;
    if (isVisible()) {
        view_->setProperty("url", address_);
    } else {
        show();
    }
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    return true;
}

void TWebBrowserForm::showEvent(QShowEvent* event) {
    TForm<QWidget>::showEvent(event);
    // Shown again after it was hidden, it goes back to its address.
    if (view_ && address_.isValid()) view_->setProperty("url", address_);
}

void TWebBrowserForm::closeEvent(QCloseEvent* event) {
    // The remembered window is only hidden; any other goes.
    setAttribute(Qt::WA_DeleteOnClose, remembered() != this);
    TForm<QWidget>::closeEvent(event);
}

TWebBrowserForm* remembered_web_browser_form() {
    return remembered().data();
}

void delete_web_browser_forms() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* form = qobject_cast<TWebBrowserForm*>(w)) delete form;
}

bool open_web_address(QWidget*, const QUrl& address) {
    if (!address.isValid()) return false;
    // A mail address is for the mail program, whatever the browser.
    if (address.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0)
        return QDesktopServices::openUrl(address);
    const settings::GeneralSettings general = settings::read_general_settings();
    if (!general.use_integrated_web_browser && QDesktopServices::openUrl(address)) return true;
    // The program's own window: when the desktop has no handler too, never silently nothing.
    TWebBrowserForm* form = remembered().data();
    const bool made = !form || !general.use_only_one_web_browser_window;
    if (made) form = new TWebBrowserForm;
    if (!remembered()) remembered() = form;
    if (form->show_address(address)) return true;
    if (made) delete form;
    // No web engine: the desktop's handler is the last resort when it was not asked yet.
    return general.use_integrated_web_browser && QDesktopServices::openUrl(address);
}

} // namespace morvelin
