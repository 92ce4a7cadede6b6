#include "platform/media/sound_decoder.h"

#include "core/foundation/byte_files.h"
#include "core/sound/media_port.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

namespace morvelin::media {

namespace {

// MPEG audio seeks by the demuxers are estimates (byte position from bitrate), so MPEG audio gets
// an index of its packets made at open: each packet's byte position and first sample. A seek then
// starts at an exact packet a few packets early: the bit reservoir and the overlap of the synthesis
// filters need the frames before the target to give the same samples as decoding from the start.
constexpr std::size_t mpeg_preroll_packets = 10;
// Other codecs seek by timestamp, this much before the target.
constexpr int preroll_divisor = 10; // a tenth of a second

struct PacketEntry {
    std::int64_t pos;
    std::int64_t first_sample;
};

bool is_riff_wave(const std::string& path) {
    FileHandle in = open_regular_file(path);
    char head[12] = {};
    if (!in || std::fread(head, 1, sizeof head, in.get()) != sizeof head) return false;
    return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

// Failures reach the caller as MCI error numbers; FFmpeg's own console messages would only be noise.
void quiet_ffmpeg() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

// FFmpeg would wait on a pipe and read a device without end: sound files are regular files.
bool is_readable_file(const std::string& path) {
    return open_regular_file(path) != nullptr;
}

} // namespace

std::int64_t samples_of_ms(std::int64_t ms, int sample_rate) {
    return (ms * sample_rate + 999) / 1000;
}

std::int64_t ms_of_samples(std::int64_t samples, int sample_rate) {
    return sample_rate > 0 ? samples * 1000 / sample_rate : 0;
}

struct SoundDecoder::Impl {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    AVRational stream_time_base{1, 1};
    std::int64_t start_time = 0; // in stream time base
    int rate = 0;
    int out_channels = 0;
    std::int64_t length = 0;

    bool indexed = false;
    std::vector<PacketEntry> index;
    std::size_t next_packet = 0;

    // Swr input the converter was made for.
    AVChannelLayout swr_layout{};
    int swr_format = -1;

    // Decoded samples not yet read: frames [pending_start, pending_start + pending_frames()).
    std::vector<std::int16_t> pending;
    std::size_t pending_offset = 0; // in frames
    std::int64_t pending_start = 0;
    std::int64_t read_pos = 0;
    std::int64_t decode_next = 0; // the sample after the last decoded frame
    bool input_ended = false;

    ~Impl() {
        swr_free(&swr);
        av_channel_layout_uninit(&swr_layout);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    std::int64_t pending_frames() const {
        return out_channels ? std::int64_t(pending.size()) / out_channels - std::int64_t(pending_offset) : 0;
    }

    bool build_index() {
        AVRational sample_base{1, rate};
        std::int64_t total = 0;
        int fallback_samples = codec->frame_size > 0 ? codec->frame_size : 1152;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) {
                std::int64_t samples = packet->duration > 0
                                           ? av_rescale_q(packet->duration, stream_time_base, sample_base)
                                           : fallback_samples;
                index.push_back({packet->pos, total});
                total += samples;
            }
            av_packet_unref(packet);
        }
        length = total;
        return !index.empty() && rewind_to_packet(0);
    }

    bool rewind_to_packet(std::size_t k) {
        if (av_seek_frame(format, stream, index[k].pos, AVSEEK_FLAG_BYTE) < 0) return false;
        avcodec_flush_buffers(codec);
        next_packet = k;
        decode_next = index[k].first_sample;
        input_ended = false;
        return true;
    }

    // Gives the packet the first sample of its index entry, found by its byte position when the
    // demuxer tells it, by its order otherwise.
    void stamp_packet() {
        if (packet->pos >= 0 && (next_packet >= index.size() || index[next_packet].pos != packet->pos)) {
            auto found = std::lower_bound(index.begin(), index.end(), packet->pos,
                                          [](const PacketEntry& e, std::int64_t pos) { return e.pos < pos; });
            if (found != index.end() && found->pos == packet->pos)
                next_packet = std::size_t(found - index.begin());
        }
        if (next_packet < index.size()) {
            packet->pts = packet->dts = index[next_packet].first_sample;
            ++next_packet;
        } else {
            packet->pts = packet->dts = AV_NOPTS_VALUE;
        }
    }

