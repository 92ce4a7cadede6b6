#pragma once
// Media control port: an MCI-like device interface for playing sound files and audio CDs, and the
// waveform output volume. Core players speak to it with the MCI numbers they store and compare
// (device types, time formats, status items, modes, error numbers); the desktop program installs
// the Linux implementation (platform/media), tests install a scripted one.
//
// Every call returns at once (nothing waits for the sound) except play_sound_synchronously. Calls
// come from one thread, the user-interface thread. Errors are MCI error numbers (0 = success).

#include <cstdint>
#include <optional>
#include <string>

namespace morvelin {

namespace mci {

// Device types for open (MCI_OPEN_TYPE_ID). automatic lets the port pick the device by the file.
constexpr int devtype_automatic = 0;
constexpr int devtype_cd_audio = 516;
constexpr int devtype_waveform_audio = 522;
// The device type of the CD audio device with 0-based ordinal n (low word type, high word ordinal).
constexpr int cd_audio_device(int ordinal) {
    return devtype_cd_audio + ordinal * 65536;
}

// Time formats (MCI_SET_TIME_FORMAT).
constexpr int format_milliseconds = 0;
constexpr int format_msf = 2;
constexpr int format_tmsf = 10;

// Status items. Boolean items give 1 (true) or 0 (false).
constexpr int status_length = 1;
constexpr int status_position = 2;
constexpr int status_number_of_tracks = 3;
constexpr int status_mode = 4;
constexpr int status_media_present = 5;
constexpr int status_time_format = 6;
constexpr int status_ready = 7;
constexpr int status_current_track = 8;
constexpr int cdaudio_status_type_track = 16385; // needs a track: audio or other

constexpr int cdaudio_track_audio = 1088;
constexpr int cdaudio_track_other = 1089;

// Modes (status_mode).
constexpr int mode_not_ready = 524;
constexpr int mode_stop = 525;
constexpr int mode_play = 526;
constexpr int mode_seek = 528;
constexpr int mode_pause = 529;
constexpr int mode_open = 530; // CD drive: no disc or tray open

// Notification codes (take_notification).
constexpr int notify_successful = 1;
constexpr int notify_superseded = 2;
constexpr int notify_aborted = 4;
constexpr int notify_failure = 8;

// The virtual key of the break command's usual key (Escape).
constexpr int vk_escape = 27;

// Error numbers: the MCI values.
constexpr int no_error = 0;
constexpr int err_invalid_device_id = 257;
constexpr int err_unrecognized_command = 261;
constexpr int err_hardware = 262;
constexpr int err_invalid_device_name = 263;
constexpr int err_out_of_memory = 264;
constexpr int err_cannot_load_driver = 266;
constexpr int err_driver_internal = 272;
constexpr int err_missing_parameter = 273;
constexpr int err_unsupported_function = 274;
constexpr int err_file_not_found = 275;
constexpr int err_device_not_ready = 276;
constexpr int err_internal = 277;
constexpr int err_driver = 278;
constexpr int err_extension_not_found = 281;
constexpr int err_outofrange = 282;
constexpr int err_flags_not_compatible = 284;
constexpr int err_device_type_required = 287;
constexpr int err_must_use_shareable = 291;
constexpr int err_bad_time_format = 293;
constexpr int err_invalid_file = 296;
constexpr int err_no_element_allowed = 301;
constexpr int err_nonapplicable_function = 302;
constexpr int err_filename_required = 304;
constexpr int err_device_not_installed = 306;
constexpr int err_wave_outputsinuse = 320;
constexpr int err_wave_outputsunsuitable = 326;
constexpr int err_file_read = 348;

// The system's English text for an MCI error number; no value for numbers that have none
// (the caller then writes its "Unknown Error" form). Every text is shorter than 128 characters.
std::optional<std::string> error_text(int code);

// Packed positions in the MSF and TMSF time formats: one byte each, lowest byte first
// (MSF: minutes, seconds, frames; TMSF: track, minutes, seconds, frames). 75 frames a second.
constexpr std::uint32_t make_msf(int minutes, int seconds, int frames) {
    return std::uint32_t(minutes & 0xFF) | std::uint32_t(seconds & 0xFF) << 8 |
           std::uint32_t(frames & 0xFF) << 16;
}
constexpr int msf_minute(std::uint32_t msf) {
    return int(msf & 0xFF);
}
constexpr int msf_second(std::uint32_t msf) {
    return int(msf >> 8 & 0xFF);
}
constexpr int msf_frame(std::uint32_t msf) {
    return int(msf >> 16 & 0xFF);
}
constexpr std::uint32_t make_tmsf(int track, int minutes, int seconds, int frames) {
    return std::uint32_t(track & 0xFF) | std::uint32_t(minutes & 0xFF) << 8 |
           std::uint32_t(seconds & 0xFF) << 16 | std::uint32_t(frames & 0xFF) << 24;
}
constexpr int tmsf_track(std::uint32_t tmsf) {
    return int(tmsf & 0xFF);
}
constexpr int tmsf_minute(std::uint32_t tmsf) {
    return int(tmsf >> 8 & 0xFF);
}
constexpr int tmsf_second(std::uint32_t tmsf) {
    return int(tmsf >> 16 & 0xFF);
}
constexpr int tmsf_frame(std::uint32_t tmsf) {
    return int(tmsf >> 24 & 0xFF);
}

// Waveform output (volume) results: the MMSYSERR values.
constexpr int mmsyserr_noerror = 0;
constexpr int mmsyserr_error = 1;
constexpr int mmsyserr_baddeviceid = 2;
constexpr int mmsyserr_nodriver = 6;
constexpr int mmsyserr_notsupported = 8;
// The text of an MMSYSERR value; no value for unknown numbers.
std::optional<std::string> wave_error_text(int code);

// The wave mapper: "whatever output the system uses".
constexpr int wave_mapper = 65535;

} // namespace mci

// How a device plays: at tape speed (the pitch drops with the speed, as a slowed tape), time-stretched
// (slower, the pitch kept), or an octave down at the normal speed. Positions stay in recording time.
enum class PlaybackMode { normal, tape_half, tape_quarter, tape_eighth, stretch_half, stretch_quarter, octave_down };
inline constexpr PlaybackMode all_playback_modes[] = {
    PlaybackMode::normal,       PlaybackMode::tape_half,       PlaybackMode::tape_quarter, PlaybackMode::tape_eighth,
    PlaybackMode::stretch_half, PlaybackMode::stretch_quarter, PlaybackMode::octave_down};
// Recording time per heard time: 1 for normal and octave down, 1/2, 1/4, 1/8 for the slow modes.
double playback_speed(PlaybackMode mode);
// The factor of every heard frequency: the speed at tape speed, 1/2 an octave down, 1 otherwise.
double playback_pitch(PlaybackMode mode);

// What the next play of a device does besides playing. A loop (both ends given, from before to, in
// the device's time format) plays [loop_from, loop_to) over and over until stopped: a play that
// starts inside it runs to loop_to first, any other play starts at loop_from.
struct PlaybackOptions {
    PlaybackMode mode = PlaybackMode::normal;
    std::optional<std::uint32_t> loop_from;
    std::optional<std::uint32_t> loop_to;
};

struct MciOpenParameters {
    int device_type = mci::devtype_automatic; // mci::devtype_... or mci::cd_audio_device(n)
    // The file to play (native path) for waveform and automatic devices; for a CD audio device no
    // element is given (the ordinal in device_type chooses the drive).
    std::optional<std::string> element;
    bool shareable = false; // several opens of one CD drive at once; a waveform device is per file
};

// Device semantics, as the players rely on them:
// - Waveform audio (devtype_waveform_audio) plays RIFF WAVE files (PCM, or MPEG Layer III inside);
//   other files are refused with err_invalid_file. Automatic plays any sound file the system can
//   decode (WAV, MP3, WMA). A missing file is err_file_not_found, a damaged or unknown one
//   err_invalid_file; a file whose container is sound but whose coding no decoder handles is
//   err_wave_outputsunsuitable. File devices know milliseconds only (err_bad_time_format otherwise).
// - CD audio: milliseconds, MSF and TMSF. MSF positions are disc times (track 1 begins at 00:02:00,
//   after the two-second lead-in); TMSF positions are relative to the start of their track.
//   status_position with a track gives the track's start, status_length with a track its length
//   (both in MSF when the format is TMSF); without a track the current position and the disc length.
// - A new device is stopped at position 0 (CD: the start of track 1) in milliseconds.
// - play from/to: a missing from plays from the current position, a missing to to the end; a from
//   after the to, or a position past the end, is err_outofrange. At the end the device stops with
//   the position at the to; a play with notify then leaves notify_successful; a stop, seek, close or
//   another play first leaves notify_aborted (notify_superseded for another play).
// - seek stops a playing device and moves the position; stop keeps the position.
// - Positions follow the sound that has actually been heard, not what was decoded ahead.
class MediaPort {
public:
    virtual ~MediaPort() = default;

