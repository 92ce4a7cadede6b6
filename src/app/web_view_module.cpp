#include "app/web_view_module.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <cstdio>

namespace morvelin {

namespace {

using CreateView = QWidget* (*)(QWidget* parent);

CreateView load_module() {
    const QString program = QCoreApplication::applicationDirPath();
    const QString candidates[] = {program + QStringLiteral("/morvelin_web_view"),
                                  QDir::cleanPath(program + QStringLiteral("/../" MORVELIN_MODULE_DIR
                                                                           "/morvelin_web_view"))};
    QString errors;
    for (const QString& path : candidates) {
        QLibrary library(path);
        if (auto create = reinterpret_cast<CreateView>(library.resolve("morvelin_create_web_view")))
            return create; // the library stays loaded for the rest of the run
        errors += QStringLiteral("\n  ") + library.errorString();
    }
    std::fprintf(stderr, "morvelin: no web engine, web pages open in the desktop's browser:%s\n",
                 errors.toLocal8Bit().constData());
    return nullptr;
}

} // namespace

QWidget* make_web_engine_view(QWidget* parent) {
    static const CreateView create = load_module();
    return create ? create(parent) : nullptr;
}

} // namespace morvelin