    bool ensure_converter() {
        AVChannelLayout in_layout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
            av_channel_layout_default(&in_layout, frame->ch_layout.nb_channels > 0
                                                      ? frame->ch_layout.nb_channels
                                                      : codec->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&in_layout, &frame->ch_layout);
        if (swr && swr_format == frame->format && av_channel_layout_compare(&swr_layout, &in_layout) == 0) {
            av_channel_layout_uninit(&in_layout);
            return true;
        }
        swr_free(&swr);
        AVChannelLayout out_layout{};
        av_channel_layout_default(&out_layout, out_channels);
        int in_rate = frame->sample_rate > 0 ? frame->sample_rate : rate;
        // Frames are kept at the stream's rate: a frame at another rate is taken sample for sample.
        bool made = swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_S16, in_rate, &in_layout,
                                        AVSampleFormat(frame->format), in_rate, 0, nullptr) >= 0 &&
                    swr_init(swr) >= 0;
        av_channel_layout_uninit(&out_layout);
        av_channel_layout_uninit(&swr_layout);
        swr_layout = in_layout;
        swr_format = frame->format;
        if (!made) swr_free(&swr);
        return made;
    }

    bool take_frame() {
        std::int64_t start;
        if (indexed) {
            start = frame->pts != AV_NOPTS_VALUE ? frame->pts : decode_next;
        } else {
            std::int64_t ts = frame->best_effort_timestamp;
            start = ts != AV_NOPTS_VALUE
                        ? av_rescale_q(ts - start_time, stream_time_base, AVRational{1, rate})
                        : decode_next;
        }
        if (frame->nb_samples <= 0 || !ensure_converter()) return false;
        pending.assign(std::size_t(frame->nb_samples + 64) * std::size_t(out_channels), 0);
        std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(pending.data())};
        int made = swr_convert(swr, out, frame->nb_samples + 64,
                               const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
        if (made <= 0) {
            pending.clear();
            return false;
        }
        pending.resize(std::size_t(made) * std::size_t(out_channels));
        pending_offset = 0;
        pending_start = start;
        decode_next = start + made;
        return true;
    }

    // Decodes until one frame of samples is pending; false at the end of the stream.
    bool decode_more() {
        for (;;) {
            int r = avcodec_receive_frame(codec, frame);
            if (r == 0) {
                bool taken = take_frame();
                av_frame_unref(frame);
                if (taken) return true;
                continue;
            }
            if (r == AVERROR_EOF) return false;
            if (r != AVERROR(EAGAIN)) {
                // A decoder that fails without asking for input cannot go on.
                return false;
            }
            if (input_ended) return false;
            if (av_read_frame(format, packet) < 0) {
                input_ended = true;
                avcodec_send_packet(codec, nullptr);
                continue;
            }
            if (packet->stream_index == stream) {
                if (indexed) stamp_packet();
                // A damaged packet is dropped; the samples it would have given read as silence.
                avcodec_send_packet(codec, packet);
            }
            av_packet_unref(packet);
        }
    }
};

SoundDecoder::SoundDecoder() : impl_(std::make_unique<Impl>()) {}
SoundDecoder::~SoundDecoder() = default;

int SoundDecoder::open(const std::string& path, bool riff_wave_only) {
    impl_ = std::make_unique<Impl>();
    Impl& d = *impl_;
    quiet_ffmpeg();
    if (!is_readable_file(path)) return mci::err_file_not_found;
    if (riff_wave_only && !is_riff_wave(path)) return mci::err_invalid_file;
    if (avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0) return mci::err_invalid_file;
    if (avformat_find_stream_info(d.format, nullptr) < 0) return mci::err_invalid_file;
    const AVCodec* decoder = nullptr;
    d.stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (d.stream == AVERROR_DECODER_NOT_FOUND) return mci::err_wave_outputsunsuitable;
    if (d.stream < 0) return mci::err_invalid_file;
    AVStream* st = d.format->streams[d.stream];
    d.stream_time_base = st->time_base;
    d.start_time = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    d.codec = avcodec_alloc_context3(decoder);
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    if (!d.codec || !d.packet || !d.frame) return mci::err_out_of_memory;
    if (avcodec_parameters_to_context(d.codec, st->codecpar) < 0) return mci::err_invalid_file;
    d.rate = st->codecpar->sample_rate;
    int channels = st->codecpar->ch_layout.nb_channels;
    if (d.rate <= 0 || channels <= 0) return mci::err_invalid_file;
    d.out_channels = channels >= 2 ? 2 : 1;
    AVCodecID id = st->codecpar->codec_id;
    d.indexed = id == AV_CODEC_ID_MP3 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP1;
    if (d.indexed) {
        // Our timeline counts every sample the frames hold, encoder delay included, as the
        // players and the cut lists measure them.
        d.codec->flags2 |= AV_CODEC_FLAG2_SKIP_MANUAL;
        d.codec->pkt_timebase = AVRational{1, d.rate};
    } else {
        d.codec->pkt_timebase = st->time_base;
    }
    if (avcodec_open2(d.codec, decoder, nullptr) < 0) return mci::err_wave_outputsunsuitable;

    if (d.indexed) {
        if (!d.build_index()) return mci::err_invalid_file;
    } else if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        d.length = av_rescale_q(st->duration, st->time_base, AVRational{1, d.rate});
    } else if (d.format->duration != AV_NOPTS_VALUE && d.format->duration > 0) {
        d.length = av_rescale_q(d.format->duration, AV_TIME_BASE_Q, AVRational{1, d.rate});
    } else {
        // No length in the headers: count the samples once.
        std::int64_t total = 0;
        while (d.decode_more())
            total += d.pending_frames();
        d.length = total;
        if (av_seek_frame(d.format, d.stream, d.start_time, AVSEEK_FLAG_BACKWARD) < 0)
            return mci::err_invalid_file;
        avcodec_flush_buffers(d.codec);
        d.input_ended = false;
        d.decode_next = 0;
        d.pending.clear();
    }
    if (d.length <= 0) return mci::err_invalid_file;
    // A file whose first samples cannot be decoded is damaged, not merely short.
    if (!d.decode_more()) return mci::err_invalid_file;
    return mci::no_error;
}

