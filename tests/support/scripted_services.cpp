#include "scripted_services.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace morvelin::testing {

ScriptedMessages::ScriptedMessages() {
    install_message_port(this);
}
ScriptedMessages::~ScriptedMessages() {
    install_message_port(nullptr);
}

int ScriptedMessages::show(const std::string& text, const std::string& caption, int flags) {
    shown_.push_back({text, caption, flags});
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    if (responder_) return responder_(shown_.back());
    switch (flags & 15) {
    case mb::yes_no:
    case mb::yes_no_cancel:
        return id::yes;
    default:
        return id::ok;
    }
}

bool ScriptedMessages::any_contains(const std::string& part) const {
    for (const auto& m : shown_)
        if (m.text.find(part) != std::string::npos) return true;
    return false;
}

ScriptedDialogs::ScriptedDialogs() {
    install_dialog_port(this);
}
ScriptedDialogs::~ScriptedDialogs() {
    install_dialog_port(nullptr);
}

std::optional<std::string> ScriptedDialogs::next(DialogCall call) {
    calls_.push_back(std::move(call));
    if (answers_.empty()) return std::nullopt;
    auto a = answers_.front();
    answers_.pop_front();
    return a;
}

std::optional<std::string> ScriptedDialogs::select_folder(const std::string& caption,
                                                          const std::string& start) {
    return next({"folder", caption, start});
}
std::optional<std::string> ScriptedDialogs::open_file(const std::string& caption, const std::string& folder,
                                                      const std::vector<FileFilter>&) {
    return next({"open", caption, folder});
}
std::optional<std::string> ScriptedDialogs::save_file(const std::string& caption, const std::string&,
                                                      const std::string& file_name,
                                                      const std::vector<FileFilter>&) {
    return next({"save", caption, file_name});
}
std::optional<std::string> ScriptedDialogs::input_box(const std::string& caption, const std::string&,
                                                      const std::string& initial) {
    return next({"input", caption, initial});
}
std::optional<std::uint32_t> ScriptedDialogs::choose_colour(std::uint32_t initial) {
    auto a = next({"colour", "", std::to_string(initial)});
    if (!a) return std::nullopt;
    return static_cast<std::uint32_t>(std::stoul(*a));
}

namespace {

// Folders of the TempDirs alive now, so that a test program ending without its exit handlers (where
// static TempDirs would go) still removes them.
std::set<std::string>& live_temp_dirs() {
    static auto* dirs = new std::set<std::string>;
    return *dirs;
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvelin-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
    live_temp_dirs().insert(path_);
}

TempDir::~TempDir() {
    live_temp_dirs().erase(path_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void remove_remaining_temp_dirs() {
    std::error_code ec;
    for (const std::string& path : live_temp_dirs())
        std::filesystem::remove_all(path, ec);
    live_temp_dirs().clear();
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(path_ + name).parent_path());
    write_file(path_ + name, bytes);
}

std::string TempDir::read(const std::string& name) const {
    return read_file(path_ + name);
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace morvelin::testing
