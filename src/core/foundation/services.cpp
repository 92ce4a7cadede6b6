#include "core/foundation/services.h"

#include "core/foundation/text_encoding.h"

#include <cstdio>
#include <cstdlib>

namespace morvelin {

namespace {

class ConsoleDialogPort final : public DialogPort {
public:
    std::optional<std::string> select_folder(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> open_file(const std::string&, const std::string&,
                                         const std::vector<FileFilter>&) override {
        return {};
    }
    std::optional<std::string> save_file(const std::string&, const std::string&, const std::string&,
                                         const std::vector<FileFilter>&) override {
        return {};
    }
    std::optional<std::string> input_box(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::optional<std::uint32_t> choose_colour(std::uint32_t) override { return {}; }
};

ConsoleMessagePort console_messages;
ConsoleDialogPort console_dialogs;
MessagePort* current_messages = &console_messages;
DialogPort* current_dialogs = &console_dialogs;
std::string caption_text;
FatalHandler fatal_handler;

} // namespace

int ConsoleMessagePort::show(const std::string& text, const std::string& caption, int flags) {
    std::string line = cp1252_to_utf8(caption.empty() ? text : caption + ": " + text);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
    switch (flags & 15) {
    case mb::yes_no:
    case mb::yes_no_cancel:
        return id::yes;
    default:
        return id::ok;
    }
}

void install_message_port(MessagePort* port) { current_messages = port ? port : &console_messages; }
void install_dialog_port(DialogPort* port) { current_dialogs = port ? port : &console_dialogs; }
MessagePort& message_port() { return *current_messages; }
DialogPort& dialog_port() { return *current_dialogs; }

void set_message_caption(const std::string& caption) { caption_text = caption; }
const std::string& message_caption() { return caption_text; }

int show_message(const std::string& text, int flags) { return current_messages->show(text, caption_text, flags); }

int show_message_with_caption(const std::string& text, const std::string& caption, int flags) {
    return current_messages->show(text, caption, flags);
}

void set_fatal_handler(FatalHandler handler) { fatal_handler = std::move(handler); }

void fatal_error(const std::string& text) {
    if (fatal_handler) {
        fatal_handler(text);
    } else {
        show_message(text, mb::icon_error);
    }
    std::exit(1);
}

} // namespace morvelin
