#include "platform/media/audio_output.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace morvelin::media {

namespace {

// Once the source has run dry, an output whose clock stands still this long is taken to have
// played everything: a sound server that stops reporting must not leave a device playing forever.
constexpr qint64 stalled_ms = 3000;

class NullOutput final : public AudioOutput {
public:
    Start start(PcmSource& source) override {
        source_ = &source;
        delivered_ = 0;
        exhausted_ = false;
        clock_.start();
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
        return source_ ? clock_.elapsed() * source_->sample_rate() / 1000 : delivered_;
    }
    PcmSource* source_ = nullptr;
    std::int64_t delivered_ = 0;
    bool exhausted_ = false;
    QElapsedTimer clock_;
    std::vector<std::int16_t> scratch_;
};

// The sink pulls from this device; it decodes on demand on the sink's thread.
class SourceDevice final : public QIODevice {
public:
    explicit SourceDevice(PcmSource& source)
        : source_(source), frame_bytes_(qint64(sizeof(std::int16_t)) * source.channels()) {}
    bool isSequential() const override { return true; }
    // Never at its end as far as the sink knows: Qt's PulseAudio sink answers a source at its end with
    // a drain whose completion can arrive after the sink is deleted, and crash the program. The output
    // tells the end itself, from exhausted() and the played time.
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return exhausted_ ? 0 : 1 << 20; }
    bool exhausted() const { return exhausted_; }
    std::int64_t delivered() const { return delivered_; }

protected:
    qint64 readData(char* data, qint64 max_size) override {
        qint64 frames = max_size / frame_bytes_;
        if (frames <= 0 || exhausted_) return 0;
        buffer_.resize(std::size_t(frames * source_.channels()));
        std::int64_t n = source_.read(buffer_.data(), frames);
        if (n <= 0) {
            exhausted_ = true;
            return 0;
        }
        std::memcpy(data, buffer_.data(), std::size_t(n * frame_bytes_));
        delivered_ += n;
        return n * frame_bytes_;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    PcmSource& source_;
    qint64 frame_bytes_;
    bool exhausted_ = false;
    std::int64_t delivered_ = 0;
    std::vector<std::int16_t> buffer_;
};

class QtOutput final : public AudioOutput {
public:
    explicit QtOutput(QAudioDevice device) : device_(std::move(device)) {}
    ~QtOutput() override { stop(); }

    Start start(PcmSource& source) override {
        stop();
        QAudioFormat format;
        format.setSampleRate(source.sample_rate());
        format.setChannelCount(source.channels());
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device_.isFormatSupported(format)) return Start::unsuitable_format;
        rate_ = source.sample_rate();
        input_ = std::make_unique<SourceDevice>(source);
        input_->open(QIODevice::ReadOnly);
        sink_ = std::make_unique<QAudioSink>(device_, format);
        sink_->start(input_.get());
        if (sink_->error() == QAudio::OpenError || sink_->state() == QAudio::StoppedState) {
            stop();
            return Start::no_device;
        }
        last_played_ = -1;
        return Start::started;
    }

    // The sink is taken out before it is stopped: its teardown may run the event loop, and whoever
    // asks meanwhile must see a stopped output, not one half destroyed.
    void stop() override {
        std::unique_ptr<QAudioSink> sink = std::move(sink_);
        std::unique_ptr<SourceDevice> input = std::move(input_);
        if (sink) sink->stop();
        sink.reset();
    }

    std::int64_t played_frames() override {
        if (!sink_) return 0;
        std::int64_t played = sink_->processedUSecs() * rate_ / 1000000;
        return std::min(played, input_->delivered());
    }

    bool finished() override {
        if (!sink_) return true;
        if (!input_->exhausted()) return false;
        std::int64_t played = played_frames();
        // Within a millisecond of the end counts as the end: the clock is kept in microseconds.
        if (played >= input_->delivered() - rate_ / 1000) return true;
        if (played != last_played_) {
            last_played_ = played;
            still_.start();
            return false;
        }
        return still_.isValid() && still_.elapsed() > stalled_ms;
    }

private:
    QAudioDevice device_;
    std::unique_ptr<SourceDevice> input_;
    std::unique_ptr<QAudioSink> sink_;
    int rate_ = 44100;
    std::int64_t last_played_ = -1;
    QElapsedTimer still_;
};

bool null_output_requested() {
    const char* choice = std::getenv("MORVELIN_AUDIO_OUTPUT");
    return choice && std::strcmp(choice, "null") == 0;
}

} // namespace

std::unique_ptr<AudioOutput> make_null_output() {
    return std::make_unique<NullOutput>();
}

std::unique_ptr<AudioOutput> make_audio_output() {
    if (null_output_requested()) return make_null_output();
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return make_null_output();
    return std::make_unique<QtOutput>(device);
}

} // namespace morvelin::media
