#pragma once
// The one QApplication of a ui test program, created on first use (offscreen under CTest), with the
// program's resources registered. Header-only: only the Qt test programs include it.

#include "ui/foundation/program_resources.h"

#include <QApplication>

namespace morvelin::testing {

inline QApplication& ui_application() {
    init_program_resources();
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

} // namespace morvelin::testing
