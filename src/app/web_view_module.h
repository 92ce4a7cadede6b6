#pragma once
// The web view factory of the program: loads the web engine's module on first use, from beside the
// program (build tree) or from the installed library folder. Without the module the factory makes no
// view, and web pages go to the desktop's browser.

#include <QWidget>

namespace morvelin {

QWidget* make_web_engine_view(QWidget* parent);

} // namespace morvelin
