#include "platform/desktop.h"


#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace morvelin {

namespace {

// Paths and addresses are native (UTF-8).
QString to_qt(const std::string& native) {
    return QString::fromStdString(native);
}

} // namespace

bool delete_folder_contents(const std::string& folder) {
    QDir dir(to_qt(folder));
    if (!dir.exists()) return false;
    // The trash lives in the user's data folder, which Qt will not create; a fresh account may lack it.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    bool all = true;
    const auto entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries)
        if (!QFile::moveToTrash(entry.absoluteFilePath())) all = false;
    return all;
}

bool open_with_shell(const std::string& document_or_address) {
    QString text = to_qt(document_or_address);
    QUrl url(text);
    // A path (even one with a colon in a name) is a document; anything with a scheme is an address.
    if (text.startsWith('/') || url.scheme().isEmpty() || url.scheme().size() == 1)
        url = QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

} // namespace morvelin