    // Opens a device; on success device_id is set (never 0) and the device is stopped at 0.
    virtual int open(const MciOpenParameters& parameters, std::uint32_t& device_id) = 0;
    virtual int set_time_format(std::uint32_t device_id, int time_format) = 0;
    // track 0: the item for the whole device; otherwise the item of that track (CD audio).
    virtual int status(std::uint32_t device_id, int item, std::uint32_t& value, int track = 0) = 0;
    virtual int seek(std::uint32_t device_id, std::uint32_t to) = 0;
    virtual int play(std::uint32_t device_id, std::optional<std::uint32_t> from,
                     std::optional<std::uint32_t> to, bool notify) = 0;
    virtual int stop(std::uint32_t device_id) = 0;
    virtual int close(std::uint32_t device_id) = 0;
    // Sets the key that would interrupt a waiting command; since no command of this port waits, it
    // only checks the device (0 for an open device). Players have no use for it.
    virtual int break_command(std::uint32_t device_id, int virtual_key) = 0;
    // The number of devices of a type (system information, quantity): for devtype_cd_audio the CD
    // audio devices (drives and configured disc images), for waveform audio the sound outputs.
    virtual int system_info_quantity(int device_type, std::uint32_t& quantity) = 0;

    // The notification left by the last play with notify that has ended (mci::notify_...), or 0.
    // Reading it clears it. Meant to be polled by the timer of the owner.
    virtual int take_notification(std::uint32_t device_id) = 0;

