#include "core/sound/audio_cd_player.h"

#include "core/data/data_set.h"
#include "core/foundation/base_directory.h"
#include "core/foundation/environment.h"
#include "core/foundation/services.h"
#include "core/foundation/textfile_handler.h"
#include "core/sound/media_port.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace morvelin {

namespace {

TAudioCDTrackPlayer* current_player = nullptr;
bool copying_hint_shown = false;

// The optical devices present, or the mounted disc file systems when there are more of those (a
// mounted disc image counts as a drive as well).
int count_cdrom_drives() {
    int devices = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 2 && name.compare(0, 2, "sr") == 0 &&
            std::all_of(name.begin() + 2, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            ++devices;
    }
    int mounted = 0;
    for (const MountEntry& mount : read_mounts())
        if (is_cdrom_file_system(mount.fs_type)) ++mounted;
    return std::max(devices, mounted);
}

bool default_single_cd_drive_probe() {
    return base_directory_on_cdrom() && count_cdrom_drives() == 1;
}

std::function<bool()>& single_cd_drive_probe() {
    static std::function<bool()> probe;
    return probe;
}

int msf_value_to_ms(std::uint32_t msf) {
    return msf_to_ms(mci::msf_minute(msf), mci::msf_second(msf), mci::msf_frame(msf));
}

} // namespace

int msf_to_ms(int minutes, int seconds, int frames) {
    return (minutes * 60 + seconds) * 1000 + frames * 1000 / 75;
}

std::uint32_t ms_to_tmsf(int track, int ms) {
    return mci::make_tmsf(track, ms / 60000, ms / 1000 % 60, ms % 1000 * 75 / 1000);
}

TAudioCDTrackPlayer* current_audio_cd_player() {
    return current_player;
}

void set_single_cd_drive_probe(std::function<bool()> probe) {
    single_cd_drive_probe() = std::move(probe);
}

void reset_copying_hint_shown() {
    copying_hint_shown = false;
}

TAudioCDTrackPlayer::~TAudioCDTrackPlayer() {
    TAudioCDTrackPlayer::Close();
}

bool TAudioCDTrackPlayer::OpenDevice(int drive_number, bool silent) {
    if (drive_number < 1) {
        // No CD audio device was chosen (there is none): nothing to open.
        CloseDevice();
        if (!silent) ReportError("mci_Open, Device type = CD Audio, ", mci::err_device_not_installed);
        return false;
    }
    bool file_problem = false;
    if (!Open(mci::cd_audio_device(drive_number - 1), "", file_problem, silent, true)) return false;
    if (!SetTimeFormat(mci::format_msf, silent)) {
        CloseDevice();
        return false;
    }
    return true;
}

std::optional<bool> TAudioCDTrackPlayer::MediumPresent(bool silent) {
    std::uint32_t present = 0;
    if (!is_open() || !Status(mci::status_media_present, present, silent)) return std::nullopt;
    return present != 0;
}

std::optional<std::string> TAudioCDTrackPlayer::DiscIdentity(bool silent) {
    std::uint32_t tracks = 0;
    if (!is_open() || !Status(mci::status_number_of_tracks, tracks, silent) || tracks == 0)
        return std::nullopt;
    // A disc may hold up to 99 tracks; the identity names the first 25 of them.
    std::string identity = std::to_string(tracks);
    const int listed = int(std::min<std::uint32_t>(tracks, identity_tracks));
    for (int track = 1; track <= listed; ++track) {
        std::uint32_t msf = 0;
        if (!Status(mci::status_length, msf, silent, track)) return std::nullopt;
        identity += ";" + std::to_string(mci::msf_minute(msf) * 60 + mci::msf_second(msf));
    }
    return identity;
}

bool TAudioCDTrackPlayer::CheckDiscInDrive() {
    std::optional<std::string> found = DiscIdentity(false);
    if (!found) return false;
    const TaudioCD* cd = cut_part_ ? cut_part_->audio_cd : nullptr;
    const std::string name = cd ? cd->text_2 : std::string();
    const std::string wanted = cd ? cd->text_5 : std::string();
    if (!check_) return *found == wanted;
    return check_(name, wanted, *found);
}

