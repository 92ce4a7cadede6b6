#include "platform/desktop.h"

#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace morvelin {

namespace {

QString to_qt(const std::string& text) {
    return QString::fromStdString(cp1252_to_utf8(text));
}
std::string from_qt(const QString& text) {
    return utf8_to_cp1252(text.toStdString());
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

bool execute_program(const std::string& program, const std::string& command_line,
                     const ExecuteOptions& options) {
    QStringList arguments = QProcess::splitCommand(to_qt(command_line));
    QString executable = to_qt(program);
    if (executable.isEmpty() && !arguments.isEmpty()) executable = arguments.takeFirst();
    const std::string described = program.empty() ? command_line : program + " " + command_line;

    QProcess process;
    process.setProgram(executable);
    process.setArguments(arguments);
    auto start_failed = [&] {
        show_message("Could not execute \"" + described + "\".\nError code is " +
                         from_qt(process.errorString()),
                     mb::icon_error);
        return false;
    };
    if (executable.isEmpty()) return start_failed();
    if (!options.wait) {
        // Detached: the program keeps running after we end, like a program the shell started.
        if (!process.startDetached()) return start_failed();
        return true;
    }
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start();
    if (!process.waitForStarted(-1)) return start_failed();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        show_message("Something went wrong when waiting for the process \"" + command_line + "\" to return!",
                     mb::icon_error);
        return false;
    }
    return true;
}

bool open_with_shell(const std::string& document_or_address) {
    QString text = to_qt(document_or_address);
    QUrl url(text);
    // A path (even one with a colon in a name) is a document; anything with a scheme is an address.
    if (text.startsWith('/') || url.scheme().isEmpty() || url.scheme().size() == 1)
        url = QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
    return QDesktopServices::openUrl(url);
}

std::string personal_documents_folder() {
    QString path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (path.isEmpty() || !QFileInfo(path).isDir()) return {};
    std::string folder = from_qt(path);
    return folder.back() == '/' ? folder : folder + '/';
}

} // namespace morvelin
