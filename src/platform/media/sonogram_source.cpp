#include "platform/media/sonogram_source.h"

#include "core/sound/media_port.h"
#include "platform/media/sound_decoder.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <vector>

namespace morvelin::media {

namespace {

// FFTW's planner is not thread-safe; executing a plan is.
std::mutex planner_mutex;

class FftwSonogramSource final : public SonogramSource {
public:
    FftwSonogramSource(std::unique_ptr<SoundDecoder> decoder, std::int64_t start, std::int64_t count)
        : decoder_(std::move(decoder)), start_(start), count_(count), shape_(sonogram_shape_for(count)) {
        const int n = shape_.fft_size;
        window_.resize(std::size_t(n));
        double sum = 0;
        for (int i = 0; i < n; ++i) {
            window_[std::size_t(i)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / n);
            sum += window_[std::size_t(i)];
        }
        // A full-scale sine then reads 0 dB: its peak is sum / 2 times its amplitude.
        scale_ = 2.0 / sum / 32768.0;
        in_ = fftw_alloc_real(std::size_t(n));
        out_ = fftw_alloc_complex(std::size_t(n / 2 + 1));
        std::lock_guard lock(planner_mutex);
        plan_ = fftw_plan_dft_r2c_1d(n, in_, out_, FFTW_ESTIMATE);
    }
    ~FftwSonogramSource() override {
        std::lock_guard lock(planner_mutex);
        fftw_destroy_plan(plan_);
        fftw_free(in_);
        fftw_free(out_);
    }
    FftwSonogramSource(const FftwSonogramSource&) = delete;
    FftwSonogramSource& operator=(const FftwSonogramSource&) = delete;

    int sample_rate() const override { return decoder_->sample_rate(); }
    std::int64_t sample_count() const override { return count_; }

    bool compute(std::int64_t first, int count, std::uint8_t* levels, std::string& error) override {
        const int n = shape_.fft_size;
        const int bins = shape_.bins();
        const std::int64_t begin = first * shape_.hop - n / 2; // in the slice, may be negative
        const std::int64_t end = (first + count - 1) * shape_.hop + n / 2;
        const std::int64_t read_begin = std::max<std::int64_t>(begin, 0);
        const std::int64_t read_end = std::min(end, count_);
        mono_.assign(std::size_t(end - begin), 0.0);
        if (read_end > read_begin && !read_mono(read_begin, read_end, mono_.data() + (read_begin - begin), error))
            return false;
        for (int c = 0; c < count; ++c) {
            const double* frame = mono_.data() + std::int64_t(c) * shape_.hop;
            for (int i = 0; i < n; ++i) in_[i] = frame[i] * window_[std::size_t(i)];
            fftw_execute(plan_);
            std::uint8_t* column = levels + std::int64_t(c) * bins;
            for (int b = 0; b < bins; ++b) {
                const double power = (out_[b][0] * out_[b][0] + out_[b][1] * out_[b][1]) * scale_ * scale_;
                column[b] = sonogram_level(power > 0 ? 10.0 * std::log10(power) : sonogram_floor_db);
            }
        }
        return true;
    }

private:
    bool read_mono(std::int64_t from, std::int64_t to, double* out, std::string& error) {
        const int channels = decoder_->channels();
        decoder_->seek(start_ + from);
        if (decoder_->position() != start_ + from) {
            error = "The sound file ends before the recording does.";
            return false;
        }
        std::vector<std::int16_t> frames(std::size_t(4096 * channels));
        std::int64_t at = from;
        while (at < to) {
            const std::int64_t want = std::min<std::int64_t>(4096, to - at);
            const std::int64_t got = decoder_->read(frames.data(), want);
            if (got <= 0) break; // the file is shorter than it said: the rest stays silent
            for (std::int64_t f = 0; f < got; ++f) {
                int sum = 0;
                for (int ch = 0; ch < channels; ++ch) sum += frames[std::size_t(f * channels + ch)];
                out[at - from + f] = double(sum) / channels;
            }
            at += got;
        }
        return true;
    }

    std::unique_ptr<SoundDecoder> decoder_;
    std::int64_t start_;
    std::int64_t count_;
    SonogramShape shape_;
    std::vector<double> window_;
    std::vector<double> mono_;
    double scale_ = 1;
    double* in_ = nullptr;
    fftw_complex* out_ = nullptr;
    fftw_plan plan_ = nullptr;
};

} // namespace

std::unique_ptr<SonogramSource> FftwSonogramPort::open(const std::string& path, std::int64_t start_ms,
                                                       std::int64_t length_ms, std::string& error) {
    auto decoder = std::make_unique<SoundDecoder>();
    if (const int code = decoder->open(path, false); code != mci::no_error) {
        error = "The sound file cannot be read (" + mci::error_text(code).value_or("error " + std::to_string(code)) + ").";
        return nullptr;
    }
    const int rate = decoder->sample_rate();
    const std::int64_t file_samples = decoder->length_samples();
    const std::int64_t start = std::clamp<std::int64_t>(samples_of_ms(std::max<std::int64_t>(start_ms, 0), rate), 0, file_samples);
    std::int64_t end = file_samples;
    if (length_ms >= 0) end = std::min(end, start + samples_of_ms(length_ms, rate));
    if (end <= start) {
        error = "The sound file holds no sound where the recording lies.";
        return nullptr;
    }
    return std::make_unique<FftwSonogramSource>(std::move(decoder), start, end - start);
}

} // namespace morvelin::media
