#pragma once
// The sonogram of a recording: time across, frequency up, energy in dB. Core keeps the columns, the
// order in which they are computed (what is on screen first), the worker thread and the cache; the
// decoding and the Fourier transforms are the sonogram port's, installed by the program
// (platform/media/sonogram_source.h), scripted in tests.
//
// Levels are stored as one byte per frequency bin in half-dB steps above a floor of -120 dB, so that
// the columns of a 70-minute track fit in memory; 0 dB is a full-scale sine.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvelin {

constexpr double sonogram_floor_db = -120.0;
constexpr double sonogram_db_step = 0.5;
constexpr int sonogram_top_level = 240; // 0 dB

inline double sonogram_db(std::uint8_t level) {
    return sonogram_floor_db + level * sonogram_db_step;
}
// dB to a stored level: below the floor (and NaN) is 0, above 0 dB is the top level.
std::uint8_t sonogram_level(double db);

struct SonogramShape {
    int fft_size = 1024; // samples per frame, a power of two
    int hop = 256;       // samples between the centres of neighbouring frames
    int bins() const { return fft_size / 2; } // 0 .. just below half the sample rate
};

// The shape for a slice of sample_count samples: frames of 1024 samples, every 256 samples, with the
// step made larger for long recordings so that at most max_columns columns are kept.
constexpr std::int64_t sonogram_max_columns = 131072;
SonogramShape sonogram_shape_for(std::int64_t sample_count);
std::int64_t sonogram_column_count(std::int64_t sample_count, const SonogramShape& shape);

// An opened slice of a sound file. Used by one thread at a time (not necessarily the one that
// opened it).
class SonogramSource {
public:
    virtual ~SonogramSource() = default;
    virtual int sample_rate() const = 0;
    virtual std::int64_t sample_count() const = 0; // of the slice, per channel
    // Columns first .. first + count - 1. Column i is the Hann-windowed frame of the channels' mean
    // centred on the slice's sample i * hop (zeros outside the slice). Writes count * bins levels,
    // column by column, the lowest frequency first. False, with a message in error, when the file
    // cannot be read.
    virtual bool compute(std::int64_t first, int count, std::uint8_t* levels, std::string& error) = 0;
};

class SonogramPort {
public:
    virtual ~SonogramPort() = default;
    // Opens the slice that starts start_ms into the sound file and lasts length_ms (to the end of
    // the file when length_ms < 0 or when the file ends first), with the shape from
    // sonogram_shape_for. Null, with a message in error, for a missing, damaged or empty file.
    virtual std::unique_ptr<SonogramSource> open(const std::string& path, std::int64_t start_ms,
                                                 std::int64_t length_ms, std::string& error) = 0;
};
void install_sonogram_port(SonogramPort* port); // nullptr: none
SonogramPort* sonogram_port();                  // null when none is installed

// The columns of one slice. The worker fills blocks of columns; any thread may read a column once
// column_ready says so (the block's flag is set after its levels are written).
class Sonogram {
public:
    static constexpr int block_columns = 128;

    Sonogram(int sample_rate, std::int64_t sample_count, SonogramShape shape);
    int sample_rate() const { return sample_rate_; }
    std::int64_t sample_count() const { return sample_count_; }
    const SonogramShape& shape() const { return shape_; }
    int bins() const { return shape_.bins(); }
    std::int64_t columns() const { return columns_; }
    double seconds() const { return double(sample_count_) / sample_rate_; }
    // Column i is centred at i * hop / rate seconds; bin b at b * rate / fft_size Hz.
    double column_seconds() const { return double(shape_.hop) / sample_rate_; }
    double bin_hz() const { return double(sample_rate_) / shape_.fft_size; }
    // The bytes of levels when every column is computed.
    std::uint64_t level_bytes() const { return std::uint64_t(columns_) * std::uint64_t(bins()); }

    bool column_ready(std::int64_t column) const;
    // bins() levels, or null while the column is not ready (or out of range).
    const std::uint8_t* column(std::int64_t column) const;
    bool complete() const { return blocks_done_.load(std::memory_order_acquire) == std::uint64_t(blocks()); }
    // Grows by one for every block that arrives: the window redraws when it changed.
    std::uint64_t blocks_done() const { return blocks_done_.load(std::memory_order_acquire); }
    std::int64_t blocks() const { return std::int64_t(ready_.size()); }
    // The error of the last failed block, empty while none failed.
    std::string error() const;

    // For the worker: the first block not yet done at or after block `from`, wrapping around; -1
    // when all are done.
    std::int64_t next_block(std::int64_t from) const;
    // The block's storage, made on first use: only the blocks computed take memory, so opening a long
    // recording does not first clear the levels of all its columns.
    std::uint8_t* block_levels(std::int64_t block);
    int block_size(std::int64_t block) const;
    void mark_done(std::int64_t block);
    void set_error(std::string error);

private:
    int sample_rate_;
    std::int64_t sample_count_;
    SonogramShape shape_;
    std::int64_t columns_;
    std::vector<std::unique_ptr<std::uint8_t[]>> levels_; // per block; written by the worker alone
    std::unique_ptr<std::atomic<bool>[]> ready_storage_;
    std::vector<std::atomic<bool>*> ready_;
    std::atomic<std::uint64_t> blocks_done_{0};
    mutable std::mutex error_mutex_;
    std::string error_;
};

// Computes a sonogram's missing blocks on a thread of its own, the blocks around the wanted column
// first. Destroying it stops the thread after the block in hand (the sonogram keeps what is done).
class SonogramWorker {
public:
    SonogramWorker(std::shared_ptr<Sonogram> sonogram, std::unique_ptr<SonogramSource> source);
    ~SonogramWorker();
    SonogramWorker(const SonogramWorker&) = delete;
    SonogramWorker& operator=(const SonogramWorker&) = delete;

    // The first column on screen: its block and the ones after it come next.
    void want_from(std::int64_t column);
    // True once the thread has ended (all done, stopped or failed).
    bool finished() const { return finished_.load(std::memory_order_acquire); }

private:
    void run();

    std::shared_ptr<Sonogram> sonogram_;
    std::unique_ptr<SonogramSource> source_;
    std::atomic<std::int64_t> wanted_block_{0};
    std::atomic<bool> stop_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

// A sonogram being shown: the columns (shared with the cache) and the worker that fills them.
struct SonogramHandle {
    std::shared_ptr<Sonogram> sonogram;
    std::shared_ptr<SonogramWorker> worker; // null when complete or failed
    std::string error;                      // why there is no sonogram
};

// The sonogram of a slice, from the cache of this run of the program when it was opened before,
// else opened through the port. The worker starts from want_column. The most recently used
// sonograms are kept while their levels fit in the cache's bytes (the last one opened always stays):
// a few hundred songs of seconds, or a few CD tracks of an hour. User-interface thread only.
SonogramHandle open_sonogram(const std::string& path, std::int64_t start_ms, std::int64_t length_ms,
                             std::int64_t want_column = 0);
void clear_sonogram_cache();
constexpr std::uint64_t default_sonogram_cache_bytes = std::uint64_t{256} << 20;
// The cache's size in bytes of levels (tests make it small); sonograms beyond it leave at once.
void set_sonogram_cache_bytes(std::uint64_t bytes);

// The bin with the most energy over columns first .. last (inclusive) that are ready, between
// bins low .. high; -1 when none is ready.
int sonogram_peak_bin(const Sonogram& sonogram, std::int64_t first, std::int64_t last, int low, int high);

} // namespace morvelin
