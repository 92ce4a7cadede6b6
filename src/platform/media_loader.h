#pragma once
// The program's media ports, taken from the media module when first used: until a sound is played,
// a drive is asked, the volume is read or a sonogram is opened, nothing of FFmpeg, libcdio, libpulse
// or FFTW is in the process
// (their loading would take most of the start-up). When the module cannot be loaded, every call
// fails as a port without a driver would (media: err_cannot_load_driver; volume: mmsyserr_nodriver)
// and the reason is shown once.

#include "core/sound/media_port.h"
#include "core/sound/sonogram.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace morvelin {

struct MediaModuleFunctions;

// The module's paths in the order they are tried: $MORVELIN_MEDIA_MODULE when set (alone), else the
// program's folder, the installed library folder relative to it, and the build tree.
std::vector<std::string> media_module_candidates();
// Loads the module once; later calls give the same answer. Null, with the reason, when it cannot be
// loaded.
const MediaModuleFunctions* load_media_module(std::string* reason = nullptr);

class ModuleMediaPort final : public MediaPort {
public:
    ModuleMediaPort() = default;
    ~ModuleMediaPort() override;
    ModuleMediaPort(const ModuleMediaPort&) = delete;
    ModuleMediaPort& operator=(const ModuleMediaPort&) = delete;

    // Whether the module's port exists yet (it is made on the first call).
    bool loaded() const { return port_ != nullptr; }

    int open(const MciOpenParameters& parameters, std::uint32_t& device_id) override;
    int set_time_format(std::uint32_t device_id, int time_format) override;
    int status(std::uint32_t device_id, int item, std::uint32_t& value, int track = 0) override;
    int seek(std::uint32_t device_id, std::uint32_t to) override;
    int play(std::uint32_t device_id, std::optional<std::uint32_t> from, std::optional<std::uint32_t> to,
             bool notify) override;
    int stop(std::uint32_t device_id) override;
    int close(std::uint32_t device_id) override;
    int break_command(std::uint32_t device_id, int virtual_key) override;
    int system_info_quantity(int device_type, std::uint32_t& quantity) override;
    int take_notification(std::uint32_t device_id) override;
    int set_playback(std::uint32_t device_id, const PlaybackOptions& options) override;
    std::optional<std::string> error_text(int code) override;
    bool play_sound_synchronously(const std::string& path) override;

private:
    MediaPort* port();
    std::once_flag made_;
    std::atomic<MediaPort*> port_{nullptr};
};

class ModuleVolumePort final : public VolumePort {
public:
    ModuleVolumePort() = default;
    ~ModuleVolumePort() override;
    ModuleVolumePort(const ModuleVolumePort&) = delete;
    ModuleVolumePort& operator=(const ModuleVolumePort&) = delete;

    int capabilities(int device, WaveOutCapabilities& caps) override;
    int get_volume(int device, std::uint16_t& left, std::uint16_t& right) override;
    int set_volume(int device, std::uint16_t left, std::uint16_t right) override;
    std::optional<std::string> error_text(int code) override;

private:
    VolumePort* port();
    std::once_flag made_;
    std::atomic<VolumePort*> port_{nullptr};
};

// The sonograms' port: opening a slice loads the module. Without the module, open fails with the
// reason in its error (the sonogram window shows it).
class ModuleSonogramPort final : public SonogramPort {
public:
    ModuleSonogramPort() = default;
    ~ModuleSonogramPort() override;
    ModuleSonogramPort(const ModuleSonogramPort&) = delete;
    ModuleSonogramPort& operator=(const ModuleSonogramPort&) = delete;

    bool loaded() const { return port_ != nullptr; }

    std::unique_ptr<SonogramSource> open(const std::string& path, std::int64_t start_ms, std::int64_t length_ms,
                                         std::string& error) override;

private:
    SonogramPort* port();
    std::once_flag made_;
    std::atomic<SonogramPort*> port_{nullptr};
};

} // namespace morvelin
