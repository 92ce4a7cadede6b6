#include "core/sound/media_port.h"

#include <array>
#include <utility>

namespace morvelin {

namespace mci {

namespace {

// The English texts the system gives for MCI errors, so that messages read as users know them.
constexpr std::array<std::pair<int, const char*>, 32> mci_error_texts{{
    {err_invalid_device_id, "Invalid MCI device ID. Use the ID returned when opening the MCI device."},
    {err_unrecognized_command, "The driver cannot recognize the specified command."},
    {err_hardware,
     "There is a problem with your media device. Make sure it is working correctly or contact the "
     "device manufacturer."},
    {err_invalid_device_name, "The specified device is not open or is not recognized by MCI."},
    {err_out_of_memory,
     "Not enough memory available for this task. Quit one or more applications to increase "
     "available memory."},
    {err_cannot_load_driver, "There is an undetectable problem in loading the specified device driver."},
    {err_driver_internal,
     "There is a problem with the device driver. Check with the device manufacturer about "
     "obtaining a new driver."},
    {err_missing_parameter, "The specified command requires a parameter. Please supply one."},
    {err_unsupported_function, "The MCI device you are using does not support the specified command."},
    {err_file_not_found, "Cannot find the specified file. Make sure the path and filename are correct."},
    {err_device_not_ready, "The device driver is not ready."},
    {err_internal, "A problem occurred in initializing MCI. Try restarting the program."},
    {err_driver, "There is a problem with the device driver. The driver has closed. Cannot access error."},
    {err_extension_not_found, "Cannot determine the device type from the given filename extension."},
    {err_outofrange, "The specified parameter is out of range for the specified command."},
    {err_flags_not_compatible, "The specified parameters cannot be used together."},
    {err_device_type_required,
     "Cannot find the specified device. Make sure it is installed or that the device "
     "name is spelled correctly."},
    {err_must_use_shareable,
     "The device driver is already in use. To share it, use the 'shareable' parameter "
     "with each 'open' command."},
    {err_bad_time_format,
     "The specified value for the time format is invalid. Refer to the MCI documentation "
     "for valid formats."},
    {err_invalid_file, "The specified file cannot be played on the specified MCI device. The file may be "
                       "corrupt, or not in the correct format."},
    {err_no_element_allowed, "Cannot use a filename with the specified device."},
    {err_nonapplicable_function, "Cannot carry out the commands in the order specified. Correct the command "
                                 "sequence, and then try again."},
    {err_filename_required, "The filename is invalid. Make sure the filename is correct."},
    {err_device_not_installed, "The specified device is not installed on the system. Install the device and "
                               "try again."},
    {err_wave_outputsinuse,
     "All wave devices that can play files in the current format are in use. Wait until "
     "a wave device is free, and then try again."},
    {err_wave_outputsunsuitable, "No wave device that can play files in the current format is installed. Use "
                                 "the Drivers option to install the wave device."},
    {err_file_read, "Cannot read the specified file. Make sure the file is still present, or check your disk "
                    "or network connection."},
    {321, "Cannot set the current wave device for play back because it is in use. Wait until the device is "
          "free, and then try again."},
    {324, "Any compatible waveform playback device may be used."},
    {327, "The device you are trying to play to cannot recognize the current file format."},
    {346, "There is no display window."},
    {349,
     "Cannot write to the specified file. Make sure you have enough disk space or are still connected to "
     "the network."},
}};

constexpr std::array<std::pair<int, const char*>, 5> wave_error_texts{{
    {mmsyserr_noerror, "The specified command was carried out."},
    {mmsyserr_error, "Undefined external error."},
    {mmsyserr_baddeviceid, "A device ID has been used that is out of range for your system."},
    {mmsyserr_nodriver, "There is no driver installed on your system."},
    {mmsyserr_notsupported, "The function requested is not supported by this device."},
}};

template <std::size_t N>
std::optional<std::string> find_text(const std::array<std::pair<int, const char*>, N>& table, int code) {
    for (const auto& [number, text] : table)
        if (number == code) return std::string(text);
    return std::nullopt;
}

} // namespace

std::optional<std::string> error_text(int code) {
    if (code == no_error) return std::string("The specified command was carried out.");
    return find_text(mci_error_texts, code);
}

std::optional<std::string> wave_error_text(int code) {
    return find_text(wave_error_texts, code);
}

} // namespace mci

namespace {

// Without an installed port the program still runs: nothing can be opened or heard.
class NoMediaPort final : public MediaPort {
public:
    int open(const MciOpenParameters&, std::uint32_t& device_id) override {
        device_id = 0;
        return mci::err_device_not_installed;
    }
    int set_time_format(std::uint32_t, int) override { return mci::err_invalid_device_id; }
    int status(std::uint32_t, int, std::uint32_t& value, int) override {
        value = 0;
        return mci::err_invalid_device_id;
    }
    int seek(std::uint32_t, std::uint32_t) override { return mci::err_invalid_device_id; }
    int play(std::uint32_t, std::optional<std::uint32_t>, std::optional<std::uint32_t>, bool) override {
        return mci::err_invalid_device_id;
    }
    int stop(std::uint32_t) override { return mci::err_invalid_device_id; }
    int close(std::uint32_t) override { return mci::err_invalid_device_id; }
    int break_command(std::uint32_t, int) override { return mci::err_invalid_device_id; }
    int system_info_quantity(int, std::uint32_t& quantity) override {
        quantity = 0;
        return mci::no_error;
    }
    int take_notification(std::uint32_t) override { return 0; }
    bool play_sound_synchronously(const std::string&) override { return false; }
};

class NoVolumePort final : public VolumePort {
public:
    int capabilities(int, WaveOutCapabilities& caps) override {
        caps = {};
        return mci::mmsyserr_nodriver;
    }
    int get_volume(int, std::uint16_t& left, std::uint16_t& right) override {
        left = right = 0;
        return mci::mmsyserr_nodriver;
    }
    int set_volume(int, std::uint16_t, std::uint16_t) override { return mci::mmsyserr_nodriver; }
};

NoMediaPort no_media_port;
NoVolumePort no_volume_port;
MediaPort* installed_media_port = nullptr;
VolumePort* installed_volume_port = nullptr;

} // namespace

void install_media_port(MediaPort* port) {
    installed_media_port = port;
}
void install_volume_port(VolumePort* port) {
    installed_volume_port = port;
}
MediaPort& media_port() {
    return installed_media_port ? *installed_media_port : no_media_port;
}
VolumePort& volume_port() {
    return installed_volume_port ? *installed_volume_port : no_volume_port;
}

double playback_speed(PlaybackMode mode) {
    switch (mode) {
    case PlaybackMode::tape_half:
    case PlaybackMode::stretch_half:
        return 0.5;
    case PlaybackMode::tape_quarter:
    case PlaybackMode::stretch_quarter:
        return 0.25;
    case PlaybackMode::tape_eighth:
        return 0.125;
    case PlaybackMode::normal:
    case PlaybackMode::octave_down:
        break;
    }
    return 1.0;
}

double playback_pitch(PlaybackMode mode) {
    switch (mode) {
    case PlaybackMode::tape_half:
    case PlaybackMode::tape_quarter:
    case PlaybackMode::tape_eighth:
        return playback_speed(mode);
    case PlaybackMode::octave_down:
        return 0.5;
    default:
        return 1.0;
    }
}

} // namespace morvelin
