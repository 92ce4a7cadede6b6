// The worker runner: a job's steps on a worker thread, its progress window, Cancel with and without
// the abort question, and messages from the worker shown on the user-interface thread.

#include "ui/foundation/job_runner.h"

#include "core/foundation/services.h"
#include "scripted_services.h"
#include "ui/foundation/qt_services.h"
#include "ui/foundation/ui_thread.h"
#include "ui_application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace morvelin {
namespace {

using testing::ScriptedMessages;

// A job of a number of steps that records them and the thread they ran on; during acts in a step.
class StepJob : public Job {
public:
    explicit StepJob(int steps) : steps_(steps) {}
    int step_count() override { return steps_; }
    bool run_step(int index) override {
        ran.push_back(index);
        thread = QThread::currentThread();
        if (during) during(index);
        return true;
    }

    std::function<void(int index)> during;
    std::vector<int> ran;
    QThread* thread = nullptr;

private:
    int steps_;
};

class JobRunnerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::ui_application(); }

    // Presses the window's Cancel button on the user-interface thread, from the job's thread.
    void press_cancel() {
        call_on_ui_thread([this] { runner.window()->cancel_button().click(); });
    }

    ScriptedMessages messages;
    JobRunner runner;
};

TEST_F(JobRunnerTest, StepsRunOnAWorkerToTheEndWhileTheWindowShowsTheirProgress) {
    StepJob job(5);
    bool visible_at_step_2 = false;
    int progress_at_step_2 = -1;
    job.during = [&](int index) {
        if (index != 2) return;
        // Progress is posted before this call, so the window shows steps 0 and 1 done.
        call_on_ui_thread([&] {
            visible_at_step_2 = runner.window()->isVisible();
            progress_at_step_2 = runner.window()->progress_bar().value();
        });
    };
    JobWindowTexts texts;
    texts.caption = "Making MP3 files";
    texts.text = "Please wait";
    EXPECT_EQ(runner.run(job, texts), JobResult::completed);

    EXPECT_EQ(job.ran, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_NE(job.thread, nullptr);
    EXPECT_NE(job.thread, QThread::currentThread());
    EXPECT_TRUE(visible_at_step_2);
    EXPECT_EQ(progress_at_step_2, 2);
    const JobProgressWindow& window = *runner.window();
    EXPECT_EQ(window.progress_bar().maximum(), 5);
    EXPECT_EQ(window.progress_bar().value(), 5);
    EXPECT_EQ(window.windowTitle(), "Making MP3 files");
    EXPECT_EQ(window.label().text(), "Please wait");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(JobRunnerTest, CancelStopsTheJobAfterTheStepUnderWay) {
    StepJob job(5);
    job.during = [&](int index) {
        if (index == 1) press_cancel();
    };
    EXPECT_EQ(runner.run(job, {}), JobResult::aborted);
    EXPECT_EQ(job.ran, (std::vector<int>{0, 1}));
    EXPECT_FALSE(runner.window()->isVisible());
    EXPECT_TRUE(messages.shown().empty());
}

TEST_F(JobRunnerTest, CancelWithAQuestionAbortsOnlyOnYes) {
    for (const int answer : {id::no, id::yes}) {
        SCOPED_TRACE(answer == id::yes ? "Yes" : "No");
        messages.clear();
        messages.answer(answer);
        StepJob job(4);
        job.during = [&](int index) {
            if (index == 1) press_cancel();
        };
        JobWindowTexts texts;
        texts.abort_question = "Are you certain you want to abort prematurely?";
        const JobResult result = runner.run(job, texts);
        ASSERT_EQ(messages.shown().size(), 1u);
        EXPECT_EQ(messages.shown()[0].text, texts.abort_question);
        EXPECT_EQ(messages.shown()[0].flags, mb::question_yes_no);
        if (answer == id::yes) {
            EXPECT_EQ(result, JobResult::aborted);
            EXPECT_EQ(job.ran, (std::vector<int>{0, 1}));
        } else {
            EXPECT_EQ(result, JobResult::completed);
            EXPECT_EQ(job.ran, (std::vector<int>{0, 1, 2, 3}));
        }
    }
}

// A scripted port reached the way the program's port is: through a call onto the user-interface thread.
class ScriptedPortOnUiThread final : public MessagePort {
public:
    int show(const std::string& text, const std::string&, int) override {
        return call_on_ui_thread([&] {
            asked.push_back(text);
            threads.push_back(QThread::currentThread());
            return id::no;
        });
    }
    std::vector<std::string> asked;
    std::vector<QThread*> threads;
};

TEST_F(JobRunnerTest, AQuestionFromTheWorkerIsAnsweredOnTheUiThreadWhileTheJobWaits) {
    ScriptedPortOnUiThread port;
    install_message_port(&port);
    StepJob job(3);
    std::vector<int> answers;
    job.during = [&](int index) {
        if (index == 1) answers.push_back(show_message("Replace the file?", mb::question_yes_no));
    };
    const JobResult result = runner.run(job, {});
    install_message_port(&messages);
    EXPECT_EQ(result, JobResult::completed);
    EXPECT_EQ(answers, (std::vector<int>{id::no}));
    EXPECT_EQ(port.asked, (std::vector<std::string>{"Replace the file?"}));
    EXPECT_EQ(port.threads, (std::vector<QThread*>{QApplication::instance()->thread()}));
    EXPECT_NE(job.thread, QApplication::instance()->thread());
}

TEST_F(JobRunnerTest, TheProgramsMessageBoxFromTheWorkerIsMadeOnTheUiThread) {
    QtMessagePort port;
    install_message_port(&port);
    // Answers the box on the user-interface thread once it is up, and notes the thread it lives on.
    QThread* box_thread = nullptr;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        box_thread = box->thread();
        box->button(QMessageBox::Yes)->click();
    });
    answerer.start(10);
    StepJob job(1);
    int answer = 0;
    job.during = [&](int) {
        answer = show_message_with_caption("Replace the file?", "Copy", mb::question_yes_no);
    };
    const JobResult result = runner.run(job, {});
    answerer.stop();
    install_message_port(&messages);
    EXPECT_EQ(result, JobResult::completed);
    EXPECT_EQ(answer, id::yes);
    EXPECT_EQ(box_thread, QApplication::instance()->thread());
}

TEST_F(JobRunnerTest, AJobThatEndsAtOnceLeavesNoWindowOpen) {
    for (const int steps : {0, 1}) {
        StepJob job(steps);
        EXPECT_EQ(runner.run(job, {}), JobResult::completed);
        ASSERT_NE(runner.window(), nullptr);
        EXPECT_FALSE(runner.window()->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

} // namespace
} // namespace morvelin
