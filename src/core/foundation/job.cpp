#include "core/foundation/job.h"

namespace morvelin {

void JobControl::abort() {
    {
        std::lock_guard lock(mutex_);
        aborted_ = true;
    }
    changed_.notify_all();
}

bool JobControl::aborted() const {
    std::lock_guard lock(mutex_);
    return aborted_;
}

void JobControl::pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void JobControl::resume() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    changed_.notify_all();
}

bool JobControl::holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
}

bool JobControl::proceed() {
    std::unique_lock lock(mutex_);
    holding_ = paused_ && !aborted_;
    changed_.wait(lock, [this] { return !paused_ || aborted_; });
    holding_ = false;
    return !aborted_;
}

JobResult run_job(Job& job, JobControl& control, const JobProgress& progress) {
    if (!control.proceed()) return JobResult::aborted;
    const int total = job.step_count();
    if (progress) progress(0, total);
    for (int index = 0; index < total; ++index) {
        if (!control.proceed()) return JobResult::aborted;
        const bool go_on = job.run_step(index);
        if (progress) progress(index + 1, total);
        if (!go_on) return JobResult::stopped;
    }
    return JobResult::completed;
}

} // namespace morvelin
