#include "platform/media/playback_source.h"

#include <rubberband/RubberBandStretcher.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <vector>

namespace morvelin::media {

namespace {

std::int16_t to_pcm(float value) {
    return std::int16_t(std::lround(std::clamp(value, -32768.0f, 32767.0f)));
}

// Where the recording is read: the section first, then the loop's turns.
class Input {
public:
    Input(PlaybackSource::Opener open, std::int64_t from, std::int64_t to, std::optional<PlaybackSource::Loop> loop)
        : open_(std::move(open)) {
        if (loop && loop->from < loop->to) {
            loop_ = loop;
            if (from < loop->from || from >= loop->to) from = loop->from;
            to = loop->to;
        }
        start(from, to);
        if (source_) {
            rate_ = source_->sample_rate();
            channels_ = source_->channels();
        }
    }

    bool ok() const { return source_ != nullptr; }
    int sample_rate() const { return rate_; }
    int channels() const { return channels_; }

    // Up to max_frames frames; 0 only at the end (never while a loop plays).
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) {
        std::int64_t n = 0;
        bool fresh = false;
        while (source_ && (n = source_->read(frames, max_frames)) == 0) {
            // A turn that gives nothing would spin for ever.
            if (!loop_ || fresh) {
                source_.reset();
                break;
            }
            start(loop_->from, loop_->to);
            fresh = true;
            if (source_ && (source_->sample_rate() != rate_ || source_->channels() != channels_)) source_.reset();
        }
        consumed_ += n;
        return n;
    }

    // The recording frame that was the consumed-th frame read.
    std::int64_t position(std::int64_t consumed) const {
        std::lock_guard lock(mutex_);
        auto after = std::upper_bound(segments_.begin(), segments_.end(), consumed,
                                      [](std::int64_t c, const Segment& s) { return c < s.consumed_start; });
        if (after == segments_.begin()) return segments_.empty() ? 0 : segments_.front().from;
        const Segment& s = *std::prev(after);
        return std::min(s.from + (consumed - s.consumed_start), s.to);
    }

private:
    struct Segment {
        std::int64_t consumed_start;
        std::int64_t from;
        std::int64_t to;
    };

    void start(std::int64_t from, std::int64_t to) {
        source_ = open_(from, to);
        std::lock_guard lock(mutex_);
        segments_.push_back({consumed_, from, to});
    }

    PlaybackSource::Opener open_;
    std::optional<PlaybackSource::Loop> loop_;
    std::unique_ptr<PcmSource> source_;
    int rate_ = 44100;
    int channels_ = 2;
    std::int64_t consumed_ = 0;
    mutable std::mutex mutex_;
    std::vector<Segment> segments_;
};

class Stage {
public:
    virtual ~Stage() = default;
    virtual std::int64_t read(std::int16_t* frames, std::int64_t max_frames) = 0;
};

class PassThrough final : public Stage {
public:
    explicit PassThrough(Input& input) : input_(input) {}
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override { return input_.read(frames, max_frames); }

private:
    Input& input_;
};

// Tape speed 1/factor: output frame k is the recording at frame k / factor, interpolated with a
// Blackman-windowed sinc that cuts just below the recording's Nyquist frequency (so that the images
// of the upsampling stay out of what is heard).
class TapeResampler final : public Stage {
public:
    static constexpr int half_width = 16; // input frames on either side

