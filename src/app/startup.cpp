#include "app/startup.h"

#include "app/first_start.h"
#include "app/web_view_module.h"
#include "ui/display/child_form.h"
#include "ui/display/text_drawing.h"
#include "ui/display/top_forms.h"
#include "ui/pictures/big_picture_form.h"
#include "ui/pictures/info_forms.h"
#include "ui/pictures/localities_map_form.h"
#include "ui/pictures/map_form.h"
#include "ui/pictures/small_pictures.h"
#include "ui/display/options_form.h"
#include "ui/learning/quiz_form.h"
#include "ui/sound/play_sequence_player.h"
#include "ui/sound/play_list_form.h"
#include "ui/sound/mp3_files_forms.h"
#include "ui/sound/sound_bar.h"
#include "ui/sound/volume_control_form.h"
#include "ui/sound/comparison_form.h"
#include "ui/sound/sonogram_form.h"
#include "core/settings/settings_sections.h"
#include "core/sound/audio_cd_settings.h"
#include "core/sound/sound_bar_state.h"
#include "ui/windows/about_forms.h"
#include "ui/windows/web_browser_form.h"
#include "ui/windows/first_paint.h"
#include "ui/windows/window_registry.h"
#include "core/data/data_loader.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/editions.h"
#include "core/foundation/environment.h"
#include "core/foundation/utilities.h"
#include "ui/foundation/program_resources.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "platform/single_instance.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPointer>

namespace morvelin {

Startup::Startup() = default;

Startup::~Startup() {
    if (!finished_) finish();
}

bool Startup::start(const std::string& executable_path) {
    // Configuration constants are compiled in (program_config()).
    init_program_resources();
    init_environment(executable_path);
    if (!start_in_remembered_disc_folder() &&
        !offer_a_disc_when_none_is_found(find_disc_tool(environment().program_folder), home_folder())) {
        // Given up before anything started: nothing to finish, and the stored disc folder stays.
        terminate_ = true;
        finished_ = true;
        return false;
    }
    load_language_texts();
    determine_edition();
    QApplication::setApplicationName(QString::fromStdString(program_text(8)));
    QApplication::setApplicationVersion(QString::fromStdString(program_text(9)));

    // The data set is loaded before any window exists; a damaged disc ends the program here.
    set_load_busy_hook([](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    });
    load_data_set();
    set_load_busy_hook({});

    set_base_directory_changed_hook([this] {
        data_set().clear_small_picture_missing_marks();
        if (main_window_) main_window_->update();
    });
    init_base_directory();

    instance_lock_ = std::make_unique<SingleInstanceLock>(single_instance_mutex_name(program_text(7), program_text(9)));
    if (instance_lock_->other_instance()) {
        const auto lines = texts("OTHER_INSTANCE", 1);
        if (show_message(lines[0] + "\n" + lines[1], mb::question_yes_no) == id::no) terminate_ = true;
    }

    windows_ = std::make_unique<WindowRegistry>();
    windows_->register_window(WindowKind::map, map_window_factory());
    windows_->register_window(WindowKind::localities_map, localities_map_factory());
    windows_->register_window(WindowKind::photos, photo_window_factory());
    windows_->register_window(WindowKind::person, person_window_factory());
    windows_->register_window(WindowKind::literature, literature_window_factory());
    windows_->register_window(WindowKind::threatened_status, threatened_status_window_factory());
    windows_->register_window(WindowKind::audio_cd, audio_cd_window_factory());
    install_small_pictures();
    windows_->register_window(WindowKind::options, options_factory());
    windows_->register_window(WindowKind::quiz, quiz_window_factory());
    install_play_sequence_player();
    install_show_window_attacher([registry = QPointer<WindowRegistry>(windows_.get())](TChildForm& window) {
        if (registry) registry->attach_pane(*window.pane(), &window);
    });
    windows_->register_window(WindowKind::volume_control, volume_control_factory());
    windows_->register_window(WindowKind::play_lists, play_list_factory());
    windows_->register_window(WindowKind::make_mp3_file, make_mp3_file_factory());
    windows_->register_window(WindowKind::about, about_window_factory());
    install_introduction(show_introduction);
    install_web_view_factory(make_web_engine_view);
    windows_->register_window(WindowKind::sonogram, sonogram_factory());
    windows_->register_window(WindowKind::comparison, comparison_factory());
    SoundBarState::set_audio_cd_drive_provider(audio_cd_device_number);
    main_window_ = new TChildForm;
    main_window_->window_set_up(WindowSetUp{});
    windows_->attach(*main_window_);
    // The icon's pictures (and the image plugins and type database behind them) are not needed for
    // the first paint; every window takes the program's icon when it is set.
    after_first_paint(*main_window_, [] {
        const QString icon_name = ":/icons/" + QString::fromStdString(program_config().icon_resource);
        QIcon icon(icon_name);
        for (int size : {16, 24, 32, 48, 64, 128})
            if (QFile::exists(icon_name + "_" + QString::number(size))) icon.addFile(icon_name + "_" + QString::number(size));
        if (!icon.isNull()) QApplication::setWindowIcon(icon);
    });
    // The volume window asks the sound output for its volume, which loads the media module: it
    // opens once the main window has painted, so that start-up does not wait for the module.
    if (settings::read_general_settings().show_volume_control)
        after_first_paint(*main_window_, [this] {
            WindowRequest volume;
            volume.kind = WindowKind::volume_control;
            volume.owner = main_window_;
            windows_->open(volume);
        });
    return !terminate_;
}

int Startup::run_message_loop(QApplication& app) {
    if (terminate_ || !main_window_) return 0;
    main_window_->start_up();
    // The sound outputs are counted once the window has painted: counting loads the media module.
    after_first_paint(*main_window_, [] { check_sound_output_available(); });
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, &QApplication::quit);
    return app.exec();
}

void Startup::finish() {
    if (finished_) return;
    finished_ = true;
    const bool had_windows = main_window_ != nullptr;
    delete main_window_;
    main_window_ = nullptr;
    windows_.reset();
    delete_web_browser_forms();
    install_web_view_factory({});
    install_introduction({});
    uninstall_small_pictures();
    SoundBarState::set_audio_cd_drive_provider({});
    // Modules finalise in the reverse order of their start.
    finalise_base_directory();
    set_base_directory_changed_hook({});
    if (had_windows) TShowFonts::instance().write_text_size();
    instance_lock_.reset();
}

} // namespace morvelin
