// The web engine's view, in a library of its own that the program loads when it first shows a web
// page: the engine is large, and a program that never shows a page never loads it.

#include <QWebEngineView>
#include <QWidget>

extern "C" Q_DECL_EXPORT QWidget* morvelin_create_web_view(QWidget* parent) {
    return new QWebEngineView(parent);
}
