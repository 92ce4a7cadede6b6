#include "platform/media/linux_media_port.h"

#include "platform/media/audio_output.h"
#include "platform/media/cd_drive.h"
#include "platform/drives.h"
#include "platform/media/playback_source.h"
#include "platform/media/sound_decoder.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>
#include <utility>

namespace morvelin {

using media::cd_sample_rate;
using media::cd_samples_per_frame;
using media::ms_of_samples;
using media::samples_of_ms;

namespace {

// How often playing devices are looked at to notice their end.
constexpr int tick_ms = 20;
// A stream that has played to its end stays connected this long: the sink may still hold its last
// samples, which a disconnect would drop.
constexpr auto linger = std::chrono::seconds(1);
// A synchronous sound is cut off when it has not ended this long after its length.
constexpr std::int64_t synchronous_grace_ms = 5000;

std::uint32_t msf_of_frames(std::int64_t frames) {
    return mci::make_msf(int(frames / 75 / 60), int(frames / 75 % 60), int(frames % 75));
}

// Gives the frames of a decoder from its read position up to a count, then ends.
class BoundedSource final : public media::PcmSource {
public:
    BoundedSource(media::SoundDecoder& decoder, std::int64_t frames) : decoder_(decoder), left_(frames) {}
    int sample_rate() const override { return decoder_.sample_rate(); }
    int channels() const override { return decoder_.channels(); }
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override {
        std::int64_t n = decoder_.read(frames, std::min(max_frames, left_));
        left_ -= n;
        return n;
    }

private:
    media::SoundDecoder& decoder_;
    std::int64_t left_;
};

} // namespace

std::vector<std::string> cd_images_from_environment() {
    std::vector<std::string> images;
    const char* value = std::getenv("MORVELIN_CD_IMAGES");
    if (!value) return images;
    std::string list = value;
    std::size_t begin = 0;
    while (begin <= list.size()) {
        std::size_t end = list.find(':', begin);
        if (end == std::string::npos) end = list.size();
        if (end > begin) images.push_back(list.substr(begin, end - begin));
        begin = end + 1;
    }
    return images;
}

struct LinuxMediaPort::Engine {
    struct Device {
        bool cd = false;
        int ordinal = 0;
        bool shareable = false;
        std::unique_ptr<media::SoundDecoder> decoder;
        int time_format = mci::format_milliseconds;
        std::int64_t position = 0; // samples: from the file's start, or from 00:00:00 of the disc
        bool playing = false;
        std::int64_t play_from = 0;
        std::int64_t play_to = 0;
        bool notify = false;
        int notification = 0;
        PlaybackOptions playback;
        // The source when it plays slowed down or loops: it maps what was heard back to the recording.
        media::PlaybackSource* playback_source = nullptr;
        std::unique_ptr<media::PcmSource> source;
        std::unique_ptr<media::AudioOutput> output;
    };

    Options options;
    std::vector<std::unique_ptr<media::CdDrive>> drives;
    std::map<std::uint32_t, Device> devices;
    std::uint32_t next_id = 1;
    QTimer* timer = nullptr;
    std::shared_ptr<media::SoundServer> server;
    std::vector<std::pair<std::unique_ptr<media::AudioOutput>, std::chrono::steady_clock::time_point>> lingering;

    explicit Engine(Options o) : options(std::move(o)) {
        for (const auto& path : options.cd_drives)
            drives.push_back(std::make_unique<media::CdDrive>(path, false));
        for (const auto& path : options.cd_images)
            drives.push_back(std::make_unique<media::CdDrive>(path, true));
    }

    Device* find(std::uint32_t id) {
        auto found = devices.find(id);
        return found == devices.end() ? nullptr : &found->second;
    }

    media::CdDrive& drive(const Device& device) { return *drives[std::size_t(device.ordinal)]; }

    bool null_output() const { return options.null_output || media::null_output_requested(); }

    // The sound server's connection, made again when the server went away; null when none answers.
    const std::shared_ptr<media::SoundServer>& sound_server() {
        if (!server || !server->connected()) server = media::SoundServer::connect();
        return server;
    }

    bool drive_busy(int ordinal) const {
        return std::any_of(devices.begin(), devices.end(), [&](const auto& entry) {
            return entry.second.cd && entry.second.ordinal == ordinal && entry.second.playing;
        });
    }