    TapeResampler(Input& input, int factor)
        : input_(input), factor_(factor), channels_(input.channels()),
          taps_(std::size_t(factor), std::vector<float>(2 * half_width)) {
        constexpr double cutoff = 0.92;
        for (int phase = 0; phase < factor; ++phase) {
            double sum = 0;
            for (int i = 0; i < 2 * half_width; ++i) {
                const double d = double(phase) / factor + (half_width - 1) - i;
                const double u = d / half_width;
                const double window =
                    0.42 + 0.5 * std::cos(std::numbers::pi * u) + 0.08 * std::cos(2 * std::numbers::pi * u);
                const double x = std::numbers::pi * cutoff * d;
                const double h = cutoff * (d == 0 ? 1.0 : std::sin(x) / x) * window;
                taps_[std::size_t(phase)][std::size_t(i)] = float(h);
                sum += h;
            }
            for (float& t : taps_[std::size_t(phase)])
                t = float(t / sum);
        }
        // Silence before the recording's first frame.
        buffer_.assign(std::size_t((half_width - 1) * channels_), 0.0f);
        base_ = -(half_width - 1);
    }

    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override {
        std::int64_t produced = 0;
        while (produced < max_frames) {
            const std::int64_t n0 = next_ / factor_;
            if (!available(n0 + half_width) || (ended_ && n0 >= received_)) break;
            const int phase = int(next_ % factor_);
            const float* x = buffer_.data() + (n0 - half_width + 1 - base_) * channels_;
            const auto& taps = taps_[std::size_t(phase)];
            for (int c = 0; c < channels_; ++c) {
                float sum = 0;
                for (int i = 0; i < 2 * half_width; ++i)
                    sum += x[i * channels_ + c] * taps[std::size_t(i)];
                frames[produced * channels_ + c] = to_pcm(sum);
            }
            ++next_;
            ++produced;
        }
        // Frames before the window of the next output are no longer needed.
        const std::int64_t keep_from = next_ / factor_ - half_width + 1;
        if (keep_from - base_ > 8192) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + (keep_from - base_) * channels_);
            base_ = keep_from;
        }
        return produced;
    }

private:
    // The buffer holds input frame `index`; false when the input ended before it (after its end come
    // half_width frames of silence).
    bool available(std::int64_t index) {
        while (base_ + std::int64_t(buffer_.size()) / channels_ <= index && !ended_) {
            chunk_.resize(std::size_t(1024 * channels_));
            const std::int64_t n = input_.read(chunk_.data(), 1024);
            if (n == 0) {
                ended_ = true;
                buffer_.insert(buffer_.end(), std::size_t(half_width * channels_), 0.0f);
                break;
            }
            received_ += n;
            buffer_.insert(buffer_.end(), chunk_.begin(), chunk_.begin() + n * channels_);
        }
        return base_ + std::int64_t(buffer_.size()) / channels_ > index;
    }

    Input& input_;
    const int factor_;
    const int channels_;
    std::vector<std::vector<float>> taps_;
    std::vector<float> buffer_; // interleaved, from input frame base_
    std::int64_t base_ = 0;
    std::int64_t next_ = 0;     // the next output frame
    std::int64_t received_ = 0; // input frames read
    bool ended_ = false;
    std::vector<std::int16_t> chunk_;
};

// Time-stretch and pitch shift with Rubber Band's real-time stretcher. Its start delay is dropped, so
// that output frame k is heard where input frame k x speed lies.
class Stretcher final : public Stage {
public:
    Stretcher(Input& input, double speed, double pitch)
        : input_(input), channels_(input.channels()),
          stretcher_(std::size_t(input.sample_rate()), std::size_t(input.channels()),
                     RubberBand::RubberBandStretcher::OptionProcessRealTime |
                         RubberBand::RubberBandStretcher::OptionPitchHighQuality,
                     1.0 / speed, pitch),
          in_(std::size_t(channels_)), out_(std::size_t(channels_)) {
        std::size_t pad = stretcher_.getPreferredStartPad();
        for (auto& channel : in_)
            channel.assign(std::max<std::size_t>(pad, block), 0.0f);
        if (pad > 0) process(pad, false);
        discard_ = std::int64_t(stretcher_.getStartDelay());
    }

    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override {
        std::int64_t produced = 0;
        while (produced < max_frames) {
            const int available = stretcher_.available();
            if (available < 0) break; // everything has been given
            if (available == 0) {
                if (final_given_) break;
                feed();
                continue;
            }
            const std::size_t n = std::min<std::size_t>({std::size_t(available), block,
                                                         std::size_t(max_frames - produced) + std::size_t(discard_)});
            for (auto& channel : out_)
                channel.resize(block);
            std::vector<float*> pointers;
            for (auto& channel : out_)
                pointers.push_back(channel.data());
            const std::size_t got = stretcher_.retrieve(pointers.data(), n);
            const std::size_t skip = std::min<std::size_t>(got, std::size_t(discard_));
            discard_ -= std::int64_t(skip);
            for (std::size_t i = skip; i < got; ++i, ++produced)
                for (int c = 0; c < channels_; ++c)
                    frames[produced * channels_ + c] = to_pcm(out_[std::size_t(c)][i] * 32768.0f);
        }
        return produced;
    }

private:
    static constexpr std::size_t block = 4096;