bool TAudioCDTrackPlayer::OpenTrack(int drive_number, int& length, CheckDiscCallback check,
                                    Tcutpart& cut_part) {
    if (!copying_hint_shown) {
        const auto& probe = single_cd_drive_probe();
        if (probe ? probe() : default_single_cd_drive_probe()) {
            std::uint32_t cd_devices = 0;
            if (media_port().system_info_quantity(mci::devtype_cd_audio, cd_devices) == mci::no_error &&
                cd_devices == 1) {
                copying_hint_shown = true;
                show_message(language_texts().get_joined_text("TELL ABOUT COPYING TO HD"), mb::ok);
            }
        }
    }

    Close();
    track_ = cut_part.track;
    start_ = current_ = std::max(cut_part.offset, 0);
    end_ = start_;
    track_start_ = 0;
    cut_part_ = &cut_part;
    check_ = std::move(check);

    auto fail = [this] {
        Close();
        return false;
    };
    if (!OpenDevice(drive_number, false)) return fail();
    current_player = this;

    std::optional<bool> present = MediumPresent(false);
    if (!present) return fail();
    if (!*present) {
        show_message(audio_cd_key_checker().text(2), mb::icon_error);
        return fail();
    }
    std::uint32_t type = 0;
    if (!Status(mci::cdaudio_status_type_track, type, false, 1)) return fail();
    if (type != mci::cdaudio_track_audio) {
        show_message(audio_cd_key_checker().text(3), mb::icon_error);
        return fail();
    }
    if (!CheckDiscInDrive()) return fail();

    std::uint32_t track_position = 0;
    std::uint32_t track_length = 0;
    if (!Status(mci::status_position, track_position, false, track_) ||
        !Status(mci::status_length, track_length, false, track_))
        return fail();
    track_start_ = msf_value_to_ms(track_position);
    // A section that starts after its track ends is empty rather than of negative length.
    const std::int64_t wanted_end = std::int64_t(start_) + std::max(length, 0);
    end_ = int(std::clamp<std::int64_t>(wanted_end, start_, std::max(start_, msf_value_to_ms(track_length))));
    length = end_ - start_;
    return true;
}

bool TAudioCDTrackPlayer::Play(bool from_start, bool notify) {
    if (!IsReady() || !CheckDiscInDrive() || !SetTimeFormat(mci::format_tmsf)) return false;
    if (from_start) current_ = start_;
    return PlayDevice(ms_to_tmsf(track_, current_), ms_to_tmsf(track_, end_), notify);
}

bool TAudioCDTrackPlayer::Seek(int position) {
    if (!IsReady()) return false;
    bool ok = true;
    if (playing_) {
        int now = 0;
        if (!SetTimeFormat(mci::format_msf)) {
            ok = false;
        } else if (!GetPosition(now) || now != position) {
            ok = SetTimeFormat(mci::format_tmsf) && SeekDevice(ms_to_tmsf(track_, start_ + position));
        }
    }
    current_ = start_ + position;
    return ok;
}

std::uint32_t TAudioCDTrackPlayer::DevicePosition(int position) {
    // Plays are given in track, minutes, seconds and frames.
    return ms_to_tmsf(track_, std::clamp(start_ + std::max(position, 0), start_, end_));
}

bool TAudioCDTrackPlayer::GetPosition(int& position) {
    position = 0;
    if (!IsReady()) return false;
    if (playing_) {
        std::uint32_t msf = 0;
        if (!SetTimeFormat(mci::format_msf) || !Status(mci::status_position, msf, true)) return false;
        current_ = msf_value_to_ms(msf) - track_start_;
    }
    position = current_ - start_;
    return true;
}

bool TAudioCDTrackPlayer::Close() {
    if (current_player == this) current_player = nullptr;
    if (!is_open()) return true;
    bool stopped = Stop();
    bool closed = !is_open() || CloseDevice();
    return stopped && closed;
}

bool TAudioCDTrackPlayer::IsReady() {
    std::optional<bool> present = MediumPresent(false);
    return present && *present;
}

std::optional<std::string> DescribeDiscInDrive(int drive_number, const Tdata& data) {
    static bool running = false;
    if (running || drive_number == 0) return std::nullopt;
    running = true;
    struct Leave {
        ~Leave() { running = false; }
    } leave;

    TAudioCDTrackPlayer own;
    TAudioCDTrackPlayer* player = current_audio_cd_player();
    if (!player || !player->is_open()) {
        if (!own.OpenDevice(drive_number, true)) return std::nullopt;
        player = &own;
    }
    const std::vector<std::string> lines = texts("AUDIO_CD_2", 2);
    std::optional<bool> present = player->MediumPresent(true);
    if (!present) return std::nullopt;
    if (!*present) return lines[0];
    std::optional<std::string> identity = player->DiscIdentity(true);
    if (identity)
        for (const TaudioCD* cd : data.audio_cds())
            if (cd->text_5 == *identity) return lines[1] + " " + cd->text_2;
    return lines[1] + " " + lines[2];
}

} // namespace morvelin
