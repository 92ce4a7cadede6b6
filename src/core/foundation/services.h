#pragma once
// Service ports: everything core needs from a person or the desktop goes through these, so that the
// Qt program, the command-line tools, tests and fuzzers can each install their own implementation.
// All texts are 8-bit Windows-1252, exactly as the disc and the language file store them.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace morvelin {

// Message-box flags and results keep the Windows values; stored files and callers compare with them.
namespace mb {
constexpr int ok = 0;
constexpr int ok_cancel = 1;
constexpr int yes_no_cancel = 3;
constexpr int yes_no = 4;
constexpr int icon_error = 16;
constexpr int icon_question = 32;
constexpr int icon_warning = 48;
constexpr int icon_information = 64;
constexpr int default_button2 = 256;
constexpr int question_yes_no = icon_question | yes_no;                     // 36
constexpr int question_yes_no_cancel = icon_question | yes_no_cancel;       // 35
constexpr int ok_cancel_default_cancel = ok_cancel | default_button2;       // 257
} // namespace mb

namespace id {
constexpr int ok = 1;
constexpr int cancel = 2;
constexpr int yes = 6;
constexpr int no = 7;
} // namespace id

class MessagePort {
public:
    virtual ~MessagePort() = default;
    // Shows a modal message and returns the button pressed (id::...).
    virtual int show(const std::string& text, const std::string& caption, int flags) = 0;
};

struct FileFilter {
    std::string description; // "Play lists"
    std::string pattern;     // "*.pl"
};

class DialogPort {
public:
    virtual ~DialogPort() = default;
    // Each returns no value when the user cancels. Paths are native (UTF-8 on Linux).
    virtual std::optional<std::string> select_folder(const std::string& caption, const std::string& start) = 0;
    virtual std::optional<std::string> open_file(const std::string& caption, const std::string& folder,
                                                 const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> save_file(const std::string& caption, const std::string& folder,
                                                 const std::string& file_name,
                                                 const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> input_box(const std::string& caption, const std::string& prompt,
                                                 const std::string& initial) = 0;
    // Colours are 0x00BBGGRR like the stored settings.
    virtual std::optional<std::uint32_t> choose_colour(std::uint32_t initial) = 0;
};

// Installs the ports; the pointers are not owned and must outlive their use. Passing nullptr
// restores the console implementation (stderr, first button).
void install_message_port(MessagePort* port);
void install_dialog_port(DialogPort* port);
MessagePort& message_port();
DialogPort& dialog_port();

// The caption of every message box: the product title once the edition is known.
void set_message_caption(const std::string& caption);
const std::string& message_caption();

int show_message(const std::string& text, int flags);
int show_message_with_caption(const std::string& text, const std::string& caption, int flags);

// Shows the text with the error icon and ends the process with exit code 1. A fuzzer or a tool may
// install a handler that throws FatalError instead; a handler that returns still ends the process.
struct FatalError {
    std::string message;
};
using FatalHandler = std::function<void(const std::string& text)>;
void set_fatal_handler(FatalHandler handler); // empty handler: the default
[[noreturn]] void fatal_error(const std::string& text);

// Writes messages to stderr and answers with the first button (OK or Yes).
class ConsoleMessagePort final : public MessagePort {
public:
    int show(const std::string& text, const std::string& caption, int flags) override;
};

} // namespace morvelin
