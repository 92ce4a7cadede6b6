#pragma once
// The message and dialog ports for the desktop: Qt message boxes and dialogs, owned by the active
// window. Texts arrive in Windows-1252 and are shown as Unicode. Any thread may call them: a call
// from a worker is carried out on the user-interface thread while the worker waits for the answer.

#include "core/foundation/services.h"

#include <QString>

class QWidget;

namespace morvelin {

class QtMessagePort final : public MessagePort {
public:
    int show(const std::string& text, const std::string& caption, int flags) override;
};

class QtDialogPort final : public DialogPort {
public:
    std::optional<std::string> select_folder(const std::string& caption, const std::string& start) override;
    std::optional<std::string> open_file(const std::string& caption, const std::string& folder,
                                         const std::vector<FileFilter>& filters) override;
    std::optional<std::string> save_file(const std::string& caption, const std::string& folder,
                                         const std::string& file_name,
                                         const std::vector<FileFilter>& filters) override;
    std::optional<std::string> input_box(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<std::uint32_t> choose_colour(std::uint32_t initial) override;
};

} // namespace morvelin
