#include "core/sound/sonogram.h"

#include <algorithm>
#include <cmath>
#include <list>
#include <map>
#include <tuple>

namespace morvelin {

std::uint8_t sonogram_level(double db) {
    if (!(db > sonogram_floor_db)) return 0;
    const double level = std::round((db - sonogram_floor_db) / sonogram_db_step);
    return std::uint8_t(std::min(level, double(sonogram_top_level)));
}

SonogramShape sonogram_shape_for(std::int64_t sample_count) {
    SonogramShape shape;
    const std::int64_t needed = (std::max<std::int64_t>(sample_count, 0) + sonogram_max_columns - 1) / sonogram_max_columns;
    shape.hop = int(std::max<std::int64_t>(shape.hop, needed));
    return shape;
}

std::int64_t sonogram_column_count(std::int64_t sample_count, const SonogramShape& shape) {
    if (sample_count <= 0) return 0;
    return (sample_count + shape.hop - 1) / shape.hop;
}

// ---- port ----

namespace {
SonogramPort* installed_port = nullptr;
}

void install_sonogram_port(SonogramPort* port) {
    installed_port = port;
}

SonogramPort* sonogram_port() {
    return installed_port;
}

// ---- Sonogram ----

Sonogram::Sonogram(int sample_rate, std::int64_t sample_count, SonogramShape shape)
    : sample_rate_(std::max(sample_rate, 1)), sample_count_(std::max<std::int64_t>(sample_count, 0)),
      shape_(shape), columns_(sonogram_column_count(sample_count_, shape)) {
    const std::int64_t block_count = (columns_ + block_columns - 1) / block_columns;
    levels_.resize(std::size_t(block_count));
    ready_storage_ = std::make_unique<std::atomic<bool>[]>(std::size_t(block_count));
    for (std::int64_t b = 0; b < block_count; ++b) {
        ready_storage_[std::size_t(b)].store(false);
        ready_.push_back(&ready_storage_[std::size_t(b)]);
    }
}

bool Sonogram::column_ready(std::int64_t column) const {
    if (column < 0 || column >= columns_) return false;
    return ready_[std::size_t(column / block_columns)]->load(std::memory_order_acquire);
}

const std::uint8_t* Sonogram::column(std::int64_t column) const {
    if (!column_ready(column)) return nullptr;
    // The block's storage was made before its flag was set, which column_ready acquired.
    return levels_[std::size_t(column / block_columns)].get() + (column % block_columns) * bins();
}

std::uint8_t* Sonogram::block_levels(std::int64_t block) {
    auto& levels = levels_[std::size_t(block)];
    if (!levels) levels = std::make_unique_for_overwrite<std::uint8_t[]>(std::size_t(block_columns) * std::size_t(bins()));
    return levels.get();
}

std::string Sonogram::error() const {
    std::lock_guard lock(error_mutex_);
    return error_;
}

void Sonogram::set_error(std::string error) {
    std::lock_guard lock(error_mutex_);
    error_ = std::move(error);
}

std::int64_t Sonogram::next_block(std::int64_t from) const {
    const std::int64_t count = blocks();
    if (count == 0) return -1;
    from = std::clamp<std::int64_t>(from, 0, count - 1);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t block = (from + i) % count;
        if (!ready_[std::size_t(block)]->load(std::memory_order_acquire)) return block;
    }
    return -1;
}

int Sonogram::block_size(std::int64_t block) const {
    return int(std::min<std::int64_t>(block_columns, columns_ - block * block_columns));
}

void Sonogram::mark_done(std::int64_t block) {
    ready_[std::size_t(block)]->store(true, std::memory_order_release);
    blocks_done_.fetch_add(1, std::memory_order_acq_rel);
}

// ---- SonogramWorker ----

SonogramWorker::SonogramWorker(std::shared_ptr<Sonogram> sonogram, std::unique_ptr<SonogramSource> source)
    : sonogram_(std::move(sonogram)), source_(std::move(source)) {
    thread_ = std::thread([this] { run(); });
}

SonogramWorker::~SonogramWorker() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
}

void SonogramWorker::want_from(std::int64_t column) {
    wanted_block_.store(std::max<std::int64_t>(column, 0) / Sonogram::block_columns);
}

