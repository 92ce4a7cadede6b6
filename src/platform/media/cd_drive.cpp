#include "platform/media/cd_drive.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdlib.h>

extern "C" {
#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
}

namespace morvelin::media {

namespace {

constexpr int samples_per_frame_both_channels = cd_samples_per_frame * 2;
// Frames read at once from an image or, without paranoia, from a drive.
constexpr int block_frames = 25;

// Problems reach the caller as MCI errors. libcdio's own handler would print warnings about empty
// drives and, for errors such as an unreadable CUE sheet, end the process: ours drops them all.
void ignore_cdio_message(cdio_log_level_t, const char*) {}

void quiet_cdio() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(ignore_cdio_message); });
}

bool ends_with_cue(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return tail == ".cue";
}

// The BIN file a CUE sheet names in its first FILE line, as a path; empty when there is none.
std::string bin_named_in(const std::string& cue) {
    std::ifstream in(cue);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t at = line.find_first_not_of(" \t");
        if (at == std::string::npos || line.compare(at, 5, "FILE ") != 0) continue;
        std::string rest = line.substr(at + 5);
        std::string name;
        if (!rest.empty() && rest[0] == '"') {
            std::size_t end = rest.find('"', 1);
            if (end == std::string::npos) return {};
            name = rest.substr(1, end - 1);
        } else {
            name = rest.substr(0, rest.find_first_of(" \t"));
        }
        std::filesystem::path path(name);
        if (path.is_relative()) path = std::filesystem::path(cue).parent_path() / path;
        return path.string();
    }
    return {};
}

} // namespace

struct CdDrive::Handles {
    CdIo_t* cdio = nullptr;
    // Real drives read through cdio-paranoia, which re-reads and matches overlapping reads so that
    // scratches and jitter do not click; images need none of it.
    cdrom_drive_t* cdda = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    std::int32_t paranoia_next = -1;

    ~Handles() {
        if (paranoia) cdio_paranoia_free(paranoia);
        if (cdda) cdio_cddap_close_no_free_cdio(cdda);
        if (cdio) cdio_destroy(cdio);
    }
};

CdDrive::CdDrive(std::string source, bool image) : source_(std::move(source)), image_(image) {
    quiet_cdio();
}

CdDrive::~CdDrive() {
    close();
    if (!alias_folder_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(alias_folder_, error);
    }
}

// libcdio takes the BIN file of a CUE sheet to be the sheet's name with ".bin", whatever its FILE
// line says. For a sheet whose BIN is named otherwise, a private folder holds two links with
// matching names, and libcdio opens those.
std::string CdDrive::cue_to_open() {
    std::error_code error;
    std::filesystem::path cue(source_);
    std::filesystem::path same_name = cue;
    same_name.replace_extension(".bin");
    std::string named = bin_named_in(source_);
    if (named.empty() || std::filesystem::exists(same_name, error) ||
        !std::filesystem::is_regular_file(named, error))
        return source_;
    if (alias_folder_.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path(error) / "morvelin-cd-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return source_;
        alias_folder_ = pattern;
    }
    std::filesystem::path folder(alias_folder_);
    std::filesystem::remove(folder / "disc.cue", error);
    std::filesystem::remove(folder / "disc.bin", error);
    std::filesystem::create_symlink(std::filesystem::absolute(cue, error), folder / "disc.cue", error);
    std::filesystem::create_symlink(std::filesystem::absolute(named, error), folder / "disc.bin", error);
    return (folder / "disc.cue").string();
}

void CdDrive::close() {
    handles_.reset();
    tracks_.clear();
    end_ = 0;
}

