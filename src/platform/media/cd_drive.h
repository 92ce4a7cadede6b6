#pragma once
// One audio-CD source read through libcdio: an optical drive (/dev/sr0) or a disc image (a CUE
// sheet with its one BIN file, or another image format libcdio knows). Positions are absolute CD
// frames (sectors) counted from 00:00:00, so track 1 of a disc usually starts at frame 150. Used on
// the media worker thread only.

#include "platform/media/pcm_source.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvelin::media {

constexpr int cd_sample_rate = 44100;
constexpr int cd_frames_per_second = 75;
constexpr int cd_samples_per_frame = cd_sample_rate / cd_frames_per_second; // 588
constexpr int cd_lead_in_frames = 150;

struct CdTrack {
    std::int32_t start = 0;  // absolute frame
    std::int32_t frames = 0; // up to the next track or the lead-out
    bool audio = true;
};

class CdDrive {
public:
    // source: a device path or an image path; image: whether it is an image file.
    CdDrive(std::string source, bool image);
    ~CdDrive();
    CdDrive(const CdDrive&) = delete;
    CdDrive& operator=(const CdDrive&) = delete;

    const std::string& source() const { return source_; }
    bool is_image() const { return image_; }

    // Reads the table of contents again (a drive's disc may have changed); false without a disc.
    bool refresh();
    bool present() const { return !tracks_.empty(); }
    const std::vector<CdTrack>& tracks() const { return tracks_; }
    std::int32_t first_frame() const { return tracks_.empty() ? cd_lead_in_frames : tracks_.front().start; }
    std::int32_t end_frame() const { return end_; } // the lead-out

    // Reads count audio frames from an absolute frame: 588 stereo 16-bit samples each.
    bool read_frames(std::int32_t frame, int count, std::int16_t* samples);

private:
    void close();
    std::string cue_to_open();

    std::string source_;
    bool image_;
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::vector<CdTrack> tracks_;
    std::int32_t end_ = 0;
    std::string alias_folder_; // see cd_drive.cpp: CUE sheets whose BIN has another name
};

// Plays absolute samples [from, to) of a drive as 44.1 kHz stereo. A frame that cannot be read
// plays as silence, so that positions stay true.
class CdAudioSource final : public PcmSource {
public:
    CdAudioSource(CdDrive& drive, std::int64_t from_sample, std::int64_t to_sample);
    int sample_rate() const override { return cd_sample_rate; }
    int channels() const override { return 2; }
    std::int64_t read(std::int16_t* frames, std::int64_t max_frames) override;

private:
    CdDrive& drive_;
    std::int64_t position_;
    std::int64_t to_;
    std::vector<std::int16_t> block_;
    std::int32_t block_frame_ = -1;
    int block_count_ = 0;
};

} // namespace morvelin::media