    // Reads a drive's disc again unless it is playing; devices on it that point off the new disc
    // go to its start.
    void refresh(int ordinal) {
        if (drive_busy(ordinal)) return;
        media::CdDrive& d = *drives[std::size_t(ordinal)];
        d.refresh();
        for (auto& [id, device] : devices)
            if (device.cd && device.ordinal == ordinal &&
                (device.position < std::int64_t(d.first_frame()) * cd_samples_per_frame ||
                 device.position > std::int64_t(d.end_frame()) * cd_samples_per_frame))
                device.position = std::int64_t(d.first_frame()) * cd_samples_per_frame;
    }

    std::int64_t current(Device& device) {
        if (!device.playing) return device.position;
        if (device.playback_source) return device.playback_source->recording_position(device.output->played_frames());
        return device.play_from + std::min(device.output->played_frames(), device.play_to - device.play_from);
    }

    void end_play(Device& device, int notification, bool reached_end) {
        if (!device.playing) return;
        device.position = reached_end ? device.play_to : current(device);
        device.playing = false;
        if (device.notify) device.notification = notification;
        device.notify = false;
        // The device is settled before its output goes, so that nothing that runs meanwhile finds a
        // play half ended.
        std::unique_ptr<media::AudioOutput> output = std::move(device.output);
        std::unique_ptr<media::PcmSource> source = std::move(device.source);
        device.playback_source = nullptr;
        if (reached_end) {
            // An output at its end reads its source no more.
            lingering.emplace_back(std::move(output), std::chrono::steady_clock::now() + linger);
            return;
        }
        output->stop();
        output.reset();
    }

    void update(Device& device) {
        if (!device.playing) return;
        device.output->poll();
        if (device.output->finished()) end_play(device, mci::notify_successful, true);
    }

    void tick() {
        bool any = false;
        for (auto& [id, device] : devices) {
            update(device);
            any = any || device.playing;
        }
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(lingering, [&](const auto& entry) { return entry.second <= now; });
        if (!any && lingering.empty() && timer) timer->stop();
    }

    void ensure_ticking() {
        if (!timer) {
            timer = new QTimer();
            timer->setInterval(tick_ms);
            QObject::connect(timer, &QTimer::timeout, [this] { tick(); });
        }
        if (!timer->isActive()) timer->start();
    }

    std::int64_t end_of(Device& device) {
        return device.cd ? std::int64_t(drive(device).end_frame()) * cd_samples_per_frame
                         : device.decoder->length_samples();
    }

    // A position in the device's time format to samples; false when it lies off the medium.
    bool to_samples(Device& device, std::uint32_t value, std::int64_t& samples) {
        if (!device.cd) {
            int rate = device.decoder->sample_rate();
            if (std::int64_t(value) > ms_of_samples(device.decoder->length_samples(), rate)) return false;
            samples = std::min(samples_of_ms(value, rate), device.decoder->length_samples());
            return true;
        }
        media::CdDrive& d = drive(device);
        switch (device.time_format) {
        case mci::format_milliseconds:
            samples = samples_of_ms(value, cd_sample_rate);
            break;
        case mci::format_msf:
            samples = std::int64_t((mci::msf_minute(value) * 60 + mci::msf_second(value)) * 75 +
                                   mci::msf_frame(value)) *
                      cd_samples_per_frame;
            break;
        default: {
            int track = mci::tmsf_track(value);
            if (track < 1 || track > int(d.tracks().size())) return false;
            std::int64_t frames = d.tracks()[std::size_t(track - 1)].start +
                                  (mci::tmsf_minute(value) * 60 + mci::tmsf_second(value)) * 75 +
                                  mci::tmsf_frame(value);
            samples = frames * cd_samples_per_frame;
        }
        }
        return samples >= std::int64_t(d.first_frame()) * cd_samples_per_frame && samples <= end_of(device);
    }

    std::uint32_t from_samples(Device& device, std::int64_t samples) {
        if (!device.cd) return std::uint32_t(ms_of_samples(samples, device.decoder->sample_rate()));
        std::int64_t frames = samples / cd_samples_per_frame;
        if (device.time_format == mci::format_milliseconds)
            return std::uint32_t(ms_of_samples(samples, cd_sample_rate));
        if (device.time_format == mci::format_msf) return msf_of_frames(frames);
        const auto& tracks = drive(device).tracks();
        int track = 1;
        while (track < int(tracks.size()) && tracks[std::size_t(track)].start <= frames)
            ++track;
        std::int64_t relative =
            tracks.empty() ? 0 : std::max<std::int64_t>(0, frames - tracks[std::size_t(track - 1)].start);
        std::uint32_t msf = msf_of_frames(relative);
        return mci::make_tmsf(track, mci::msf_minute(msf), mci::msf_second(msf), mci::msf_frame(msf));
    }