bool CdDrive::refresh() {
    close();
    auto handles = std::make_unique<Handles>();
    std::error_code error;
    if (image_ && !std::filesystem::is_regular_file(source_, error)) return false;
    if (image_)
        handles->cdio = ends_with_cue(source_) ? cdio_open_cue(cue_to_open().c_str())
                                               : cdio_open(source_.c_str(), DRIVER_UNKNOWN);
    else
        handles->cdio = cdio_open(source_.c_str(), DRIVER_DEVICE);
    if (!handles->cdio) return false;
    track_t first = cdio_get_first_track_num(handles->cdio);
    track_t count = cdio_get_num_tracks(handles->cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return false;
    lsn_t leadout = cdio_get_track_lsn(handles->cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadout == CDIO_INVALID_LSN) return false;
    std::vector<CdTrack> tracks;
    for (int t = first; t < first + count; ++t) {
        lsn_t start = cdio_get_track_lsn(handles->cdio, track_t(t));
        lsn_t next = t + 1 < first + count ? cdio_get_track_lsn(handles->cdio, track_t(t + 1)) : leadout;
        if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN || next < start) return false;
        CdTrack track;
        track.start = start + cd_lead_in_frames;
        track.frames = next - start;
        track.audio = cdio_get_track_format(handles->cdio, track_t(t)) == TRACK_FORMAT_AUDIO;
        tracks.push_back(track);
    }
    if (!image_) {
        handles->cdda = cdio_cddap_identify_cdio(handles->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
        if (handles->cdda && cdio_cddap_open(handles->cdda) == 0) {
            handles->paranoia = cdio_paranoia_init(handles->cdda);
            if (handles->paranoia)
                cdio_paranoia_modeset(handles->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
        }
    }
    handles_ = std::move(handles);
    tracks_ = std::move(tracks);
    end_ = leadout + cd_lead_in_frames;
    return true;
}

bool CdDrive::read_frames(std::int32_t frame, int count, std::int16_t* samples) {
    if (!handles_ || frame < cd_lead_in_frames || count <= 0 || frame + count > end_) return false;
    if (handles_->paranoia) {
        if (handles_->paranoia_next != frame)
            cdio_paranoia_seek(handles_->paranoia, frame - cd_lead_in_frames, SEEK_SET);
        for (int i = 0; i < count; ++i) {
            std::int16_t* data = cdio_paranoia_read(handles_->paranoia, nullptr);
            if (!data) {
                handles_->paranoia_next = -1;
                return false;
            }
            std::memcpy(samples + std::size_t(i) * samples_per_frame_both_channels, data,
                        CDIO_CD_FRAMESIZE_RAW);
        }
        handles_->paranoia_next = frame + count;
        return true;
    }
    return cdio_read_audio_sectors(handles_->cdio, samples, frame - cd_lead_in_frames,
                                   std::uint32_t(count)) == DRIVER_OP_SUCCESS;
}

CdAudioSource::CdAudioSource(CdDrive& drive, std::int64_t from_sample, std::int64_t to_sample)
    : drive_(drive), position_(from_sample), to_(to_sample) {}

std::int64_t CdAudioSource::read(std::int16_t* frames, std::int64_t max_frames) {
    std::int64_t produced = 0;
    while (produced < max_frames && position_ < to_) {
        std::int32_t frame = std::int32_t(position_ / cd_samples_per_frame);
        if (block_frame_ < 0 || frame < block_frame_ || frame >= block_frame_ + block_count_) {
            block_count_ = int(std::min<std::int64_t>(block_frames, drive_.end_frame() - frame));
            if (block_count_ <= 0) break;
            block_.assign(std::size_t(block_count_) * samples_per_frame_both_channels, 0);
            block_frame_ = frame;
            if (!drive_.read_frames(frame, block_count_, block_.data())) {
                // Unreadable stretch: silence, then try again at the next block.
                std::fill(block_.begin(), block_.end(), std::int16_t(0));
            }
        }
        std::int64_t offset = position_ - std::int64_t(block_frame_) * cd_samples_per_frame;
        std::int64_t available = std::int64_t(block_count_) * cd_samples_per_frame - offset;
        std::int64_t n = std::min({available, max_frames - produced, to_ - position_});
        std::copy_n(block_.data() + offset * 2, n * 2, frames + produced * 2);
        produced += n;
        position_ += n;
    }
    return produced;
}

} // namespace morvelin::media
