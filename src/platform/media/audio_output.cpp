#include "platform/media/audio_output.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace morvelin::media {

namespace {

using Clock = std::chrono::steady_clock;

// Once the source has run dry, an output whose clock stands still this long is taken to have
// played everything: a sound server that stops reporting must not leave a device playing forever.
constexpr auto stalled = std::chrono::seconds(3);
// How long connecting to the server or opening a stream may take. A busy machine can keep the
// server from answering for a couple of seconds; giving up sooner plays the sound into the null
// output, which nobody hears.
constexpr pa_usec_t answer_timeout_usec = 6 * PA_USEC_PER_SEC;
// The stream's buffer on the server. The position does not depend on it (the server's latency is
// taken off), but stop and seek answer within it, and a loaded machine must still keep it filled.
constexpr pa_usec_t target_latency_usec = 60 * PA_USEC_PER_MSEC;

class NullOutput final : public AudioOutput {
public:
    Start start(PcmSource& source) override {
        source_ = &source;
        delivered_ = 0;
        exhausted_ = false;
        started_ = Clock::now();
        poll();
        return Start::started;
    }
    void stop() override { source_ = nullptr; }
    std::int64_t played_frames() override {
        poll();
        return std::min(delivered_, elapsed_frames());
    }
    bool finished() override {
        poll();
        return exhausted_ && elapsed_frames() >= delivered_;
    }
    // Takes the frames that a real device would have taken by now, a little ahead like a buffer.
    void poll() override {
        if (!source_ || exhausted_) return;
        std::int64_t wanted = elapsed_frames() + source_->sample_rate() / 5;
        while (delivered_ < wanted) {
            std::int64_t chunk = std::min<std::int64_t>(4096, wanted - delivered_);
            scratch_.resize(std::size_t(chunk * source_->channels()));
            std::int64_t n = source_->read(scratch_.data(), chunk);
            if (n <= 0) {
                exhausted_ = true;
                break;
            }
            delivered_ += n;
        }
    }

private:
    std::int64_t elapsed_frames() const {
        if (!source_) return delivered_;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
        return std::int64_t(ms) * source_->sample_rate() / 1000;
    }
    PcmSource* source_ = nullptr;
    std::int64_t delivered_ = 0;
    bool exhausted_ = false;
    Clock::time_point started_;
    std::vector<std::int16_t> scratch_;
};

void signal_loop(void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

} // namespace

// libpulse's threaded main loop and one context on it. Every call into libpulse from another thread
// holds the loop's lock; callbacks run on the loop's thread with the lock held.
struct SoundServer::Connection {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;

    ~Connection() {
        if (loop) pa_threaded_mainloop_stop(loop);
        if (context) {
            pa_context_disconnect(context);
            pa_context_unref(context);
        }
        if (loop) pa_threaded_mainloop_free(loop);
    }

    class Lock {
    public:
        explicit Lock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    // Waits with the lock held until done() or the timeout; state callbacks signal the loop.
    template <class Done> bool wait_until(Done done, pa_usec_t timeout) {
        struct Expiry {
            pa_threaded_mainloop* loop;
            bool expired = false;
        } expiry{loop};
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, timeout);
        pa_time_event* timer = api->time_new(
            api, &when,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
                auto* e = static_cast<Expiry*>(user);
                e->expired = true;
                pa_threaded_mainloop_signal(e->loop, 0);
            },
            &expiry);
        while (!done() && !expiry.expired)
            pa_threaded_mainloop_wait(loop);
        api->time_free(timer);
        return done();
    }

    bool ready() { return pa_context_get_state(context) == PA_CONTEXT_READY; }
};

SoundServer::SoundServer() : connection_(std::make_unique<Connection>()) {}
SoundServer::~SoundServer() = default;

