#include "core/foundation/environment.h"
#include "core/foundation/leak_check.h"
#include "ui/foundation/qt_services.h"
#include "platform/file_locks.h"
#include "platform/media_loader.h"
#include "platform/processes.h"
#include "platform/desktop.h"
#include "core/sound/mp3_files.h"
#include "core/sound/program_starter.h"
#include "ui/sound/sound_bar.h"
#include "app/startup.h"
#include "app/termination_signals.h"
#include "ui/display/top_forms.h"

#include <QApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace {

const char* const usage =
    "Usage: morvelin [DISC-FOLDER]\n"
    "       morvelin --help | --version\n"
    "Sarovan Bird Sounds: a field guide to the birds of South and Southeast Asia and their voices.\n"
    "The program reads its disc (PROGR_NM.TXT, the data files and Morvelin.txt) from DISC-FOLDER,\n"
    "else from the current folder or its own folder, else from the disc it used last; the media\n"
    "below the base directory stored in Morvelin.ini.\n";

bool has_display() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

std::string executable_path(const char* argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return self.string();
    return std::filesystem::absolute(argv0, ec).string();
}

int run_program(int argc, char** argv) {
    const char* disc_folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("morvelin %s\n", MORVELIN_VERSION);
            return 0;
        }
        if (argv[i][0] == '-' || disc_folder) {
            std::fprintf(stderr, "morvelin: unexpected argument \"%s\"\n%s", argv[i], usage);
            return 2;
        }
        disc_folder = argv[i];
    }
    // The disc folder becomes the current folder, where the program looks first for its texts and data.
    if (disc_folder && ::chdir(disc_folder) != 0) {
        std::fprintf(stderr, "morvelin: cannot open the disc folder \"%s\": %s\n", disc_folder,
                     std::strerror(errno));
        return 1;
    }
    if (!has_display()) {
        std::fputs("morvelin: no graphical display (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                   "Start it from a desktop session, or on a virtual screen with xvfb-run -a morvelin.\n",
                   stderr);
        return 1;
    }
    // The web engine, loaded when the first web page shows, refuses to run as root in its sandbox.
    // Shared OpenGL contexts are not asked for here: they would load the GL stack at every start; the
    // engine's module makes them when it shows its first page.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QApplication app(argc, argv);
    morvelin::QtMessagePort messages;
    morvelin::QtDialogPort dialogs;
    morvelin::install_message_port(&messages);
    morvelin::install_dialog_port(&dialogs);
    // Another running instance may write the settings file at the same moment.
    morvelin::LinuxFileLocks file_locks;
    morvelin::install_file_lock_port(&file_locks);

    // Sound: decoding with FFmpeg to the sound server, CD audio through libcdio, the default sink's
    // volume; all in the media module, which the first use of sound loads.
    morvelin::ModuleMediaPort media;
    morvelin::ModuleVolumePort volume;
    morvelin::install_media_port(&media);
    morvelin::install_volume_port(&volume);
    morvelin::ModuleSonogramPort sonograms;
    morvelin::install_sonogram_port(&sonograms);
    morvelin::install_program_starter(morvelin::start_detached_program);
    morvelin::install_trash_folder_files(morvelin::delete_folder_contents);
    // Ending the program from a dialog leaves the message loop, so that settings are still written.
    morvelin::install_program_end_handler([&app] {
        app.closeAllWindows();
        app.quit();
    });

    morvelin::Startup startup;
    startup.start(executable_path(argv[0]));
    morvelin::quit_on_termination_signals(app, [] { morvelin::top_forms().close_all_without_asking(); });
    int code = startup.run_message_loop(app);
    startup.finish();
    morvelin::install_program_end_handler({});
    morvelin::install_program_starter({});
    morvelin::install_trash_folder_files({});
    morvelin::install_media_port(nullptr);
    morvelin::install_volume_port(nullptr);
    morvelin::clear_sonogram_cache();
    morvelin::install_sonogram_port(nullptr);
    morvelin::install_message_port(nullptr);
    morvelin::install_dialog_port(nullptr);
    morvelin::install_file_lock_port(nullptr);
    return code;
}

} // namespace

// The process ends without its exit handlers once everything is saved and closed: nothing is left
// for them to do, and no library's global teardown can delay or spoil the end.
int main(int argc, char** argv) {
    const int code = run_program(argc, argv);
    std::fflush(nullptr);
    morvelin::check_leaks_before_exit();
    std::_Exit(code);
}