    std::uint32_t length_value(Device& device, std::int64_t frames) {
        return device.time_format == mci::format_milliseconds
                   ? std::uint32_t(ms_of_samples(frames * cd_samples_per_frame, cd_sample_rate))
                   : msf_of_frames(frames);
    }

    int open(const MciOpenParameters& parameters, std::uint32_t& device_id) {
        device_id = 0;
        Device device;
        int type = parameters.device_type & 0xFFFF;
        if (type == mci::devtype_cd_audio) {
            if (parameters.element) return mci::err_no_element_allowed;
            device.cd = true;
            device.ordinal = int(std::uint32_t(parameters.device_type) >> 16);
            device.shareable = parameters.shareable;
            if (device.ordinal >= int(drives.size())) return mci::err_invalid_device_name;
            for (const auto& [id, other] : devices)
                if (other.cd && other.ordinal == device.ordinal && !(other.shareable && device.shareable))
                    return mci::err_must_use_shareable;
            refresh(device.ordinal);
            device.position = std::int64_t(drive(device).first_frame()) * cd_samples_per_frame;
        } else if (type == mci::devtype_waveform_audio || type == mci::devtype_automatic) {
            if (!parameters.element || parameters.element->empty()) return mci::err_filename_required;
            device.decoder = std::make_unique<media::SoundDecoder>();
            if (int error = device.decoder->open(*parameters.element, type == mci::devtype_waveform_audio))
                return error;
        } else {
            return mci::err_invalid_device_name;
        }
        if (next_id == 0) ++next_id;
        while (devices.count(next_id))
            ++next_id;
        device_id = next_id++;
        devices.emplace(device_id, std::move(device));
        return mci::no_error;
    }

    int set_time_format(std::uint32_t id, int format) {
        Device* device = find(id);
        if (!device) return mci::err_invalid_device_id;
        bool known = format == mci::format_milliseconds ||
                     (device->cd && (format == mci::format_msf || format == mci::format_tmsf));
        if (!known) return mci::err_bad_time_format;
        device->time_format = format;
        return mci::no_error;
    }

    int status(std::uint32_t id, int item, std::uint32_t& value, int track) {
        value = 0;
        Device* found = find(id);
        if (!found) return mci::err_invalid_device_id;
        Device& device = *found;
        update(device);
        if (device.cd && (item == mci::status_media_present || item == mci::status_ready))
            refresh(device.ordinal);
        bool present = !device.cd || drive(device).present();
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
            if (track > 1) return mci::err_outofrange;
            switch (item) {
            case mci::status_length:
                value = from_samples(device, device.decoder->length_samples());
                return mci::no_error;
            case mci::status_position:
                value = from_samples(device, track == 1 ? 0 : current(device));
                return mci::no_error;
            case mci::status_number_of_tracks:
            case mci::status_current_track:
                value = 1;
                return mci::no_error;
            default:
                return mci::err_unsupported_function;
            }
        }
        const auto& tracks = drive(device).tracks();
        if (track < 0 || track > int(tracks.size())) return mci::err_outofrange;
        switch (item) {
        case mci::status_number_of_tracks:
            value = std::uint32_t(tracks.size());
            return mci::no_error;
        case mci::status_current_track: {
            std::int64_t frames = current(device) / cd_samples_per_frame;
            int t = 1;
            while (t < int(tracks.size()) && tracks[std::size_t(t)].start <= frames)
                ++t;
            value = std::uint32_t(t);
            return mci::no_error;
        }
        case mci::status_length: {
            const media::CdDrive& d = drive(device);
            std::int64_t frames =
                track ? tracks[std::size_t(track - 1)].frames : d.end_frame() - d.first_frame();
            value = length_value(device, frames);
            return mci::no_error;
        }
        case mci::status_position:
            value = track ? from_samples(device, std::int64_t(tracks[std::size_t(track - 1)].start) *
                                                     cd_samples_per_frame)
                          : from_samples(device, current(device));
            return mci::no_error;
        case mci::cdaudio_status_type_track:
            if (track == 0) return mci::err_missing_parameter;
            value =
                tracks[std::size_t(track - 1)].audio ? mci::cdaudio_track_audio : mci::cdaudio_track_other;
            return mci::no_error;
        default:
            return mci::err_unsupported_function;
        }
    }

