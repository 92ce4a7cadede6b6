// The web view, in a library of its own that the program loads when it first shows a web page: the
// engine is large, and a program that never shows a page never loads it.

#include <QOpenGLContext>
#include <QWebEngineView>
#include <QWidget>

// The engine's own initialiser (exported by Qt WebEngine Core, run by Qt itself when the engine is
// linked into a program rather than loaded later): it makes the OpenGL context that the engine's
// compositor shares with Qt's windows and sets it as the application's global share context.
namespace QtWebEngineCore {
Q_DECL_IMPORT void initialize();
}

extern "C" Q_DECL_EXPORT QWidget* morvelin_create_web_view(QWidget* parent) {
    // The program does not ask for shared contexts at start (that would load the OpenGL stack before
    // the first paint); without one the engine crashes on its first page, so it is made here, once,
    // before the first view. The application frees it when it ends.
    static const bool initialised = [] {
        if (!QOpenGLContext::globalShareContext()) QtWebEngineCore::initialize();
        return QOpenGLContext::globalShareContext() != nullptr;
    }();
    if (!initialised) return nullptr;
    return new QWebEngineView(parent);
}
