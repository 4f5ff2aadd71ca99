#include "platform/NamedMutex.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace hfp {
namespace {

std::string UniqueName(const char* what) {
    return std::string("hfp-test-") + what + "-" + std::to_string(::getpid());
}

TEST(NamedMutex, ExcludesOtherHoldersAndWaits) {
    std::string name = UniqueName("exclusive");
    NamedMutex first(name), second(name);
    ASSERT_TRUE(first.TryLock());
    EXPECT_FALSE(second.TryLock());
    std::thread waiter([&] { EXPECT_TRUE(NamedMutex(name).Lock()); });
    first.Unlock();
    waiter.join();
    EXPECT_TRUE(second.TryLock());
    std::filesystem::remove(second.path());
}

TEST(NamedMutex, LockEndsWithTheProcess) {
    std::string name = UniqueName("crash");
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