void SonogramWorker::run() {
    Sonogram& sonogram = *sonogram_;
    std::string error;
    while (!stop_.load()) {
        const std::int64_t block = sonogram.next_block(wanted_block_.load());
        if (block < 0) break;
        if (!source_->compute(block * Sonogram::block_columns, sonogram.block_size(block),
                              sonogram.block_levels(block), error)) {
            sonogram.set_error(error.empty() ? std::string("The sound file cannot be read.") : error);
            break;
        }
        sonogram.mark_done(block);
    }
    finished_.store(true, std::memory_order_release);
}

// ---- cache ----

namespace {

using CacheKey = std::tuple<std::string, std::int64_t, std::int64_t>;

struct CacheEntry {
    std::shared_ptr<Sonogram> sonogram;
    std::weak_ptr<SonogramWorker> worker;
};

std::uint64_t cache_bytes = default_sonogram_cache_bytes;

// Most recently used first.
std::list<std::pair<CacheKey, CacheEntry>>& cache() {
    static std::list<std::pair<CacheKey, CacheEntry>> entries;
    return entries;
}

// Drops the least recently used sonograms beyond the cache's bytes; the first always stays. One that
// is shown lives on with its window; only opening it again computes it anew.
void trim_cache() {
    auto& entries = cache();
    std::uint64_t total = 0;
    auto it = entries.begin();
    for (; it != entries.end(); ++it) {
        total += it->second.sonogram->level_bytes();
        if (total > cache_bytes && it != entries.begin()) break;
    }
    entries.erase(it, entries.end());
}

} // namespace

SonogramHandle open_sonogram(const std::string& path, std::int64_t start_ms, std::int64_t length_ms,
                             std::int64_t want_column) {
    SonogramHandle handle;
    const CacheKey key{path, start_ms, length_ms};
    auto& entries = cache();
    auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.first == key; });
    if (it != entries.end()) {
        entries.splice(entries.begin(), entries, it);
        CacheEntry& entry = entries.front().second;
        handle.sonogram = entry.sonogram;
        if (entry.sonogram->complete()) return handle;
        if (auto worker = entry.worker.lock(); worker && !worker->finished()) {
            worker->want_from(want_column);
            handle.worker = worker;
            return handle;
        }
    }
    SonogramPort* port = sonogram_port();
    if (!port) {
        handle.sonogram.reset();
        handle.error = "No sonograms can be made here.";
        return handle;
    }
    std::string error;
    auto source = port->open(path, start_ms, length_ms, error);
    if (!source) {
        handle.sonogram.reset();
        handle.error = error;
        return handle;
    }
    if (!handle.sonogram) {
        handle.sonogram = std::make_shared<Sonogram>(source->sample_rate(), source->sample_count(),
                                                     sonogram_shape_for(source->sample_count()));
        entries.push_front({key, CacheEntry{handle.sonogram, {}}});
        trim_cache();
    } else {
        handle.sonogram->set_error({});
    }
    if (handle.sonogram->columns() == 0) {
        handle.error = "The recording holds no sound.";
        return handle;
    }
    auto worker = std::make_shared<SonogramWorker>(handle.sonogram, std::move(source));
    worker->want_from(want_column);
    entries.front().second.worker = worker;
    handle.worker = worker;
    return handle;
}

void clear_sonogram_cache() {
    cache().clear();
}

void set_sonogram_cache_bytes(std::uint64_t bytes) {
    cache_bytes = bytes;
    trim_cache();
}

int sonogram_peak_bin(const Sonogram& sonogram, std::int64_t first, std::int64_t last, int low, int high) {
    low = std::max(low, 0);
    high = std::min(high, sonogram.bins() - 1);
    std::vector<double> energy(std::size_t(std::max(high - low + 1, 0)), 0.0);
    bool any = false;
    for (std::int64_t c = std::max<std::int64_t>(first, 0); c <= last && c < sonogram.columns(); ++c) {
        const std::uint8_t* levels = sonogram.column(c);
        if (!levels) continue;
        any = true;
        for (int b = low; b <= high; ++b) energy[std::size_t(b - low)] += std::pow(10.0, sonogram_db(levels[b]) / 10.0);
    }
    if (!any || energy.empty()) return -1;
    return low + int(std::max_element(energy.begin(), energy.end()) - energy.begin());
}

} // namespace morvelin
