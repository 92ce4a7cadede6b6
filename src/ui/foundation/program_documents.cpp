#include "ui/foundation/program_documents.h"

#include "core/foundation/environment.h"
#include "core/foundation/services.h"

#include <filesystem>

namespace morvelin {

namespace fs = std::filesystem;

std::optional<std::string> program_document(const std::string& name) {
    const std::string& folder = environment().program_folder;
    if (folder.empty()) return std::nullopt;
    for (const std::string& candidate : {folder + name, folder + "../share/morvelin/" + name}) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return fs::weakly_canonical(candidate, ec).string();
    }
    return std::nullopt;
}

std::optional<QUrl> program_document_url(const std::string& name, const std::string& anchor) {
    const auto path = program_document(name);
    if (!path) {
        show_message("The file \"" + name + "\" that comes with the program was not found in " +
                         environment().program_folder + ".",
                     mb::icon_error);
        return std::nullopt;
    }
    // Paths here are the file system's own bytes (the program folder), not the program's 8-bit texts
    // that open_with_shell converts, so they go to Qt as they are.
    QUrl url = QUrl::fromLocalFile(QString::fromLocal8Bit(path->c_str()));
    if (!anchor.empty()) url.setFragment(QString::fromStdString(anchor));
    return url;
}

} // namespace morvelin
