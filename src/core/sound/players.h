#pragma once
// Players: one recording played through the media port (sound/media_port.h). A sound bar owns one
// player for its recording: a section of a sound file (TSoundFilePlayer), a whole cut-part file
// (TCutPartFilePlayer) or a section of an audio-CD track (TAudioCDTrackPlayer, audio_cd_player.h).
//
// Positions and lengths are milliseconds. Every call returns at once: nothing waits for the sound.
// A playing device stops by itself at the end of its section and stays open; the owner follows it on
// its own timer (GetPosition, GetMode) and closes the player. Failures are shown to the user at once
// (ReportError) and reported to the caller as false. User-interface thread only.

#include "core/sound/media_port.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

namespace morvelin {

// The base of all players: a media device and whether it plays.
class TMCIDevicePlayer {
public:
    TMCIDevicePlayer() = default;
    // Closes the device.
    virtual ~TMCIDevicePlayer();
    TMCIDevicePlayer(const TMCIDevicePlayer&) = delete;
    TMCIDevicePlayer& operator=(const TMCIDevicePlayer&) = delete;

    // Plays from the start of the recording (from_start) or from where the last Seek or stop left
    // it. notify: the device leaves a notification at the end (TakeNotification). A player without
    // a device reports success and plays nothing.
    virtual bool Play(bool from_start, bool notify);
    // Moves to the position within the recording. True without a device.
    virtual bool Seek(int position);
    // The position within the recording; false when it cannot be told.
    virtual bool GetPosition(int& position);
    // Closes the device; false when no device was open (the CD player: true).
    virtual bool Close();
    // The device can play now (a CD player: a disc is in the drive). False without a device.
    virtual bool IsReady();
    // Shows "<context> <code>: <system text>" (or "<context> Unknown Error <code>") with the error icon.
    virtual void ReportError(const std::string& context, int code);

    // Stops a playing device; it stays open at its position. False without a device, true when open
    // but not playing. A stop the device refuses is reported and closes the player.
    bool Stop();

    bool is_open() const { return device_id_ != 0; }
    // Set by a play command that succeeded; cleared by Stop and Close, not when the end is reached.
    bool playing_flag() const { return playing_; }
    std::uint32_t device_id() const { return device_id_; }

    // The device's mode (mci::mode_play while it plays); false without a device or when the device
    // cannot tell. No message.
    bool GetMode(int& mode);
    // The notification of the last play with notify that has ended (mci::notify_...), or 0.
    int TakeNotification();

    // A section of the recording (milliseconds from its start) that plays over and over.
    struct Loop {
        int from = 0;
        int to = 0;
    };
    // How the following plays sound; a play under way goes on as it began.
    void SetPlayback(PlaybackMode mode, std::optional<Loop> loop) {
        playback_mode_ = mode;
        loop_ = loop;
    }
    PlaybackMode playback_mode() const { return playback_mode_; }

protected:
    // Opens a device of device_type (mci::devtype_..., or mci::cd_audio_device(n)) for the file, or
    // without one when file_name is empty. A file that is missing or cannot be played (MCI 275, 296)
    // sets file_problem and shows nothing; other failures are reported unless silent. The playing
    // flag is cleared in every case. Any device open before is closed first.
    bool Open(int device_type, const std::string& file_name, bool& file_problem, bool silent, bool shareable);
    bool SetTimeFormat(int time_format, bool silent = false);
    bool Status(int item, std::uint32_t& value, bool silent, int track = 0);
    // Seeks the device to the position in its current time format.
    bool SeekDevice(std::uint32_t to);
    // Plays between the positions, each in the device's current time format, with the playback mode
    // and loop set (a port that refuses them is reported and nothing plays).
    bool PlayDevice(std::uint32_t from, std::uint32_t to, bool notify);
    // A position within the recording (ms) as the device's time format gives it to a play.
    virtual std::uint32_t DevicePosition(int position) { return std::uint32_t(std::max(position, 0)); }
    // MCI_CLOSE without anything the derived players add.
    bool CloseDevice();

    std::uint32_t device_id_ = 0;
    bool playing_ = false;
    PlaybackMode playback_mode_ = PlaybackMode::normal;
    std::optional<Loop> loop_;
};

// A section [start, end) of a sound file, for audio-CD tracks copied to files.
class TSoundFilePlayer : public TMCIDevicePlayer {
public:
    // A section may not start within this much of the end of its file.
    static constexpr int minimum_playable_ms = 700;

    ~TSoundFilePlayer() override;

    // Opens the file and selects the section that starts at start and lasts length. The file is
    // tried as waveform audio, then with the device the port picks for it; only a failure of the
    // second attempt is reported. length comes back as the
    // section's real length: shortened when the file ends before start + length. Fails with
    // file_problem set (and no message) when the file is missing, cannot be played, or ends less
    // than 700 ms after start.
    bool OpenSection(const std::string& file_name, int start, int& length, bool& file_problem);

    bool Play(bool from_start, bool notify) override;
    bool Seek(int position) override;
    bool GetPosition(int& position) override;
    // A file is always ready.
    bool IsReady() override { return true; }

    std::uint32_t DevicePosition(int position) override;

    int file_length() const { return file_length_; }
    int start() const { return start_; }
    int end() const { return end_; }
    int current() const { return current_; }
    int length() const { return end_ - start_; }

protected:
    int file_length_ = 0; // of the opened file
    int start_ = 0;       // section start in the file
    int end_ = 0;         // section end in the file
    int current_ = 0;     // where the next Play that is not from the start begins, in the file
};

// A whole file holding exactly one recording (a sound-file cut part).
class TCutPartFilePlayer : public TSoundFilePlayer {
public:
    ~TCutPartFilePlayer() override;

    // Opens the whole file; length comes back as the file's length. mp3: the file holds MPEG Layer
    // III data (compression 2..6), which changes the message for a missing decoder.
    bool OpenCutPartFile(const std::string& file_name, bool mp3, int& length, bool& file_problem);

    // For a file holding MPEG Layer III data that no output can play (MCI 326), offers to install
    // the decoder; every other failure is reported as by the base.
    void ReportError(const std::string& context, int code) override;

    bool mp3() const { return mp3_; }

private:
    bool mp3_ = false;
};

} // namespace morvelin