int SoundDecoder::sample_rate() const {
    return impl_->rate;
}
int SoundDecoder::channels() const {
    return impl_->out_channels;
}
std::int64_t SoundDecoder::length_samples() const {
    return impl_->length;
}
std::int64_t SoundDecoder::position() const {
    return impl_->read_pos;
}

void SoundDecoder::seek(std::int64_t sample) {
    Impl& d = *impl_;
    if (!d.format || !d.codec) return;
    sample = std::clamp<std::int64_t>(sample, 0, d.length);
    // Going on from the pending samples is exact and cheaper than a seek when the target is near.
    bool near_ahead = sample >= d.read_pos && sample - d.read_pos < d.rate / 2 && sample >= d.pending_start;
    d.read_pos = sample;
    if (near_ahead) return;
    d.pending.clear();
    d.pending_offset = 0;
    if (d.indexed) {
        auto after =
            std::upper_bound(d.index.begin(), d.index.end(), sample,
                             [](std::int64_t s, const PacketEntry& e) { return s < e.first_sample; });
        std::size_t k = after == d.index.begin() ? 0 : std::size_t(after - d.index.begin()) - 1;
        k = k > mpeg_preroll_packets ? k - mpeg_preroll_packets : 0;
        if (d.rewind_to_packet(k)) return;
    } else {
        std::int64_t from = std::max<std::int64_t>(0, sample - d.rate / preroll_divisor);
        std::int64_t ts = av_rescale_q(from, AVRational{1, d.rate}, d.stream_time_base) + d.start_time;
        if (av_seek_frame(d.format, d.stream, ts, AVSEEK_FLAG_BACKWARD) >= 0) {
            avcodec_flush_buffers(d.codec);
            d.input_ended = false;
            d.decode_next = from;
            return;
        }
    }
    // The demuxer cannot seek there: decode from the start and drop what lies before the target.
    if (d.indexed ? !d.rewind_to_packet(0)
                  : av_seek_frame(d.format, d.stream, d.start_time, AVSEEK_FLAG_BACKWARD) < 0) {
        d.input_ended = true;
        return;
    }
    avcodec_flush_buffers(d.codec);
    d.input_ended = false;
    d.decode_next = 0;
}

std::int64_t SoundDecoder::read(std::int16_t* frames, std::int64_t max_frames) {
    Impl& d = *impl_;
    std::int64_t produced = 0;
    const int ch = d.out_channels;
    while (produced < max_frames && d.read_pos < d.length) {
        std::int64_t available = d.pending_frames();
        if (available <= 0) {
            if (!d.decode_more()) {
                // The stream holds fewer samples than its headers promised: it ends here.
                d.length = d.read_pos;
                break;
            }
            continue;
        }
        std::int64_t start = d.pending_start + std::int64_t(d.pending_offset);
        std::int64_t end = start + available;
        std::int64_t want = std::min(max_frames - produced, d.length - d.read_pos);
        if (start > d.read_pos) {
            // A gap (a packet that did not decode): silence of its length.
            std::int64_t n = std::min(want, start - d.read_pos);
            std::fill_n(frames + produced * ch, n * ch, std::int16_t(0));
            produced += n;
            d.read_pos += n;
            continue;
        }
        if (end <= d.read_pos) {
            d.pending.clear();
            d.pending_offset = 0;
            continue;
        }
        std::int64_t skip = d.read_pos - start;
        d.pending_offset += std::size_t(skip);
        std::int64_t n = std::min(want, available - skip);
        std::copy_n(d.pending.data() + d.pending_offset * std::size_t(ch), n * ch, frames + produced * ch);
        d.pending_offset += std::size_t(n);
        produced += n;
        d.read_pos += n;
    }
    return produced;
}

} // namespace morvelin::media
