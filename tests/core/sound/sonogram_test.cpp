// The sonogram's columns and the worker's order: what is on screen first, the rest after it, a
// failure kept as a message.

#include "core/sound/sonogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

namespace morvelin {
namespace {

// Writes each column's number (mod 200) into its levels and records the order of the requests;
// fails from fail_at on.
class ScriptedSource final : public SonogramSource {
public:
    ScriptedSource(std::int64_t samples, std::vector<std::int64_t>& order, std::mutex& mutex, std::int64_t fail_at = -1)
        : samples_(samples), order_(order), mutex_(mutex), fail_at_(fail_at) {}
    int sample_rate() const override { return 8000; }
    std::int64_t sample_count() const override { return samples_; }
    bool compute(std::int64_t first, int count, std::uint8_t* levels, std::string& error) override {
        std::lock_guard lock(mutex_);
        if (fail_at_ >= 0 && first >= fail_at_) {
            error = "read failed";
            return false;
        }
        order_.push_back(first);
        const int bins = sonogram_shape_for(samples_).bins();
        for (int c = 0; c < count; ++c)
            for (int b = 0; b < bins; ++b) levels[std::int64_t(c) * bins + b] = std::uint8_t((first + c) % 200);
        return true;
    }

private:
    std::int64_t samples_;
    std::vector<std::int64_t>& order_;
    std::mutex& mutex_;
    std::int64_t fail_at_;
};

bool wait_for(const SonogramWorker& worker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!worker.finished()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(SonogramLevels, DbToLevelsAndBack) {
    EXPECT_EQ(sonogram_level(-500), 0);
    EXPECT_EQ(sonogram_level(std::nan("")), 0);
    EXPECT_EQ(sonogram_level(0), sonogram_top_level);
    EXPECT_EQ(sonogram_level(12), sonogram_top_level);
    EXPECT_DOUBLE_EQ(sonogram_db(sonogram_level(-37.5)), -37.5);
}

TEST(SonogramShapeTest, LongRecordingsKeepAtMostTheMaximumOfColumns) {
    EXPECT_EQ(sonogram_shape_for(44100 * 180).hop, 256);
    const std::int64_t seventy_minutes = std::int64_t(44100) * 70 * 60;
    const SonogramShape shape = sonogram_shape_for(seventy_minutes);
    EXPECT_GT(shape.hop, 256);
    EXPECT_LE(sonogram_column_count(seventy_minutes, shape), sonogram_max_columns);
    EXPECT_EQ(sonogram_column_count(0, shape), 0);
    EXPECT_EQ(sonogram_column_count(257, SonogramShape{}), 2);
}

TEST(SonogramWorkerTest, ComputesTheWantedBlockFirstThenTheRest) {
    std::vector<std::int64_t> order;
    std::mutex mutex;
    const std::int64_t samples = 256 * Sonogram::block_columns * 10; // ten blocks
    auto sonogram = std::make_shared<Sonogram>(8000, samples, sonogram_shape_for(samples));
    ASSERT_EQ(sonogram->blocks(), 10);
    std::unique_lock hold(mutex); // the worker waits in its first block until the wish is made
    SonogramWorker worker(sonogram, std::make_unique<ScriptedSource>(samples, order, mutex));
    worker.want_from(7 * Sonogram::block_columns + 5);
    hold.unlock();
    ASSERT_TRUE(wait_for(worker));
    ASSERT_TRUE(sonogram->complete());
    ASSERT_EQ(order.size(), 10u);
    // The first block may have been taken before the wish; then block 7 comes next, and 8 and 9.
    const std::int64_t bc = Sonogram::block_columns;
    const auto at = std::size_t(std::find(order.begin(), order.end(), 7 * bc) - order.begin());
    ASSERT_LE(at, 1u);
    EXPECT_EQ(order[at + 1], 8 * bc);
    EXPECT_EQ(order[at + 2], 9 * bc);
    const std::uint8_t* column = sonogram->column(1234);
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column[0], 1234 % 200);
    EXPECT_EQ(sonogram->column(sonogram->columns()), nullptr);
}

TEST(SonogramWorkerTest, AFailedReadStopsWithItsMessageAndKeepsWhatIsDone) {
    std::vector<std::int64_t> order;
    std::mutex mutex;
    const std::int64_t samples = 256 * Sonogram::block_columns * 4;
    auto sonogram = std::make_shared<Sonogram>(8000, samples, sonogram_shape_for(samples));
    SonogramWorker worker(sonogram, std::make_unique<ScriptedSource>(samples, order, mutex, 2 * Sonogram::block_columns));
    ASSERT_TRUE(wait_for(worker));
    EXPECT_FALSE(sonogram->complete());
    EXPECT_EQ(sonogram->error(), "read failed");
    EXPECT_TRUE(sonogram->column_ready(Sonogram::block_columns + 3));
    EXPECT_FALSE(sonogram->column_ready(2 * Sonogram::block_columns));
}

TEST(SonogramCache, WithoutAPortThereIsAMessage) {
    install_sonogram_port(nullptr);
    SonogramHandle handle = open_sonogram("/nowhere.wav", 0, -1);
    EXPECT_EQ(handle.sonogram, nullptr);
    EXPECT_FALSE(handle.error.empty());
}

} // namespace
} // namespace morvelin