std::shared_ptr<SoundServer> SoundServer::connect() {
    std::shared_ptr<SoundServer> server(new SoundServer());
    Connection& c = *server->connection_;
    c.loop = pa_threaded_mainloop_new();
    if (!c.loop) return nullptr;
    pa_threaded_mainloop_set_name(c.loop, "sound server");
    c.context = pa_context_new(pa_threaded_mainloop_get_api(c.loop), "Morvelin");
    if (!c.context) return nullptr;
    pa_context_set_state_callback(
        c.context, [](pa_context*, void* loop) { signal_loop(loop); }, c.loop);
    // No autospawn: a missing server means the null output, not a server started behind the user's back.
    if (pa_context_connect(c.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return nullptr;
    if (pa_threaded_mainloop_start(c.loop) < 0) return nullptr;
    bool ready = false;
    {
        Connection::Lock lock(c.loop);
        c.wait_until([&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(c.context)) || c.ready(); },
                     answer_timeout_usec);
        ready = c.ready();
    }
    return ready ? server : nullptr;
}

bool SoundServer::connected() const {
    Connection::Lock lock(connection_->loop);
    return connection_->ready();
}

namespace {

// A playback stream fed from libpulse's thread: whenever the server asks for data, the source is
// read into the server's memory. The position is the stream's time: what the server has taken minus
// the latency of the sink behind it, interpolated between the server's timing reports.
class ServerOutput final : public AudioOutput {
public:
    explicit ServerOutput(std::shared_ptr<SoundServer> server, SoundServer::Connection& connection)
        : server_(std::move(server)), c_(connection) {}
    ~ServerOutput() override { stop(); }

    Start start(PcmSource& source) override {
        stop();
        pa_sample_spec spec{PA_SAMPLE_S16NE, std::uint32_t(source.sample_rate()),
                            std::uint8_t(source.channels())};
        if (source.sample_rate() <= 0 || source.channels() <= 0 || !pa_sample_spec_valid(&spec))
            return Start::unsuitable_format;
        SoundServer::Connection::Lock lock(c_.loop);
        if (!c_.ready()) return Start::no_device;
        source_ = &source;
        rate_ = source.sample_rate();
        frame_bytes_ = pa_frame_size(&spec);
        delivered_ = 0;
        exhausted_ = drained_ = false;
        stream_ = pa_stream_new(c_.context, "Morvelin", &spec, nullptr);
        if (!stream_) return release(Start::no_device);
        pa_stream_set_state_callback(
            stream_, [](pa_stream*, void* loop) { signal_loop(loop); }, c_.loop);
        pa_stream_set_write_callback(
            stream_, [](pa_stream*, std::size_t bytes, void* self) { static_cast<ServerOutput*>(self)->fill(bytes); },
            this);
        pa_buffer_attr buffer{};
        buffer.maxlength = std::uint32_t(-1);
        buffer.tlength = std::uint32_t(pa_usec_to_bytes(target_latency_usec, &spec));
        buffer.prebuf = std::uint32_t(-1);
        buffer.minreq = std::uint32_t(-1);
        buffer.fragsize = std::uint32_t(-1);
        const auto flags = pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                             PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0)
            return release(Start::no_device);
        c_.wait_until([&] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; }, answer_timeout_usec);
        if (pa_stream_get_state(stream_) != PA_STREAM_READY) return release(Start::no_device);
        last_played_ = -1;
        return Start::started;
    }

    void stop() override {
        if (!stream_) return;
        SoundServer::Connection::Lock lock(c_.loop);
        release(Start::started);
    }

    std::int64_t played_frames() override {
        SoundServer::Connection::Lock lock(c_.loop);
        return heard();
    }

    bool finished() override {
        std::int64_t played = 0;
        {
            SoundServer::Connection::Lock lock(c_.loop);
            if (!stream_) return true;
            // A stream the server has dropped (the server ended) plays no more.
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) return true;
            if (!exhausted_) return false;
            played = heard();
            if (played >= delivered_) return true;
        }
        if (played != last_played_) {
            last_played_ = played;
            still_since_ = Clock::now();
            return false;
        }
        return Clock::now() - still_since_ > stalled;
    }

    // Asks for fresh timing now and then: the interpolation runs on the local clock, and the end is
    // noticed from the server's report.
    void poll() override {
        SoundServer::Connection::Lock lock(c_.loop);
        if (!stream_ || timing_ || pa_stream_get_state(stream_) != PA_STREAM_READY) return;
        timing_ = pa_stream_update_timing_info(
            stream_,
            [](pa_stream*, int, void* self) {
                auto* output = static_cast<ServerOutput*>(self);
                pa_operation_unref(output->timing_);
                output->timing_ = nullptr;
            },
            this);
    }

