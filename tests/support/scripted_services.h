#pragma once
// Scripted service ports: tests queue the answers a person would give and read back what was shown.
// Installing one replaces the global port until the object is destroyed.

#include "core/foundation/environment.h"
#include "core/foundation/services.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace morvelin::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    int flags = 0;
};

class ScriptedMessages final : public MessagePort {
public:
    ScriptedMessages();
    ~ScriptedMessages() override;
    ScriptedMessages(const ScriptedMessages&) = delete;
    ScriptedMessages& operator=(const ScriptedMessages&) = delete;

    // Queued answers are used in order; without one, the first button (OK or Yes) is pressed.
    void answer(int button) { answers_.push_back(button); }
    // Answers by the message once the queued answers are used up (a question asked many times).
    void respond(std::function<int(const ShownMessage& message)> responder) { responder_ = std::move(responder); }
    int show(const std::string& text, const std::string& caption, int flags) override;

    const std::vector<ShownMessage>& shown() const { return shown_; }
    bool any_contains(const std::string& part) const;
    void clear() { shown_.clear(); }

private:
    std::deque<int> answers_;
    std::function<int(const ShownMessage&)> responder_;
    std::vector<ShownMessage> shown_;
};

struct DialogCall {
    std::string kind; // "folder", "open", "save", "input", "colour"
    std::string caption;
    std::string start; // start folder, initial text or file name
};

class ScriptedDialogs final : public DialogPort {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    // Each answer is the text returned; a cancel() answer returns no value. Without answers: cancel.
    void answer(std::string text) { answers_.push_back(std::move(text)); }
    void cancel() { answers_.push_back(std::nullopt); }

    std::optional<std::string> select_folder(const std::string& caption, const std::string& start) override;
    std::optional<std::string> open_file(const std::string& caption, const std::string& folder,
                                         const std::vector<FileFilter>& filters) override;
    std::optional<std::string> save_file(const std::string& caption, const std::string& folder,
                                         const std::string& file_name,
                                         const std::vector<FileFilter>& filters) override;
    std::optional<std::string> input_box(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<std::uint32_t> choose_colour(std::uint32_t initial) override;

    const std::vector<DialogCall>& calls() const { return calls_; }

private:
    std::optional<std::string> next(DialogCall call);
    std::deque<std::optional<std::string>> answers_;
    std::vector<DialogCall> calls_;
};

// A fresh empty folder below the system's temp folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; } // ends with '/'
    std::string file(const std::string& name) const { return path_ + name; }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

private:
    std::string path_;
};

// A settings file of its own in a fresh folder, for the life of the object: the environment points at
// it (on the hard disk) and is restored afterwards.
class ScratchSettings {
public:
    ScratchSettings() : saved_(environment()) {
        environment().settings_file_path = ini();
        environment().settings_on_cdrom = false;
    }
    ~ScratchSettings() { environment() = saved_; }
    ScratchSettings(const ScratchSettings&) = delete;
    ScratchSettings& operator=(const ScratchSettings&) = delete;
    std::string ini() const { return dir_.file("Morvelin.ini"); }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    Environment saved_;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

// Removes the folders of the TempDirs that are still alive (statics at the end of a test program).
void remove_remaining_temp_dirs();

} // namespace morvelin::testing