    int seek(std::uint32_t id, std::uint32_t to) {
        Device* device = find(id);
        if (!device) return mci::err_invalid_device_id;
        if (device->cd && !drive(*device).present()) return mci::err_device_not_ready;
        std::int64_t samples = 0;
        if (!to_samples(*device, to, samples)) return mci::err_outofrange;
        end_play(*device, mci::notify_aborted, false);
        device->position = samples;
        return mci::no_error;
    }

    int play(std::uint32_t id, std::optional<std::uint32_t> from, std::optional<std::uint32_t> to,
             bool notify) {
        Device* found = find(id);
        if (!found) return mci::err_invalid_device_id;
        Device& device = *found;
        update(device);
        if (device.cd && !drive(device).present()) return mci::err_device_not_ready;
        std::int64_t start = current(device);
        std::int64_t end = end_of(device);
        if (from && !to_samples(device, *from, start)) return mci::err_outofrange;
        if (to && !to_samples(device, *to, end)) return mci::err_outofrange;
        if (start > end) return mci::err_outofrange;
        end_play(device, mci::notify_superseded, false);
        device.position = start;
        if (start == end) {
            if (notify) device.notification = mci::notify_successful;
            return mci::no_error;
        }
        const bool looped = device.playback.loop_from && device.playback.loop_to;
        if (device.playback.mode != PlaybackMode::normal || looped) {
            std::optional<media::PlaybackSource::Loop> loop;
            if (looped) {
                loop.emplace();
                if (!to_samples(device, *device.playback.loop_from, loop->from) ||
                    !to_samples(device, *device.playback.loop_to, loop->to) || loop->from >= loop->to)
                    return mci::err_outofrange;
            }
            // Called again on the output's thread at every turn of a loop; the device's decoder or
            // drive is used by nothing else while it plays.
            media::PlaybackSource::Opener open;
            if (device.cd) {
                open = [&d = drive(device)](std::int64_t from, std::int64_t to) -> std::unique_ptr<media::PcmSource> {
                    return std::make_unique<media::CdAudioSource>(d, from, to);
                };
            } else {
                open = [decoder = device.decoder.get()](std::int64_t from,
                                                        std::int64_t to) -> std::unique_ptr<media::PcmSource> {
                    decoder->seek(from);
                    return std::make_unique<BoundedSource>(*decoder, to - from);
                };
            }
            auto source = std::make_unique<media::PlaybackSource>(std::move(open), start, end, device.playback.mode, loop);
            if (!source->ok()) return mci::err_file_read;
            device.playback_source = source.get();
            device.source = std::move(source);
        } else if (device.cd) {
            device.source = std::make_unique<media::CdAudioSource>(drive(device), start, end);
        } else {
            device.decoder->seek(start);
            device.source = std::make_unique<BoundedSource>(*device.decoder, end - start);
        }
        device.output = null_output() ? media::make_null_output() : media::make_server_output(sound_server());
        auto started = device.output->start(*device.source);
        if (started == media::AudioOutput::Start::no_device) {
            std::fprintf(stderr, "morvelin: the sound server did not open a stream; the sound plays silently\n");
            device.output = media::make_null_output();
            started = device.output->start(*device.source);
        }
        if (started != media::AudioOutput::Start::started) {
            device.output.reset();
            device.playback_source = nullptr;
            device.source.reset();
            return mci::err_wave_outputsunsuitable;
        }
        device.playing = true;
        device.play_from = start;
        device.play_to = end;
        device.notify = notify;
        ensure_ticking();
        return mci::no_error;
    }

    int set_playback(std::uint32_t id, const PlaybackOptions& options) {
        Device* device = find(id);
        if (!device) return mci::err_invalid_device_id;
        if (bool(options.loop_from) != bool(options.loop_to)) return mci::err_missing_parameter;
        device->playback = options;
        return mci::no_error;
    }

    int stop(std::uint32_t id) {
        Device* device = find(id);
        if (!device) return mci::err_invalid_device_id;
        update(*device);
        end_play(*device, mci::notify_aborted, false);
        return mci::no_error;
    }

    int close(std::uint32_t id) {
        Device* device = find(id);
        if (!device) return mci::err_invalid_device_id;
        end_play(*device, mci::notify_aborted, false);
        devices.erase(id);
        return mci::no_error;
    }