    void feed() {
        const std::size_t wanted = std::clamp<std::size_t>(stretcher_.getSamplesRequired(), 256, block);
        chunk_.resize(wanted * std::size_t(channels_));
        std::size_t got = 0;
        while (got < wanted) {
            const std::int64_t n = input_.read(chunk_.data() + got * std::size_t(channels_), std::int64_t(wanted - got));
            if (n == 0) break;
            got += std::size_t(n);
        }
        for (int c = 0; c < channels_; ++c) {
            auto& channel = in_[std::size_t(c)];
            channel.resize(std::max(got, std::size_t(1)));
            for (std::size_t i = 0; i < got; ++i)
                channel[i] = float(chunk_[i * std::size_t(channels_) + std::size_t(c)]) / 32768.0f;
        }
        final_given_ = got < wanted;
        process(got, final_given_);
    }

    void process(std::size_t frames, bool final) {
        std::vector<const float*> pointers;
        for (const auto& channel : in_)
            pointers.push_back(channel.data());
        stretcher_.process(pointers.data(), frames, final);
    }

    Input& input_;
    const int channels_;
    RubberBand::RubberBandStretcher stretcher_;
    std::vector<std::vector<float>> in_;
    std::vector<std::vector<float>> out_;
    std::vector<std::int16_t> chunk_;
    std::int64_t discard_ = 0;
    bool final_given_ = false;
};

} // namespace

struct PlaybackSource::Impl {
    Input input;
    double speed;
    std::unique_ptr<Stage> stage;

    Impl(Opener open, std::int64_t from, std::int64_t to, PlaybackMode mode, std::optional<Loop> loop)
        : input(std::move(open), from, to, loop), speed(playback_speed(mode)) {
        if (!input.ok()) return;
        switch (mode) {
        case PlaybackMode::normal:
            stage = std::make_unique<PassThrough>(input);
            break;
        case PlaybackMode::tape_half:
        case PlaybackMode::tape_quarter:
        case PlaybackMode::tape_eighth:
            stage = std::make_unique<TapeResampler>(input, int(std::lround(1.0 / speed)));
            break;
        case PlaybackMode::stretch_half:
        case PlaybackMode::stretch_quarter:
        case PlaybackMode::octave_down:
            stage = std::make_unique<Stretcher>(input, speed, playback_pitch(mode));
            break;
        }
    }
};

PlaybackSource::PlaybackSource(Opener open, std::int64_t from, std::int64_t to, PlaybackMode mode,
                               std::optional<Loop> loop)
    : impl_(std::make_unique<Impl>(std::move(open), from, to, mode, loop)) {}

PlaybackSource::~PlaybackSource() = default;

bool PlaybackSource::ok() const {
    return impl_->stage != nullptr;
}

int PlaybackSource::sample_rate() const {
    return impl_->input.sample_rate();
}

int PlaybackSource::channels() const {
    return impl_->input.channels();
}

std::int64_t PlaybackSource::read(std::int16_t* frames, std::int64_t max_frames) {
    return impl_->stage ? impl_->stage->read(frames, max_frames) : 0;
}

std::int64_t PlaybackSource::recording_position(std::int64_t played) const {
    return impl_->input.position(std::int64_t(std::floor(double(played) * impl_->speed)));
}

} // namespace morvelin::media
