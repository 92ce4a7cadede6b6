// Jobs in steps: progress, a step that fails, abort between steps, the pause gate.

#include "core/foundation/job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

namespace morvelin {
namespace {

// A job of a number of steps that records them; during can act in a step (pause, abort, fail).
class StepJob : public Job {
public:
    explicit StepJob(int steps) : steps_(steps) {}
    int step_count() override {
        ++counted;
        return steps_;
    }
    bool run_step(int index) override {
        ran.push_back(index);
        return during ? during(index) : true;
    }

    std::function<bool(int index)> during;
    std::vector<int> ran;
    int counted = 0;

private:
    int steps_;
};

using Progress = std::vector<std::pair<int, int>>;

JobProgress recorder(Progress& seen) {
    return [&seen](int done, int total) { seen.emplace_back(done, total); };
}

// Waits (generously) until the job's thread holds at the pause gate.
bool wait_until_holding(const JobControl& control) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!control.holding() && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return control.holding();
}

TEST(JobTest, EveryStepRunsInOrderWithItsProgress) {
    StepJob job(3);
    JobControl control;
    Progress seen;
    EXPECT_EQ(run_job(job, control, recorder(seen)), JobResult::completed);
    EXPECT_EQ(job.ran, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(seen, (Progress{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    EXPECT_EQ(job.counted, 1);
}

TEST(JobTest, AJobWithoutStepsCompletes) {
    StepJob job(0);
    JobControl control;
    Progress seen;
    EXPECT_EQ(run_job(job, control, recorder(seen)), JobResult::completed);
    EXPECT_TRUE(job.ran.empty());
    EXPECT_EQ(seen, (Progress{{0, 0}}));
}

TEST(JobTest, AFailingStepEndsTheJob) {
    StepJob job(4);
    job.during = [](int index) { return index != 1; };
    JobControl control;
    EXPECT_EQ(run_job(job, control), JobResult::stopped);
    EXPECT_EQ(job.ran, (std::vector<int>{0, 1}));
}

TEST(JobTest, AbortStopsTheJobBetweenSteps) {
    StepJob job(4);
    JobControl control;
    job.during = [&](int index) {
        if (index == 1) control.abort();
        return true;
    };
    Progress seen;
    EXPECT_EQ(run_job(job, control, recorder(seen)), JobResult::aborted);
    EXPECT_EQ(job.ran, (std::vector<int>{0, 1})); // the step under way ends, no further one starts
    EXPECT_EQ(seen.back(), std::make_pair(2, 4));

    StepJob early(4);
    EXPECT_EQ(run_job(early, control), JobResult::aborted);
    EXPECT_EQ(early.counted, 0);
    EXPECT_TRUE(early.ran.empty());
}

TEST(JobTest, PauseHoldsTheJobUntilResumedOrAborted) {
    for (const bool abort_it : {false, true}) {
        SCOPED_TRACE(abort_it ? "aborted while held" : "resumed");
        StepJob job(3);
        JobControl control;
        job.during = [&](int index) {
            if (index == 0) control.pause();
            return true;
        };
        JobResult result = JobResult::stopped;
        std::thread worker([&] { result = run_job(job, control); });
        EXPECT_TRUE(wait_until_holding(control));
        EXPECT_EQ(job.ran, (std::vector<int>{0})); // held before the second step
        if (abort_it)
            control.abort();
        else
            control.resume();
        worker.join();
        EXPECT_FALSE(control.holding());
        EXPECT_EQ(result, abort_it ? JobResult::aborted : JobResult::completed);
        EXPECT_EQ(job.ran, (abort_it ? std::vector<int>{0} : std::vector<int>{0, 1, 2}));
    }
}

} // namespace
} // namespace morvelin
