#pragma once
// Playing a section of a track of an audio CD through the media port's CD audio devices, the identity
// that tells audio CDs apart, and the description of the disc in a drive for the status bar.
// Positions are milliseconds from the start of the track. User-interface thread only.

#include "core/sound/audio_cd_key_checker.h"
#include "core/sound/players.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace morvelin {

class Tdata;
struct Tcutpart;

// CD positions: minutes, seconds and frames (75 a second) to milliseconds and back, with integer
// arithmetic; a millisecond value that is not a whole frame is rounded down to one.
int msf_to_ms(int minutes, int seconds, int frames);
std::uint32_t ms_to_tmsf(int track, int ms);

class TAudioCDTrackPlayer : public TMCIDevicePlayer {
public:
    // The identity covers at most this many tracks.
    static constexpr int identity_tracks = 25;

    ~TAudioCDTrackPlayer() override;

    // Opens CD audio device drive_number (1-based, as stored in the settings) for the cut part's
    // track and section (track, offset) and checks that the right disc is in the drive with check.
    // length (the cut part's length) comes back shortened when the track ends before the section.
    // An empty drive, a disc without audio and device errors are shown to the user. On failure the
    // player is closed. On success this player is the current audio-CD player.
    bool OpenTrack(int drive_number, int& length, CheckDiscCallback check, Tcutpart& cut_part);

    // Fails unless a disc is in the drive and passes the check again.
    bool Play(bool from_start, bool notify) override;
    bool Seek(int position) override;
    // When playing, reads the device; otherwise the position last played or sought.
    bool GetPosition(int& position) override;
    // Stops and closes; stops being the current audio-CD player. True when nothing was open.
    bool Close() override;
    // A disc is in the drive.
    bool IsReady() override;

    std::uint32_t DevicePosition(int position) override;

    // Runs the disc check on the disc in the drive.
    bool CheckDiscInDrive();

    int track() const { return track_; }
    int track_start() const { return track_start_; } // on the disc
    int start() const { return start_; }
    int end() const { return end_; }
    int current() const { return current_; }
    int length() const { return end_ - start_; }

    // The identity of the disc in the drive: the number of tracks, then for each of the first 25
    // tracks ";" and its length in whole seconds, e.g. "3;180;245;61". No value without a device, for
    // a disc without tracks, or when the device cannot tell (reported unless silent).
    std::optional<std::string> DiscIdentity(bool silent);
    // Whether a disc is in the drive; no value when the device cannot tell (reported unless silent).
    std::optional<bool> MediumPresent(bool silent);
    // Opens CD audio device drive_number (shareable) in minutes/seconds/frames without a track or a
    // check, for looking at the disc; failures are reported unless silent.
    bool OpenDevice(int drive_number, bool silent);

private:
    Tcutpart* cut_part_ = nullptr;
    CheckDiscCallback check_;
    int track_ = 0;
    int track_start_ = 0;
    int start_ = 0;
    int end_ = 0;
    int current_ = 0;
};

// The open audio-CD player, or none.
TAudioCDTrackPlayer* current_audio_cd_player();

// The text for the status bar about the disc in CD audio device drive_number: line 0 of AUDIO_CD_2
// for an empty drive, otherwise line 1, a blank and the text_2 of the data's first audio CD whose
// stored identity matches, or line 2 when none does. No value for drive 0, while a call is running,
// or when the device cannot be opened.
std::optional<std::string> DescribeDiscInDrive(int drive_number, const Tdata& data);

// OpenTrack tells once per run, when the data lies on the only CD drive of the machine, how to copy
// the audio CDs to the hard disk (TELL ABOUT COPYING TO HD), since the data disc and an audio CD
// cannot be in that drive at once. The probe answers whether the data lies on the only CD-ROM drive;
// the default looks at the base directory and the optical drives. Tests install their own and reset
// the once-per-run mark.
void set_single_cd_drive_probe(std::function<bool()> probe);
void reset_copying_hint_shown();

} // namespace morvelin
