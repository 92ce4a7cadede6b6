#include "app/first_start.h"

#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"

#include <QEventLoop>
#include <QProcess>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include <signal.h>
#include <unistd.h>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

bool holds_text_file(const std::string& folder) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(folder) / language_text_file_name(), ec);
}

bool is_executable_file(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// The last lines of what the tool wrote, for the message when it fails.
std::string last_lines(const QByteArray& output, int count) {
    QList<QByteArray> lines = output.trimmed().split('\n');
    while (lines.size() > count) lines.removeFirst();
    return lines.join('\n').toStdString();
}

const std::string making_prefix = ".Morvelin-demo-making-";

// The work folders of programs that were killed while they made a demo disc.
void remove_abandoned_work_folders(const std::string& home) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(home, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(making_prefix, 0) != 0) continue;
        const long pid = std::strtol(name.c_str() + making_prefix.size(), nullptr, 10);
        if (pid > 0 && pid <= 0x3fffffff && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove_all(entry.path(), ignored);
        }
    }
}

// Runs "disc_tool demo" into a work folder beside folder, behind a busy window, and moves the finished
// disc to folder. On failure or Cancel the work folder goes with whatever the tool left in it; error
// holds the reason, empty after Cancel.
bool make_demo_disc(const std::string& disc_tool, const std::string& folder, std::string& error) {
    const std::string home = fs::path(folder).parent_path().string();
    remove_abandoned_work_folders(home);
    const std::string work = home + "/" + making_prefix + std::to_string(::getpid());
    const std::string partial = work + "/disc";
    std::error_code ec;
    fs::remove_all(work, ec);
    if (!fs::create_directories(work, ec)) {
        error = "The folder \"" + message_text_from_path(work) + "\" could not be made: " + ec.message();
        return false;
    }

    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    QProgressDialog busy(QString::fromStdString("Making the demo disc in \"" + message_text_from_path(folder) +
                                                "\"..."),
                         QStringLiteral("Cancel"), 0, 0);
    busy.setWindowTitle(QStringLiteral("Demo disc"));
    busy.setMinimumDuration(0);
    busy.setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(&tool, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&tool, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) loop.quit();
    });
    bool cancelled = false;
    QObject::connect(&busy, &QProgressDialog::canceled, &loop, [&] {
        cancelled = true;
        tool.kill();
    });
    tool.start(QString::fromStdString(disc_tool), {QStringLiteral("demo"), QString::fromStdString(partial)});
    busy.show();
    if (tool.state() != QProcess::NotRunning || tool.error() != QProcess::FailedToStart) loop.exec();
    tool.waitForFinished(-1);
    busy.hide();

    const bool made = !cancelled && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0 &&
                      holds_text_file(partial);
    if (made) {
        fs::rename(partial, folder, ec);
        std::error_code ignored;
        fs::remove_all(work, ignored);
        if (!ec) return true;
        error = "The demo disc could not be moved to \"" + message_text_from_path(folder) + "\": " + ec.message();
    } else if (!cancelled) {
        error = tool.error() == QProcess::FailedToStart
                    ? "The disc tool \"" + message_text_from_path(disc_tool) + "\" could not be started."
                    : "The disc tool could not make the demo disc:\n" + last_lines(tool.readAll(), 6);
    }
    fs::remove_all(work, ec);
    return false;
}

// The folder holds a disc: the program starts in it and remembers it as the disc it used last.
void use_disc_folder(const std::string& folder) {
    environment().startup_folder = ensure_trailing_separator(folder);
    settings::GeneralSettings general;
    general.base_directory = environment().startup_folder;
    settings::write_general(&settings::GeneralSettings::base_directory, general);
}

} // namespace

std::string find_disc_tool(const std::string& program_folder) {
    for (const char* relative : {"morvelin-disc", "../../tools/disc/morvelin-disc"}) {
        const std::string path = program_folder + relative;
        if (is_executable_file(path)) return fs::path(path).lexically_normal().string();
    }
    return QStandardPaths::findExecutable(QStringLiteral("morvelin-disc")).toStdString();
}

std::string demo_disc_folder(const std::string& home) {
    const std::string first = (fs::path(home) / "Morvelin-demo").string();
    for (int n = 1; n <= 99; ++n) {
        const std::string folder = n == 1 ? first : first + "-" + std::to_string(n);
        std::error_code ec;
        const bool taken = fs::exists(fs::symlink_status(folder, ec)) &&
                           !(fs::is_directory(folder, ec) && (fs::is_empty(folder, ec) || holds_text_file(folder)));
        if (!taken) return folder;
    }
    return first;
}

bool offer_a_disc_when_none_is_found(const std::string& disc_tool, const std::string& home) {
    // A folder with the edition file but no text file is a damaged disc, with a message of its own.
    const std::string name = language_text_file_name();
    if (locate_file(name) || locate_file("PROGR_NM.TXT")) return true;
    while (true) {
        const std::string demo = demo_disc_folder(home);
        const bool made_before = holds_text_file(demo);
        std::string question = "No disc was found: the text file \"" + name +
                               "\" is neither in the current folder, nor beside the program, nor in the disc "
                               "folder used last.\n\n";
        if (made_before)
            question += "Open the demo disc in \"" + message_text_from_path(demo) + "\"?\n\nYes: open the demo disc.";
        else if (!disc_tool.empty())
            question += "Make the demo disc in \"" + message_text_from_path(demo) +
                        "\" and open it? Making it takes a minute or two.\n\nYes: make the demo disc.";
        else
            question += "The demo disc cannot be made here: the disc tool morvelin-disc is not installed.\n\n"
                        "Yes: choose the folder of a disc.";
        question += "\nNo: choose the folder of a disc.\nCancel: end the program.";
        const int answer = show_message(question, mb::question_yes_no_cancel);
        if (answer == id::cancel) return false;
        if (answer == id::yes && made_before) {
            use_disc_folder(demo);
            return true;
        }
        if (answer == id::yes && !disc_tool.empty()) {
            std::string error;
            if (make_demo_disc(disc_tool, demo, error)) {
                use_disc_folder(demo);
                return true;
            }
            if (!error.empty()) show_message(error, mb::icon_error);
            continue;
        }
        const auto chosen = dialog_port().select_folder("The folder of the disc", "");
        if (!chosen || chosen->empty()) continue;
        if (holds_text_file(*chosen)) {
            use_disc_folder(*chosen);
            return true;
        }
        show_message("The folder \"" + message_text_from_path(*chosen) + "\" holds no disc: its text file \"" + name +
                         "\" is not there.",
                     mb::icon_warning);
    }
}

} // namespace morvelin
