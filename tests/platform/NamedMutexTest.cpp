#include "platform/NamedMutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hfp {
namespace {

TEST(NamedMutex, LockEndsWithTheProcess) {
    // One program at a time and the updater's wait are the program's and the updater's tests.
    const std::string name = "hfp-test-crash-" + std::to_string(::getpid());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {
        NamedMutex held(name);
        char ok = held.TryLock() ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        ::pause();  // killed below while holding the lock
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y');
    NamedMutex mine(name);
    EXPECT_FALSE(mine.TryLock());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(mine.TryLock());
    ::close(ready[0]);
    ::close(ready[1]);
    std::filesystem::remove(mine.path());
}

}  // namespace
}  // namespace hfp
