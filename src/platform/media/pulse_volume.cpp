#include "platform/media/pulse_volume.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace morvelin {

namespace {

constexpr auto answer_timeout = std::chrono::seconds(2);

std::uint16_t half_of(pa_volume_t volume) {
    std::uint64_t v = std::uint64_t(volume) * 65535 / PA_VOLUME_NORM;
    return std::uint16_t(std::min<std::uint64_t>(v, 65535));
}

// Rounded up, so that the half read back is the half set.
pa_volume_t volume_of(std::uint16_t half) {
    return pa_volume_t((std::uint64_t(half) * PA_VOLUME_NORM + 65534) / 65535);
}

bool is_left(pa_channel_position_t p) {
    return p == PA_CHANNEL_POSITION_FRONT_LEFT || p == PA_CHANNEL_POSITION_REAR_LEFT ||
           p == PA_CHANNEL_POSITION_SIDE_LEFT || p == PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER ||
           p == PA_CHANNEL_POSITION_TOP_FRONT_LEFT || p == PA_CHANNEL_POSITION_TOP_REAR_LEFT;
}

bool is_right(pa_channel_position_t p) {
    return p == PA_CHANNEL_POSITION_FRONT_RIGHT || p == PA_CHANNEL_POSITION_REAR_RIGHT ||
           p == PA_CHANNEL_POSITION_SIDE_RIGHT || p == PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER ||
           p == PA_CHANNEL_POSITION_TOP_FRONT_RIGHT || p == PA_CHANNEL_POSITION_TOP_REAR_RIGHT;
}

struct SinkState {
    bool done = false;
    bool found = false;
    std::string name;
    std::string description;
    pa_cvolume volume{};
    pa_channel_map map{};
};

// One connection to the server for the life of one call, driven by a private main loop.
class Connection {
public:
    explicit Connection(const std::string& server) {
        loop_ = pa_mainloop_new();
        if (!loop_) return;
        context_ = pa_context_new(pa_mainloop_get_api(loop_), "Morvelin volume");
        if (!context_) return;
        if (pa_context_connect(context_, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                               nullptr) < 0)
            return;
        ready_ = iterate_until([this] {
                     pa_context_state_t state = pa_context_get_state(context_);
                     return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
                 }) &&
                 pa_context_get_state(context_) == PA_CONTEXT_READY;
    }
    ~Connection() {
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_) pa_mainloop_free(loop_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool ready() const { return ready_; }

    template <class Done> bool iterate_until(Done done) {
        auto deadline = std::chrono::steady_clock::now() + answer_timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            // Blocks briefly at most: the wait is bounded by the loop's own poll timeout.
            if (pa_mainloop_prepare(loop_, 50000) < 0 || pa_mainloop_poll(loop_) < 0 ||
                pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    bool wait(pa_operation* operation) {
        if (!operation) return false;
        bool finished =
            iterate_until([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        if (!finished) pa_operation_cancel(operation);
        pa_operation_unref(operation);
        return finished;
    }

    // The default sink's name, volume and channel map.
    bool default_sink(SinkState& sink) {
        struct ServerAnswer {
            std::string default_sink;
            bool known = false;
        } answer;
        pa_operation* info = pa_context_get_server_info(
            context_,
            [](pa_context*, const pa_server_info* i, void* user) {
                auto* a = static_cast<ServerAnswer*>(user);
                if (i && i->default_sink_name) {
                    a->default_sink = i->default_sink_name;
                    a->known = true;
                }
            },
            &answer);
        if (!wait(info) || !answer.known) return false;
        pa_operation* get = pa_context_get_sink_info_by_name(
            context_, answer.default_sink.c_str(),
            [](pa_context*, const pa_sink_info* i, int eol, void* user) {
                auto* s = static_cast<SinkState*>(user);
                if (eol) {
                    s->done = true;
                    return;
                }
                if (!i) return;
                s->found = true;
                s->name = i->name ? i->name : "";
                s->description = i->description ? i->description : s->name;
                s->volume = i->volume;
                s->map = i->channel_map;
            },
            &sink);
        return wait(get) && sink.found;
    }

    bool set_sink_volume(const std::string& name, const pa_cvolume& volume) {
        bool success = false;
        pa_operation* set = pa_context_set_sink_volume_by_name(
            context_, name.c_str(), &volume,
            [](pa_context*, int ok, void* user) { *static_cast<bool*>(user) = ok != 0; }, &success);
        return wait(set) && success;
    }

private:
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool ready_ = false;
};

bool known_device(int device) {
    return device == 0 || device == mci::wave_mapper;
}

} // namespace

PulseVolume::PulseVolume(std::string server) : server_(std::move(server)) {}

int PulseVolume::capabilities(int device, WaveOutCapabilities& caps) {
    caps = {};
    if (!known_device(device)) return mci::mmsyserr_baddeviceid;
    Connection connection(server_);
    SinkState sink;
    if (!connection.ready() || !connection.default_sink(sink)) return mci::mmsyserr_nodriver;
    caps.channels = sink.map.channels >= 2 ? 2 : 1;
    caps.supports_volume = true;
    caps.supports_lr_volume = sink.map.channels >= 2;
    caps.name = sink.description;
    return mci::mmsyserr_noerror;
}

int PulseVolume::get_volume(int device, std::uint16_t& left, std::uint16_t& right) {
    left = right = 0;
    if (!known_device(device)) return mci::mmsyserr_baddeviceid;
    Connection connection(server_);
    SinkState sink;
    if (!connection.ready() || !connection.default_sink(sink)) return mci::mmsyserr_nodriver;
    pa_volume_t l = 0, r = 0, other = 0;
    bool any_left = false, any_right = false;
    for (unsigned i = 0; i < sink.volume.channels; ++i) {
        pa_volume_t v = sink.volume.values[i];
        pa_channel_position_t p = i < sink.map.channels ? sink.map.map[i] : PA_CHANNEL_POSITION_MONO;
        if (is_left(p)) {
            l = std::max(l, v);
            any_left = true;
        } else if (is_right(p)) {
            r = std::max(r, v);
            any_right = true;
        } else {
            other = std::max(other, v);
        }
    }
    if (!any_left) l = other;
    if (!any_right) r = any_left ? l : other;
    left = half_of(l);
    right = sink.map.channels >= 2 ? half_of(r) : 0;
    return mci::mmsyserr_noerror;
}

int PulseVolume::set_volume(int device, std::uint16_t left, std::uint16_t right) {
    if (!known_device(device)) return mci::mmsyserr_baddeviceid;
    Connection connection(server_);
    SinkState sink;
    if (!connection.ready() || !connection.default_sink(sink)) return mci::mmsyserr_nodriver;
    pa_cvolume volume = sink.volume;
    for (unsigned i = 0; i < volume.channels; ++i) {
        pa_channel_position_t p = i < sink.map.channels ? sink.map.map[i] : PA_CHANNEL_POSITION_MONO;
        std::uint16_t half = sink.map.channels < 2 ? left
                             : is_left(p)          ? left
                             : is_right(p)         ? right
                                                   : std::max(left, right);
        volume.values[i] = volume_of(half);
    }
    return connection.set_sink_volume(sink.name, volume) ? mci::mmsyserr_noerror : mci::mmsyserr_error;
}

} // namespace morvelin