    // How the device's following plays sound (a play under way goes on as it began). Ports that play
    // only at the normal speed answer err_unsupported_function to anything else.
    virtual int set_playback(std::uint32_t device_id, const PlaybackOptions& options) {
        (void)device_id;
        return options.mode == PlaybackMode::normal && !options.loop_from && !options.loop_to
                   ? mci::no_error
                   : mci::err_unsupported_function;
    }

    // The system's text for an error number (mci::error_text unless a port knows better).
    virtual std::optional<std::string> error_text(int code) { return mci::error_text(code); }

    // Plays a sound file from start to end and returns when it has been heard (spoken species names;
    // the caller's thread is blocked meanwhile). False when the file cannot be played; a sound that
    // does not end within its length plus a few seconds is cut off.
    virtual bool play_sound_synchronously(const std::string& path) = 0;
};

// Capabilities of a waveform output device.
struct WaveOutCapabilities {
    int channels = 0;             // 1 mono, 2 stereo
    bool supports_volume = false; // volume can be read and set
    bool supports_lr_volume = false;
    std::string name;
};

// The output volume of the system's default output (the waveOut volume). Halves are 0..65535, 65535
// the full volume; a mono device has its volume in left.
class VolumePort {
public:
    virtual ~VolumePort() = default;
    virtual int capabilities(int device, WaveOutCapabilities& caps) = 0; // device 0 or mci::wave_mapper
    virtual int get_volume(int device, std::uint16_t& left, std::uint16_t& right) = 0;
    virtual int set_volume(int device, std::uint16_t left, std::uint16_t right) = 0;
    virtual std::optional<std::string> error_text(int code) { return mci::wave_error_text(code); }
};

// Installs the ports; the pointers are not owned and must outlive their use. Passing nullptr restores
// the built-in fallback: a media port without devices (opens fail with err_device_not_installed,
// nothing plays) and a volume port without an output (mmsyserr_nodriver).
void install_media_port(MediaPort* port);
void install_volume_port(VolumePort* port);
MediaPort& media_port();
VolumePort& volume_port();

} // namespace morvelin
