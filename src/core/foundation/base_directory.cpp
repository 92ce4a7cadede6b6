#include "core/foundation/base_directory.h"

#include "core/foundation/environment.h"
#include "core/foundation/file_search.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/foundation/utilities.h"
#include "core/settings/settings_sections.h"

#include <filesystem>

namespace morvelin {

namespace fs = std::filesystem;

namespace {

std::string dialog_caption;
std::function<void()> changed_hook;

using settings::GeneralSettings;

// The "drive" of a folder: the mount point that holds it, written like a drive letter and colon, that
// is without the trailing separator. A folder whose file system is not mounted now (the disc is not in
// its drive) is found on the root file system: it is kept, since the root would lose it.
std::string drive_of(const std::string& folder) {
    auto mount = find_mount(folder);
    return mount && mount->mount_point != "/" ? mount->mount_point : folder;
}

} // namespace

void init_base_directory() {
    dialog_caption = texts("BASEDIR", 0)[0];
    GeneralSettings general = settings::read_general_settings();
    if (general.just_installed) {
        if (!general.base_directory.empty()) general.base_directory = drive_of(general.base_directory);
        settings::write_general(&GeneralSettings::base_directory, general);
    }
    const std::string& base = general.base_directory;
    environment().base_directory = base.empty() ? "/" : ensure_trailing_separator(base);
}

std::string language_text_file_name() {
    const std::string name = settings::read_general_settings().text_file;
    return name.empty() ? program_config().text_file_name : name;
}

bool start_in_remembered_disc_folder() {
    const std::string text_file = language_text_file_name();
    if (locate_file(text_file)) return false;
    std::string base = settings::read_general_settings().base_directory;
    if (base.empty() || base.front() != '/') return false;
    if (base.back() != '/') base += '/';
    std::error_code ec;
    if (!fs::is_regular_file(base + text_file, ec)) return false;
    environment().startup_folder = base;
    return true;
}

void finalise_base_directory() {
    GeneralSettings general;
    general.just_installed = false;
    general.base_directory = environment().base_directory;
    SettingsChanges changes;
    settings::write_field(changes, GeneralSettings::section(), GeneralSettings::fields(), general,
                          &GeneralSettings::just_installed);
    settings::write_field(changes, GeneralSettings::section(), GeneralSettings::fields(), general,
                          &GeneralSettings::base_directory);
    changes.commit();
}

bool select_base_directory() {
    std::string previous = environment().base_directory;
    std::string remembered = previous;
    std::error_code ec;
    if (!std::filesystem::is_directory(remembered, ec)) remembered.clear();
    environment().base_directory.clear();

    auto chosen = dialog_port().select_folder(dialog_caption, "");
    if (!chosen || chosen->empty()) {
        // Keep the stored folder: the disc may just not be in the drive now, and an empty base directory
        // would be saved at exit and lose the user's choice.
        environment().base_directory = previous;
        return false;
    }
    environment().base_directory = ensure_trailing_separator(*chosen);
    if (environment().base_directory != remembered) {
        save_base_directory();
        if (changed_hook) changed_hook();
    }
    return true;
}

void change_base_directory(const std::string& folder) {
    environment().base_directory = ensure_trailing_separator(folder);
    save_base_directory();
    if (changed_hook) changed_hook();
}

bool base_directory_on_cdrom() {
    const std::string& base = environment().base_directory;
    return !base.empty() && base.front() == '/' && is_cdrom_path(base);
}

void save_base_directory() {
    GeneralSettings general;
    general.base_directory = environment().base_directory;
    settings::write_general(&GeneralSettings::base_directory, general);
}

void set_base_directory_changed_hook(std::function<void()> hook) {
    changed_hook = std::move(hook);
}

} // namespace morvelin
