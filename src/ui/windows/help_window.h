#pragma once
// THelpWindow: a plain browser over the program's HTML documents. Links inside them are followed in
// place, web addresses go to the desktop's browser; Escape and Close close it. One for the program, a
// child of the window that asked last (so that it never keeps the program running alone), made and
// found through the window registry.

#include "ui/windows/form.h"
#include "ui/windows/window_registry.h"

#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace morvelin {

class THelpWindow : public TForm<QDialog> {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* owner);
    // Shows the document scrolled to the address's fragment, and brings the window to the front.
    void show_document(const QUrl& url);

private:
    QTextBrowser* browser_ = nullptr;
};

// The factory of WindowKind::help: the request's text names the program document and its anchor; a
// missing document is told and opens nothing. With desktop_first the desktop's handler gets the document
// first and the window opens only when that fails.
WindowFactory help_window_factory();

} // namespace morvelin
