#pragma once
// Scripted media and volume ports for core tests: sound files and audio CDs are declared by the test,
// time passes only when the test advances the clock, and every command is logged. Installing one
// replaces the global port until the object is destroyed.

#include "core/sound/media_port.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace morvelin::testing {

struct ScriptedDisc {
    // Track lengths in CD frames (75 a second); tracks follow each other from 00:02:00 on.
    std::vector<std::uint32_t> track_frames;
    // Audio tracks; a missing entry counts as audio.
    std::vector<bool> audio;

    // A disc of tracks given in whole seconds.
    static ScriptedDisc of_seconds(const std::vector<int>& seconds);
};

class ScriptedMedia final : public MediaPort {
public:
    ScriptedMedia();
    ~ScriptedMedia() override;
    ScriptedMedia(const ScriptedMedia&) = delete;
    ScriptedMedia& operator=(const ScriptedMedia&) = delete;

    // Files that open: a RIFF WAVE file (waveform or automatic device) or another sound file
    // (automatic only). Paths not declared give err_file_not_found.
    void add_wave_file(const std::string& path, std::uint32_t length_ms);
    void add_sound_file(const std::string& path, std::uint32_t length_ms); // MP3, WMA
    // Opening this path fails with the error (for example err_invalid_file or 326).
    void add_failing_file(const std::string& path, int open_error);

    // CD audio devices (drives) and their discs; a drive without a disc has no medium.
    void set_cd_drives(int count);
    void set_sound_outputs(int count); // 1 unless set
    void insert_disc(int ordinal, const ScriptedDisc& disc);
    void eject_disc(int ordinal);

    // The next command of this name ("open", "set", "status", "seek", "play", "stop", "close",
    // "break", "sysinfo") fails with the error; several queue up.
    void fail_next(const std::string& command, int error);

    // Lets time pass: playing devices move on and stop at their end, leaving their notification.
    void advance(std::uint32_t milliseconds);

    // What happened: one line per command, e.g. "open 522 /a.wav", "set 1 2", "play 1 100 200 notify".
    const std::vector<std::string>& log() const { return log_; }
    bool logged(const std::string& line) const;
    void clear_log() { log_.clear(); }
    int open_device_count() const { return int(devices_.size()); }
    const std::vector<std::string>& played_synchronously() const { return played_synchronously_; }
    // Whether the device is playing now (false for an unknown device).
    bool is_playing(std::uint32_t device_id) const;

    int open(const MciOpenParameters& parameters, std::uint32_t& device_id) override;
    int set_time_format(std::uint32_t device_id, int time_format) override;
    int status(std::uint32_t device_id, int item, std::uint32_t& value, int track = 0) override;
    int seek(std::uint32_t device_id, std::uint32_t to) override;
    int play(std::uint32_t device_id, std::optional<std::uint32_t> from, std::optional<std::uint32_t> to,
             bool notify) override;
    // Logged ("playback <id> <mode> <loop from> <loop to>", "-" for no loop) only when not the normal
    // playback, so that the logs of tests that never choose a mode stay as they were.
    int set_playback(std::uint32_t device_id, const PlaybackOptions& options) override;
    int stop(std::uint32_t device_id) override;
    int close(std::uint32_t device_id) override;
    int break_command(std::uint32_t device_id, int virtual_key) override;
    int system_info_quantity(int device_type, std::uint32_t& quantity) override;
    int take_notification(std::uint32_t device_id) override;
    bool play_sound_synchronously(const std::string& path) override;

private:
    struct FileEntry {
        std::uint32_t length_ms = 0;
        bool wave = true;
        int open_error = 0;
    };
    struct Device {
        bool cd = false;
        int ordinal = 0;
        std::uint32_t length_ms = 0; // file devices
        int time_format = mci::format_milliseconds;
        std::uint64_t position = 0; // files: ms; CD: thousandths of a frame from the disc start
        bool playing = false;
        std::uint64_t play_to = 0;
        bool notify = false;
        int notification = 0;
    };

    int take_failure(const std::string& command);
    const ScriptedDisc* disc_of(const Device& device) const;
    std::uint64_t disc_end(const ScriptedDisc& disc) const; // in thousandths of a frame
    std::uint64_t track_start(const ScriptedDisc& disc, int track) const;
    bool to_internal(const Device& device, std::uint32_t value, std::uint64_t& internal) const;
    std::uint32_t from_internal(const Device& device, std::uint64_t internal) const;
    void end_play(Device& device, int notification);

    std::map<std::string, FileEntry> files_;
    std::map<int, ScriptedDisc> discs_;
    int cd_drives_ = 0;
    int sound_outputs_ = 1;
    std::map<std::string, std::vector<int>> failures_;
    std::map<std::uint32_t, Device> devices_;
    std::uint32_t next_id_ = 1;
    std::vector<std::string> log_;
    std::vector<std::string> played_synchronously_;
};

class ScriptedVolume final : public VolumePort {
public:
    ScriptedVolume();
    ~ScriptedVolume() override;
    ScriptedVolume(const ScriptedVolume&) = delete;
    ScriptedVolume& operator=(const ScriptedVolume&) = delete;

    WaveOutCapabilities caps{2, true, true, "Scripted output"};
    int caps_error = mci::mmsyserr_noerror;
    int get_error = mci::mmsyserr_noerror;
    int set_error = mci::mmsyserr_noerror;
    std::uint16_t left = 0xFFFF;
    std::uint16_t right = 0xFFFF;
    int set_calls = 0;
    int capabilities_calls = 0;

    int capabilities(int device, WaveOutCapabilities& out) override;
    int get_volume(int device, std::uint16_t& l, std::uint16_t& r) override;
    int set_volume(int device, std::uint16_t l, std::uint16_t r) override;
};

} // namespace morvelin::testing
