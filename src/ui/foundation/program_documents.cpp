#include "ui/foundation/program_documents.h"

#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/text_encoding.h"
#include "ui/foundation/qt_text.h"

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
                         message_text_from_path(environment().program_folder) + ".",
                     mb::icon_error);
        return std::nullopt;
    }
    QUrl url = QUrl::fromLocalFile(qt_path(*path));
    if (!anchor.empty()) url.setFragment(QString::fromStdString(anchor));
    return url;
}

} // namespace morvelin
