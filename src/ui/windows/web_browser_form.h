#pragma once
// The program's own web window and the routing of every web address the program opens.
//
// TWebBrowserForm is a stay-on-top window filled by one web view. The view is made only when a window
// first shows an address, through an installable factory: the program installs one that loads the web
// engine then (so that the engine costs nothing at start), tests install one that makes a plain widget.
// The view is told where to go through its "url" property.
//
// The one remembered window has no parent: a pop-up that asked for it may close and free itself, the
// web window stays. Windows hold no pointer to their owners.

#include "ui/windows/form.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace morvelin {

// Makes the web view inside parent; null when there is no web engine to make it with.
using WebViewFactory = std::function<QWidget*(QWidget* parent)>;
void install_web_view_factory(WebViewFactory factory);
bool has_web_view_factory();

class TWebBrowserForm : public TForm<QWidget> {
    Q_OBJECT
public:
    TWebBrowserForm();

    // Stores the address, sets the caption "URL: " + address, makes the view when there is none yet,
    // goes there and shows the window in front. False when no view could be made (the window then
    // stays hidden).
    bool show_address(const QUrl& address);
    const QUrl& address() const { return address_; }
    QWidget* view() const { return view_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool ensure_view();
    QUrl address_;
    QWidget* view_ = nullptr;
};

// The window every address goes to while only one is wanted, and the first made otherwise; closing it
// only hides it.
TWebBrowserForm* remembered_web_browser_form();
// Frees every web window (at program end, and in tests).
void delete_web_browser_forms();

// Opens a web address or a local page for owner (the window it belongs to), as the settings say: with
// the integrated browser off the desktop's handler gets it, and when that fails the program's own
// window; with it on, the remembered window while only one window is wanted, else a new window each
// time. False when nothing could show it.
bool open_web_address(QWidget* owner, const QUrl& address);

} // namespace morvelin
