#pragma once
// The media port on Linux: sound files decoded with FFmpeg, audio CDs read with libcdio from
// optical drives and from disc images, played on the sound server through libpulse (or a null output
// that keeps real time when no server answers). The wave-audio device count is 1 when a server
// answers (or the null output was asked for) and 0 otherwise.
//
// All devices live on one worker thread with a Qt event loop; every call is carried out there and
// waited for, so callers see the plain synchronous MCI behaviour of the port. A QCoreApplication
// (or QApplication) must exist while the port is in use.
//
// CD audio devices are numbered: first the optical drives (/dev/sr0, /dev/sr1, ...), then the disc
// images, in the order given. Images come from the options or, by default, from the environment
// variable MORVELIN_CD_IMAGES: paths of CUE sheets (or other images libcdio reads) separated by ':'.

#include "core/sound/media_port.h"

#include <memory>
#include <string>
#include <vector>

class QThread;
class QObject;

namespace morvelin {

class LinuxMediaPort final : public MediaPort {
public:
    struct Options {
        std::vector<std::string> cd_drives; // device paths
        std::vector<std::string> cd_images; // image paths
        bool null_output = false;           // never use a sound device
    };
    // The system's optical drives and the images named by MORVELIN_CD_IMAGES.
    static Options default_options();

    LinuxMediaPort();
    explicit LinuxMediaPort(Options options);
    ~LinuxMediaPort() override;
    LinuxMediaPort(const LinuxMediaPort&) = delete;
    LinuxMediaPort& operator=(const LinuxMediaPort&) = delete;

    int open(const MciOpenParameters& parameters, std::uint32_t& device_id) override;
    int set_time_format(std::uint32_t device_id, int time_format) override;
    int status(std::uint32_t device_id, int item, std::uint32_t& value, int track = 0) override;
    int seek(std::uint32_t device_id, std::uint32_t to) override;
    int play(std::uint32_t device_id, std::optional<std::uint32_t> from, std::optional<std::uint32_t> to,
             bool notify) override;
    // Slowed-down, time-stretched and octave-down plays and loops (platform/media/playback_source.h).
    int set_playback(std::uint32_t device_id, const PlaybackOptions& options) override;
    int stop(std::uint32_t device_id) override;
    int close(std::uint32_t device_id) override;
    int break_command(std::uint32_t device_id, int virtual_key) override;
    int system_info_quantity(int device_type, std::uint32_t& quantity) override;
    int take_notification(std::uint32_t device_id) override;
    bool play_sound_synchronously(const std::string& path) override;

    struct Engine;

private:
    template <class F> void run(F&& work);

    std::unique_ptr<Engine> engine_;
    QThread* thread_ = nullptr;
    QObject* context_ = nullptr;
};

// Paths of the disc images named by MORVELIN_CD_IMAGES (separated by ':'), empty ones dropped.
std::vector<std::string> cd_images_from_environment();

} // namespace morvelin
