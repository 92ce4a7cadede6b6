#include "platform/media_loader.h"

#include "core/foundation/services.h"
#include "core/foundation/byte_files.h"
#include "platform/drives.h"
#include "platform/media_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

namespace morvelin {

namespace {

constexpr const char* module_name = "libmorvelin_media.so";

// The module links no copy of core or of the rest of platform: it takes these from the program, which
// exports its own functions. Naming them here keeps them in the program; the test media.module_symbols
// finds any the module needs and the program lacks.
[[gnu::used]] const void* const functions_for_the_module[] = {
    reinterpret_cast<const void*>(&optical_devices),
    reinterpret_cast<const void*>(&open_regular_file),
    reinterpret_cast<const void*>(&mci::error_text),
    reinterpret_cast<const void*>(&mci::wave_error_text),
    reinterpret_cast<const void*>(&sonogram_level),
    reinterpret_cast<const void*>(&sonogram_shape_for),
};

std::string program_folder() {
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

struct LoadedModule {
    const MediaModuleFunctions* functions = nullptr;
    std::string reason;
};

LoadedModule load_once() {
    LoadedModule loaded;
    std::string reasons;
    for (const std::string& path : media_module_candidates()) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error)) continue;
        // Every symbol resolved now: a module that does not fit the program is refused here, not in
        // the middle of playing.
        void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* text = ::dlerror();
            reasons += std::string(text ? text : path.c_str()) + "\n";
            continue;
        }
        using Entry = const MediaModuleFunctions* (*)();
        auto entry = reinterpret_cast<Entry>(::dlsym(handle, "morvelin_media_module"));
        const MediaModuleFunctions* functions = entry ? entry() : nullptr;
        if (!functions || functions->version != MediaModuleFunctions::current_version ||
            !functions->make_media_port || !functions->destroy_media_port || !functions->make_volume_port ||
            !functions->destroy_volume_port || !functions->make_sonogram_port || !functions->destroy_sonogram_port) {
            reasons += path + ": not a media module of this program version\n";
            ::dlclose(handle);
            continue;
        }
        // The module stays loaded until the process ends: its threads and handlers may outlive the ports.
        loaded.functions = functions;
        return loaded;
    }
    if (reasons.empty()) {
        reasons = std::string(module_name) + " was not found in:\n";
        for (const std::string& path : media_module_candidates())
            reasons += "  " + path + "\n";
    }
    loaded.reason = "The sound module could not be loaded, so no sound can be played.\n" + reasons;
    return loaded;
}

const LoadedModule& module() {
    static const LoadedModule loaded = load_once();
    return loaded;
}

// Outside the loading itself, which must not be entered again from the message's own event loop
// (a sound bar's timer may ask the port meanwhile).
void report_failure_once() {
    static std::atomic<bool> told{false};
    if (!module().functions && !told.exchange(true)) show_message(module().reason, mb::icon_error);
}

} // namespace

std::vector<std::string> media_module_candidates() {
    if (const char* chosen = std::getenv("MORVELIN_MEDIA_MODULE"); chosen && *chosen) return {chosen};
    std::vector<std::string> paths;
    const std::string folder = program_folder();
    if (!folder.empty()) {
        paths.push_back(folder + "/" + module_name);
        paths.push_back(folder + "/" + MORVELIN_MEDIA_MODULE_FROM_PROGRAM + "/" + module_name);
    }
    paths.push_back(MORVELIN_MEDIA_MODULE_IN_BUILD);
    return paths;
}

const MediaModuleFunctions* load_media_module(std::string* reason) {
    const LoadedModule& loaded = module();
    if (reason) *reason = loaded.reason;
    return loaded.functions;
}

// ---- the media port ----

ModuleMediaPort::~ModuleMediaPort() {
    if (MediaPort* port = port_.load()) load_media_module()->destroy_media_port(port);
}

MediaPort* ModuleMediaPort::port() {
    std::call_once(made_, [this] {
        if (const MediaModuleFunctions* functions = load_media_module()) port_ = functions->make_media_port();
    });
    if (!port_.load()) report_failure_once();
    return port_.load();
}

