#include "scripted_media.h"

#include <algorithm>
#include <utility>

namespace morvelin::testing {

namespace {

// CD positions are kept in thousandths of a frame so that whole milliseconds (75 of them) add up
// without drift; the disc starts after the two-second lead-in.
constexpr std::uint64_t frame = 1000;
constexpr std::uint64_t lead_in = 150 * frame;

std::string optional_text(std::optional<std::uint32_t> value) {
    return value ? std::to_string(*value) : "-";
}

std::uint32_t msf_of_frames(std::uint64_t frames) {
    return mci::make_msf(int(frames / 75 / 60), int(frames / 75 % 60), int(frames % 75));
}

} // namespace

ScriptedDisc ScriptedDisc::of_seconds(const std::vector<int>& seconds) {
    ScriptedDisc disc;
    for (int s : seconds)
        disc.track_frames.push_back(std::uint32_t(s) * 75);
    return disc;
}

ScriptedMedia::ScriptedMedia() {
    install_media_port(this);
}
ScriptedMedia::~ScriptedMedia() {
    install_media_port(nullptr);
}

void ScriptedMedia::add_wave_file(const std::string& path, std::uint32_t length_ms) {
    files_[path] = FileEntry{length_ms, true, 0};
}
void ScriptedMedia::add_sound_file(const std::string& path, std::uint32_t length_ms) {
    files_[path] = FileEntry{length_ms, false, 0};
}
void ScriptedMedia::add_failing_file(const std::string& path, int open_error) {
    files_[path] = FileEntry{0, true, open_error};
}

void ScriptedMedia::set_cd_drives(int count) {
    cd_drives_ = count;
}

void ScriptedMedia::set_sound_outputs(int count) {
    sound_outputs_ = count;
}
void ScriptedMedia::insert_disc(int ordinal, const ScriptedDisc& disc) {
    discs_[ordinal] = disc;
}
void ScriptedMedia::eject_disc(int ordinal) {
    discs_.erase(ordinal);
    for (auto& [id, device] : devices_)
        if (device.cd && device.ordinal == ordinal && device.playing) end_play(device, mci::notify_failure);
}

void ScriptedMedia::fail_next(const std::string& command, int error) {
    failures_[command].push_back(error);
}

int ScriptedMedia::take_failure(const std::string& command) {
    auto found = failures_.find(command);
    if (found == failures_.end() || found->second.empty()) return 0;
    int error = found->second.front();
    found->second.erase(found->second.begin());
    return error;
}

bool ScriptedMedia::logged(const std::string& line) const {
    return std::find(log_.begin(), log_.end(), line) != log_.end();
}

bool ScriptedMedia::is_playing(std::uint32_t device_id) const {
    auto found = devices_.find(device_id);
    return found != devices_.end() && found->second.playing;
}

const ScriptedDisc* ScriptedMedia::disc_of(const Device& device) const {
    auto found = discs_.find(device.ordinal);
    return found == discs_.end() ? nullptr : &found->second;
}

std::uint64_t ScriptedMedia::track_start(const ScriptedDisc& disc, int track) const {
    std::uint64_t start = lead_in;
    for (int t = 1; t < track; ++t)
        start += std::uint64_t(disc.track_frames[std::size_t(t - 1)]) * frame;
    return start;
}

std::uint64_t ScriptedMedia::disc_end(const ScriptedDisc& disc) const {
    return track_start(disc, int(disc.track_frames.size()) + 1);
}

bool ScriptedMedia::to_internal(const Device& device, std::uint32_t value, std::uint64_t& internal) const {
    if (!device.cd) {
        internal = value;
        return value <= device.length_ms;
    }
    const ScriptedDisc* disc = disc_of(device);
    if (!disc) return false;
    switch (device.time_format) {
    case mci::format_milliseconds:
        internal = std::uint64_t(value) * 75;
        break;
    case mci::format_msf:
        internal = std::uint64_t((mci::msf_minute(value) * 60 + mci::msf_second(value)) * 75 +
                                 mci::msf_frame(value)) *
                   frame;
        break;
    default: {
        int track = mci::tmsf_track(value);
        if (track < 1 || track > int(disc->track_frames.size())) return false;
        internal = track_start(*disc, track) +
                   std::uint64_t((mci::tmsf_minute(value) * 60 + mci::tmsf_second(value)) * 75 +
                                 mci::tmsf_frame(value)) *
                       frame;
    }
    }
    return internal >= lead_in && internal <= disc_end(*disc);
}

std::uint32_t ScriptedMedia::from_internal(const Device& device, std::uint64_t internal) const {
    if (!device.cd) return std::uint32_t(internal);
    if (device.time_format == mci::format_milliseconds) return std::uint32_t(internal / 75);
    std::uint64_t frames = internal / frame;
    if (device.time_format == mci::format_msf) return msf_of_frames(frames);
    const ScriptedDisc* disc = disc_of(device);
    int track = 1;
    if (disc)
        while (track < int(disc->track_frames.size()) && track_start(*disc, track + 1) <= internal)
            ++track;
    std::uint64_t relative = disc ? frames - track_start(*disc, track) / frame : 0;
    std::uint32_t msf = msf_of_frames(relative);
    return mci::make_tmsf(track, mci::msf_minute(msf), mci::msf_second(msf), mci::msf_frame(msf));
}

void ScriptedMedia::end_play(Device& device, int notification) {
    device.playing = false;
    if (device.notify) device.notification = notification;
    device.notify = false;
}

void ScriptedMedia::advance(std::uint32_t milliseconds) {
    for (auto& [id, device] : devices_) {
        if (!device.playing) continue;
        device.position += device.cd ? std::uint64_t(milliseconds) * 75 : milliseconds;
        if (device.position >= device.play_to) {
            device.position = device.play_to;
            end_play(device, mci::notify_successful);
        }
    }
}

int ScriptedMedia::open(const MciOpenParameters& parameters, std::uint32_t& device_id) {
    log_.push_back("open " + std::to_string(parameters.device_type) + " " + parameters.element.value_or("-"));
    device_id = 0;
    if (int error = take_failure("open")) return error;
    Device device;
    int type = parameters.device_type & 0xFFFF;
    if (type == mci::devtype_cd_audio) {
        device.cd = true;
        device.ordinal = parameters.device_type >> 16;
        if (device.ordinal >= cd_drives_) return mci::err_invalid_device_name;
        if (parameters.element) return mci::err_no_element_allowed;
        device.position = lead_in;
    } else if (type == mci::devtype_waveform_audio || type == mci::devtype_automatic) {
        if (!parameters.element) return mci::err_filename_required;
        auto found = files_.find(*parameters.element);
        if (found == files_.end()) return mci::err_file_not_found;
        if (found->second.open_error) return found->second.open_error;
        if (type == mci::devtype_waveform_audio && !found->second.wave) return mci::err_invalid_file;
        device.length_ms = found->second.length_ms;
    } else {
        return mci::err_invalid_device_name;
    }
    device_id = next_id_++;
    devices_[device_id] = device;
    return mci::no_error;
}

int ScriptedMedia::set_time_format(std::uint32_t device_id, int time_format) {
    log_.push_back("set " + std::to_string(device_id) + " " + std::to_string(time_format));
    if (int error = take_failure("set")) return error;
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return mci::err_invalid_device_id;
    bool known = time_format == mci::format_milliseconds ||
                 (found->second.cd && (time_format == mci::format_msf || time_format == mci::format_tmsf));
    if (!known) return mci::err_bad_time_format;
    found->second.time_format = time_format;
    return mci::no_error;
}

int ScriptedMedia::status(std::uint32_t device_id, int item, std::uint32_t& value, int track) {
    log_.push_back("status " + std::to_string(device_id) + " " + std::to_string(item) + " " +
                   std::to_string(track));
    value = 0;
    if (int error = take_failure("status")) return error;
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return mci::err_invalid_device_id;
    Device& device = found->second;
    const ScriptedDisc* disc = device.cd ? disc_of(device) : nullptr;
    bool present = !device.cd || disc;
    switch (item) {
    case mci::status_media_present:
    case mci::status_ready:
        value = present ? 1 : 0;
        return mci::no_error;
    case mci::status_mode:
        value = !present ? mci::mode_open : device.playing ? mci::mode_play : mci::mode_stop;
        return mci::no_error;
    case mci::status_time_format:
        value = std::uint32_t(device.time_format);
        return mci::no_error;
    default:
        break;
    }
    if (!present) return mci::err_device_not_ready;
    if (!device.cd) {
        if (track != 0 && item != mci::status_length && item != mci::status_position)
            return mci::err_outofrange;
        switch (item) {
        case mci::status_length:
            value = device.length_ms;
            return mci::no_error;
        case mci::status_position:
            value = std::uint32_t(device.position);
            return mci::no_error;
        case mci::status_number_of_tracks:
        case mci::status_current_track:
            value = 1;
            return mci::no_error;
        default:
            return mci::err_unsupported_function;
        }
    }
    int tracks = int(disc->track_frames.size());
    if (track < 0 || track > tracks) return mci::err_outofrange;
    switch (item) {
    case mci::status_number_of_tracks:
        value = std::uint32_t(tracks);
        return mci::no_error;
    case mci::status_current_track: {
        int current = 1;
        while (current < tracks && track_start(*disc, current + 1) <= device.position)
            ++current;
        value = std::uint32_t(current);
        return mci::no_error;
    }
    case mci::status_length: {
        std::uint64_t frames =
            track ? disc->track_frames[std::size_t(track - 1)] : (disc_end(*disc) - lead_in) / frame;
        value = device.time_format == mci::format_milliseconds ? std::uint32_t(frames * 1000 / 75)
                                                               : msf_of_frames(frames);
        return mci::no_error;
    }
    case mci::status_position:
        value = from_internal(device, track ? track_start(*disc, track) : device.position);
        return mci::no_error;
    case mci::cdaudio_status_type_track:
        if (track == 0) return mci::err_missing_parameter;
        value = std::size_t(track - 1) < disc->audio.size() && !disc->audio[std::size_t(track - 1)]
                    ? mci::cdaudio_track_other
                    : mci::cdaudio_track_audio;
        return mci::no_error;
    default:
        return mci::err_unsupported_function;
    }
}

int ScriptedMedia::seek(std::uint32_t device_id, std::uint32_t to) {
    log_.push_back("seek " + std::to_string(device_id) + " " + std::to_string(to));
    if (int error = take_failure("seek")) return error;
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return mci::err_invalid_device_id;
    Device& device = found->second;
    if (device.cd && !disc_of(device)) return mci::err_device_not_ready;
    std::uint64_t position = 0;
    if (!to_internal(device, to, position)) return mci::err_outofrange;
    if (device.playing) end_play(device, mci::notify_aborted);
    device.position = position;
    return mci::no_error;
}

int ScriptedMedia::play(std::uint32_t device_id, std::optional<std::uint32_t> from,
                        std::optional<std::uint32_t> to, bool notify) {
    log_.push_back("play " + std::to_string(device_id) + " " + optional_text(from) + " " + optional_text(to) +
                   (notify ? " notify" : ""));
    if (int error = take_failure("play")) return error;
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return mci::err_invalid_device_id;
    Device& device = found->second;
    const ScriptedDisc* disc = device.cd ? disc_of(device) : nullptr;
    if (device.cd && !disc) return mci::err_device_not_ready;
    std::uint64_t start = device.position;
    std::uint64_t end = device.cd ? disc_end(*disc) : device.length_ms;
    if (from && !to_internal(device, *from, start)) return mci::err_outofrange;
    if (to && !to_internal(device, *to, end)) return mci::err_outofrange;
    if (start > end) return mci::err_outofrange;
    if (device.playing) end_play(device, mci::notify_superseded);
    device.position = start;
    device.play_to = end;
    device.playing = true;
    device.notify = notify;
    if (start == end) end_play(device, mci::notify_successful);
    return mci::no_error;
}

int ScriptedMedia::set_playback(std::uint32_t device_id, const PlaybackOptions& options) {
    if (options.mode == PlaybackMode::normal && !options.loop_from && !options.loop_to)
        return devices_.count(device_id) ? mci::no_error : mci::err_invalid_device_id;
    auto number = [](const std::optional<std::uint32_t>& value) { return value ? std::to_string(*value) : "-"; };
    log_.push_back("playback " + std::to_string(device_id) + " " + std::to_string(int(options.mode)) + " " +
                   number(options.loop_from) + " " + number(options.loop_to));
    if (int error = take_failure("playback")) return error;
    return devices_.count(device_id) ? mci::no_error : mci::err_invalid_device_id;
}

int ScriptedMedia::stop(std::uint32_t device_id) {
    log_.push_back("stop " + std::to_string(device_id));
    if (int error = take_failure("stop")) return error;
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return mci::err_invalid_device_id;
    if (found->second.playing) end_play(found->second, mci::notify_aborted);
    return mci::no_error;
}

int ScriptedMedia::close(std::uint32_t device_id) {
    log_.push_back("close " + std::to_string(device_id));
    if (int error = take_failure("close")) return error;
    return devices_.erase(device_id) ? mci::no_error : mci::err_invalid_device_id;
}

int ScriptedMedia::break_command(std::uint32_t device_id, int virtual_key) {
    log_.push_back("break " + std::to_string(device_id) + " " + std::to_string(virtual_key));
    if (int error = take_failure("break")) return error;
    return devices_.count(device_id) ? mci::no_error : mci::err_invalid_device_id;
}

int ScriptedMedia::system_info_quantity(int device_type, std::uint32_t& quantity) {
    log_.push_back("sysinfo " + std::to_string(device_type));
    quantity = 0;
    if (int error = take_failure("sysinfo")) return error;
    if (device_type == mci::devtype_cd_audio) quantity = std::uint32_t(cd_drives_);
    if (device_type == mci::devtype_waveform_audio) quantity = std::uint32_t(sound_outputs_);
    return mci::no_error;
}

int ScriptedMedia::take_notification(std::uint32_t device_id) {
    auto found = devices_.find(device_id);
    if (found == devices_.end()) return 0;
    return std::exchange(found->second.notification, 0);
}

bool ScriptedMedia::play_sound_synchronously(const std::string& path) {
    log_.push_back("playsync " + path);
    auto found = files_.find(path);
    if (found == files_.end() || found->second.open_error) return false;
    played_synchronously_.push_back(path);
    return true;
}

ScriptedVolume::ScriptedVolume() {
    install_volume_port(this);
}
ScriptedVolume::~ScriptedVolume() {
    install_volume_port(nullptr);
}

int ScriptedVolume::capabilities(int, WaveOutCapabilities& out) {
    ++capabilities_calls;
    out = caps;
    return caps_error;
}

int ScriptedVolume::get_volume(int, std::uint16_t& l, std::uint16_t& r) {
    if (get_error) return get_error;
    l = left;
    r = right;
    return mci::mmsyserr_noerror;
}

int ScriptedVolume::set_volume(int, std::uint16_t l, std::uint16_t r) {
    ++set_calls;
    if (set_error) return set_error;
    left = l;
    right = r;
    return mci::mmsyserr_noerror;
}

} // namespace morvelin::testing
