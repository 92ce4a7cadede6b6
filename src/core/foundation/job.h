#pragma once
// Long work (copying to the hard disk, exporting MP3 files, measuring a folder tree) as a job done in
// steps, so that whoever runs it can show its progress, pause it and abort it between two steps.
// Plain C++: the program runs jobs on a worker thread with a progress window (ui/foundation/
// job_runner.h); tests call run_job() directly. A job may show messages and ask questions through
// the message port while it runs; the port answers on the user-interface thread.

#include <condition_variable>
#include <functional>
#include <mutex>

namespace morvelin {

class Job {
public:
    virtual ~Job() = default;
    // The number of steps, asked once on the job's thread before the first step.
    virtual int step_count() = 0;
    // Does step index (from 0). False ends the job after this step: it failed or has nothing more to do.
    virtual bool run_step(int index) = 0;
};

// The abort flag and the pause gate of one run, shared by the job's thread and the thread that
// controls it. Every member is safe to call from any thread.
class JobControl {
public:
    // The job ends before its next step; a paused job is released to end.
    void abort();
    bool aborted() const;
    // The job holds before its next step until resume() or abort().
    void pause();
    void resume();
    // True while the job's thread waits at the pause gate (no step is running then).
    bool holding() const;

    // For the job's thread, between steps: waits while paused; false when the job is to stop.
    bool proceed();

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool aborted_ = false;
    bool paused_ = false;
    bool holding_ = false;
};

enum class JobResult {
    completed, // every step ran and returned true
    stopped,   // a step returned false
    aborted,   // aborted before all steps ran
};

// Steps done so far and their total; called on the job's thread after the step count is known and
// after every step.
using JobProgress = std::function<void(int done, int total)>;

// Runs job on the calling thread: the step count, then each step with the gate of control before it.
JobResult run_job(Job& job, JobControl& control, const JobProgress& progress = {});

} // namespace morvelin