int ModuleMediaPort::open(const MciOpenParameters& parameters, std::uint32_t& device_id) {
    MediaPort* p = port();
    return p ? p->open(parameters, device_id) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::set_time_format(std::uint32_t device_id, int time_format) {
    MediaPort* p = port();
    return p ? p->set_time_format(device_id, time_format) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::status(std::uint32_t device_id, int item, std::uint32_t& value, int track) {
    MediaPort* p = port();
    return p ? p->status(device_id, item, value, track) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::seek(std::uint32_t device_id, std::uint32_t to) {
    MediaPort* p = port();
    return p ? p->seek(device_id, to) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::play(std::uint32_t device_id, std::optional<std::uint32_t> from,
                          std::optional<std::uint32_t> to, bool notify) {
    MediaPort* p = port();
    return p ? p->play(device_id, from, to, notify) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::stop(std::uint32_t device_id) {
    MediaPort* p = port();
    return p ? p->stop(device_id) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::close(std::uint32_t device_id) {
    MediaPort* p = port();
    return p ? p->close(device_id) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::break_command(std::uint32_t device_id, int virtual_key) {
    MediaPort* p = port();
    return p ? p->break_command(device_id, virtual_key) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::system_info_quantity(int device_type, std::uint32_t& quantity) {
    MediaPort* p = port();
    return p ? p->system_info_quantity(device_type, quantity) : mci::err_cannot_load_driver;
}
int ModuleMediaPort::take_notification(std::uint32_t device_id) {
    MediaPort* p = port();
    return p ? p->take_notification(device_id) : 0;
}
int ModuleMediaPort::set_playback(std::uint32_t device_id, const PlaybackOptions& options) {
    MediaPort* p = port();
    return p ? p->set_playback(device_id, options) : mci::err_cannot_load_driver;
}
std::optional<std::string> ModuleMediaPort::error_text(int code) {
    // The texts need no module: asking for one must not load it.
    MediaPort* p = port_.load();
    return p ? p->error_text(code) : mci::error_text(code);
}
bool ModuleMediaPort::play_sound_synchronously(const std::string& path) {
    MediaPort* p = port();
    return p && p->play_sound_synchronously(path);
}

// ---- the volume ----

ModuleVolumePort::~ModuleVolumePort() {
    if (VolumePort* port = port_.load()) load_media_module()->destroy_volume_port(port);
}

VolumePort* ModuleVolumePort::port() {
    std::call_once(made_, [this] {
        if (const MediaModuleFunctions* functions = load_media_module()) port_ = functions->make_volume_port();
    });
    if (!port_.load()) report_failure_once();
    return port_.load();
}

int ModuleVolumePort::capabilities(int device, WaveOutCapabilities& caps) {
    VolumePort* p = port();
    return p ? p->capabilities(device, caps) : mci::mmsyserr_nodriver;
}
int ModuleVolumePort::get_volume(int device, std::uint16_t& left, std::uint16_t& right) {
    VolumePort* p = port();
    return p ? p->get_volume(device, left, right) : mci::mmsyserr_nodriver;
}
int ModuleVolumePort::set_volume(int device, std::uint16_t left, std::uint16_t right) {
    VolumePort* p = port();
    return p ? p->set_volume(device, left, right) : mci::mmsyserr_nodriver;
}
std::optional<std::string> ModuleVolumePort::error_text(int code) {
    VolumePort* p = port_.load();
    return p ? p->error_text(code) : mci::wave_error_text(code);
}

// ---- the sonograms ----

ModuleSonogramPort::~ModuleSonogramPort() {
    if (SonogramPort* port = port_.load()) load_media_module()->destroy_sonogram_port(port);
}

SonogramPort* ModuleSonogramPort::port() {
    std::call_once(made_, [this] {
        if (const MediaModuleFunctions* functions = load_media_module()) port_ = functions->make_sonogram_port();
    });
    return port_.load();
}

std::unique_ptr<SonogramSource> ModuleSonogramPort::open(const std::string& path, std::int64_t start_ms,
                                                         std::int64_t length_ms, std::string& error) {
    if (SonogramPort* p = port()) return p->open(path, start_ms, length_ms, error);
    load_media_module(&error);
    return nullptr;
}

} // namespace morvelin