private:
    // With the lock held.
    std::int64_t heard() {
        if (!stream_) return 0;
        std::int64_t frames = 0;
        pa_usec_t time = 0;
        if (pa_stream_get_time(stream_, &time) == 0) frames = std::int64_t(time * pa_usec_t(rate_) / PA_USEC_PER_SEC);
        if (drained_) {
            // The server has taken the last frame. After that underrun its timing reports stand still,
            // so from the drain on the position runs with the clock to the end.
            const pa_usec_t since = pa_rtclock_now() - drained_at_;
            frames = std::max(frames, drained_frames_ + std::int64_t(since * pa_usec_t(rate_) / PA_USEC_PER_SEC));
        }
        return std::clamp<std::int64_t>(frames, 0, delivered_);
    }

    // On the loop's thread: the server wants up to `bytes` more.
    void fill(std::size_t bytes) {
        while (!exhausted_ && source_ && bytes >= frame_bytes_) {
            void* data = nullptr;
            std::size_t size = bytes;
            if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data) return;
            const std::int64_t frames = std::int64_t(std::min(size, bytes) / frame_bytes_);
            const std::int64_t n = frames > 0 ? source_->read(static_cast<std::int16_t*>(data), frames) : 0;
            if (n <= 0) {
                pa_stream_cancel_write(stream_);
                if (frames > 0) begin_drain();
                return;
            }
            pa_stream_write(stream_, data, std::size_t(n) * frame_bytes_, nullptr, 0, PA_SEEK_RELATIVE);
            delivered_ += n;
            bytes -= std::size_t(n) * frame_bytes_;
        }
    }

    // The source has run dry: the drain also starts a stream whose sound was shorter than its
    // start-up buffer, and tells when the server has taken everything.
    void begin_drain() {
        exhausted_ = true;
        source_ = nullptr;
        drain_ = pa_stream_drain(
            stream_,
            [](pa_stream*, int, void* self) {
                auto* output = static_cast<ServerOutput*>(self);
                pa_operation_unref(output->drain_);
                output->drain_ = nullptr;
                output->drained_frames_ = output->heard();
                output->drained_ = true;
                output->drained_at_ = pa_rtclock_now();
            },
            this);
    }

    // With the lock held. Cancelled operations call nothing, and a disconnected stream asks for nothing,
    // so the source is not read once this returns.
    Start release(Start result) {
        for (pa_operation** operation : {&drain_, &timing_})
            if (*operation) {
                pa_operation_cancel(*operation);
                pa_operation_unref(*operation);
                *operation = nullptr;
            }
        if (stream_) {
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            if (pa_stream_get_state(stream_) == PA_STREAM_READY || pa_stream_get_state(stream_) == PA_STREAM_CREATING)
                pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
        source_ = nullptr;
        return result;
    }

    std::shared_ptr<SoundServer> server_;
    SoundServer::Connection& c_;
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    pa_operation* timing_ = nullptr;
    PcmSource* source_ = nullptr;
    int rate_ = 44100;
    std::size_t frame_bytes_ = 4;
    std::int64_t delivered_ = 0;
    bool exhausted_ = false;
    bool drained_ = false;
    pa_usec_t drained_at_ = 0;
    std::int64_t drained_frames_ = 0;
    std::int64_t last_played_ = -1;
    Clock::time_point still_since_;
};

} // namespace

bool null_output_requested() {
    const char* choice = std::getenv("MORVELIN_AUDIO_OUTPUT");
    return choice && std::strcmp(choice, "null") == 0;
}

std::unique_ptr<AudioOutput> make_null_output() {
    return std::make_unique<NullOutput>();
}

std::unique_ptr<AudioOutput> make_server_output(const std::shared_ptr<SoundServer>& server) {
    if (!server) return make_null_output();
    return std::make_unique<ServerOutput>(server, *server->connection_);
}

} // namespace morvelin::media
