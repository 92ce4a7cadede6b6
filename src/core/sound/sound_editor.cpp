#include "core/sound/sound_editor.h"

#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/settings/settings_sections.h"
#include "core/sound/file_locations.h"
#include "core/sound/program_starter.h"

#include <filesystem>

namespace morvelin {

namespace {

bool is_file(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

} // namespace

std::string sound_editing_program() {
    return settings::read_general_settings().sound_editing_program;
}

bool maximize_sound_editing_program() {
    return settings::read_general_settings().maximize_sound_editing_program;
}

std::optional<std::string> choose_sound_editing_program(const std::string& title) {
    std::string folder = std::filesystem::path(sound_editing_program()).parent_path().string();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error))
        folder.clear();
    else if (folder.back() != '/')
        folder += '/';
    std::optional<std::string> chosen = dialog_port().open_file(title, folder, {{"Programs", "*"}});
    if (!chosen || chosen->empty()) return std::nullopt;
    settings::GeneralSettings general;
    general.sound_editing_program = *chosen;
    settings::write_general(&settings::GeneralSettings::sound_editing_program, general);
    return chosen;
}

bool open_in_sound_editing_program(const Tcutpart& cut_part) {
    // The pick is used directly: a settings file that cannot be written (on a CD-ROM) must not make
    // the question come back for ever.
    std::string program = sound_editing_program();
    while (!is_file(program)) {
        std::optional<std::string> chosen = choose_sound_editing_program("");
        if (!chosen) return false;
        program = *chosen;
    }
    const std::string file = sound_file_path(cut_part);
    if (file.empty()) return false;
    // The file goes to the program as one argument of its own, so no quoting can split it.
    if (start_program({program, file}, maximize_sound_editing_program())) return true;
    show_message_with_caption(
        "Either the sound editing program is not present, or its file name is incorrect.\n"
        "If you are looking for a good program: Adobe's Audition is excellent.\n"
        "If the file name is incorrect: please correct it in the Options dialog.",
        "Error when executing program", mb::icon_warning);
    return false;
}

} // namespace morvelin