    int take_notification(std::uint32_t id) {
        Device* device = find(id);
        if (!device) return 0;
        update(*device);
        return std::exchange(device->notification, 0);
    }

    void shut_down() {
        devices.clear();
        lingering.clear();
        server.reset();
        delete timer;
        timer = nullptr;
        drives.clear();
    }
};

LinuxMediaPort::Options LinuxMediaPort::default_options() {
    Options options;
    options.cd_drives = optical_devices();
    options.cd_images = cd_images_from_environment();
    return options;
}

LinuxMediaPort::LinuxMediaPort() : LinuxMediaPort(default_options()) {}

LinuxMediaPort::LinuxMediaPort(Options options) : engine_(std::make_unique<Engine>(std::move(options))) {
    thread_ = new QThread();
    thread_->setObjectName("media");
    context_ = new QObject();
    context_->moveToThread(thread_);
    thread_->start();
}

LinuxMediaPort::~LinuxMediaPort() {
    run([this] { engine_->shut_down(); });
    thread_->quit();
    thread_->wait();
    delete context_;
    delete thread_;
}

template <class F> void LinuxMediaPort::run(F&& work) {
    if (QThread::currentThread() == thread_) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        context_, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

int LinuxMediaPort::open(const MciOpenParameters& parameters, std::uint32_t& device_id) {
    int result = 0;
    run([&] { result = engine_->open(parameters, device_id); });
    return result;
}

int LinuxMediaPort::set_time_format(std::uint32_t device_id, int time_format) {
    int result = 0;
    run([&] { result = engine_->set_time_format(device_id, time_format); });
    return result;
}

int LinuxMediaPort::status(std::uint32_t device_id, int item, std::uint32_t& value, int track) {
    int result = 0;
    run([&] { result = engine_->status(device_id, item, value, track); });
    return result;
}

int LinuxMediaPort::seek(std::uint32_t device_id, std::uint32_t to) {
    int result = 0;
    run([&] { result = engine_->seek(device_id, to); });
    return result;
}

int LinuxMediaPort::play(std::uint32_t device_id, std::optional<std::uint32_t> from,
                         std::optional<std::uint32_t> to, bool notify) {
    int result = 0;
    run([&] { result = engine_->play(device_id, from, to, notify); });
    return result;
}

int LinuxMediaPort::set_playback(std::uint32_t device_id, const PlaybackOptions& options) {
    int result = 0;
    run([&] { result = engine_->set_playback(device_id, options); });
    return result;
}

int LinuxMediaPort::stop(std::uint32_t device_id) {
    int result = 0;
    run([&] { result = engine_->stop(device_id); });
    return result;
}

int LinuxMediaPort::close(std::uint32_t device_id) {
    int result = 0;
    run([&] { result = engine_->close(device_id); });
    return result;
}

int LinuxMediaPort::break_command(std::uint32_t device_id, int) {
    int result = 0;
    run([&] { result = engine_->find(device_id) ? mci::no_error : mci::err_invalid_device_id; });
    return result;
}

int LinuxMediaPort::system_info_quantity(int device_type, std::uint32_t& quantity) {
    run([&] {
        const std::uint32_t drives = std::uint32_t(engine_->drives.size());
        if ((device_type & 0xFFFF) == mci::devtype_cd_audio) {
            quantity = drives;
            return;
        }
        // The null output stands in for a device only when asked for; otherwise a server must answer.
        const std::uint32_t outputs = engine_->null_output() || engine_->sound_server() ? 1 : 0;
        quantity = (device_type & 0xFFFF) == mci::devtype_waveform_audio ? outputs : drives + outputs;
    });
    return mci::no_error;
}

int LinuxMediaPort::take_notification(std::uint32_t device_id) {
    int result = 0;
    run([&] { result = engine_->take_notification(device_id); });
    return result;
}

bool LinuxMediaPort::play_sound_synchronously(const std::string& path) {
    std::uint32_t id = 0;
    if (open({mci::devtype_automatic, path, false}, id) != mci::no_error) return false;
    std::uint32_t length = 0;
    bool played = status(id, mci::status_length, length) == mci::no_error &&
                  play(id, 0, std::nullopt, false) == mci::no_error;
    if (played) {
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(length + synchronous_grace_ms);
        std::uint32_t mode = mci::mode_play;
        while (status(id, mci::status_mode, mode) == mci::no_error && mode == mci::mode_play &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(id);
    return played;
}

} // namespace morvelin
