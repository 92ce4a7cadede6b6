#include "scripted_services.h"
#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace morvelin;
using namespace morvelin::testing;

namespace {

TEST(SingleInstance, MutexNameAndLockFile) {
    EXPECT_EQ(single_instance_mutex_name("T", "1.0"), "Morvelin MutexT 1.0");
    EXPECT_EQ(single_instance_mutex_name("Sarovan Bird Sounds", "3.14"),
              "Morvelin MutexSarovan Bird Sounds 3.14");
    EXPECT_EQ(single_instance_lock_path("Morvelin Mutex../x: 1.0", "/run/user/1"),
              "/run/user/1/Morvelin_Mutex.._x__1.0.lock");
}

// Like a named mutex: the name counts as taken while any instance that started runs.
TEST(SingleInstance, TakenWhileAnyInstanceRuns) {
    TempDir dir;
    const std::string name = "Morvelin MutexT 1.0";
    auto first = std::make_unique<SingleInstanceLock>(name, dir.path());
    ASSERT_TRUE(first->held());
    EXPECT_FALSE(first->other_instance());
    auto second = std::make_unique<SingleInstanceLock>(name, dir.path());
    EXPECT_TRUE(second->other_instance());
    SingleInstanceLock other_title("Morvelin MutexU 1.0", dir.path());
    EXPECT_FALSE(other_title.other_instance());

    first.reset();
    EXPECT_TRUE(SingleInstanceLock(name, dir.path()).other_instance()) << "the second instance still runs";
    second.reset();
    EXPECT_FALSE(SingleInstanceLock(name, dir.path()).other_instance());
}

TEST(SingleInstance, AnotherProcessSeesTheLockUntilThisOneEnds) {
    TempDir dir;
    const std::string name = "Morvelin MutexT 1.0";
    auto child_sees_other = [&] {
        pid_t pid = fork();
        if (pid == 0) _exit(acquire_single_instance(name, dir.path()) ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 1;
    };
    ASSERT_TRUE(acquire_single_instance(name, dir.path()));
    EXPECT_TRUE(child_sees_other());
    release_single_instance();
    EXPECT_FALSE(child_sees_other());
}

TEST(SingleInstance, NoCheckWhenTheLockFileCannotBeMade) {
    EXPECT_TRUE(acquire_single_instance("Morvelin MutexT 1.0", "/nonexistent-morvelin-folder/"));
    release_single_instance();
}

} // namespace
