// The one handle owner: each handle closed once, by its last owner, with
// the caller's errno kept.

#include "platform/linux/files/UniqueFd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <vector>

namespace tallowby::platform {
namespace {

struct CountingTraits : KeepsErrno {
    using Handle = int;
    static int Invalid() { return 0; }
    static void Close(int handle)
    {
        closed.push_back(handle);
        errno = EBADF; // as a failing close would
    }
    static inline std::vector<int> closed;
};
using CountedHandle = UniqueHandle<CountingTraits>;

TEST(UniqueHandleTest, LastOwnerClosesOnceAndKeepsErrno)
{
    CountingTraits::closed.clear();
    {
        CountedHandle first(7);
        CountedHandle second(std::move(first));
        EXPECT_FALSE(first);
        CountedHandle third(8);
        third = std::move(second); // closes 8
        EXPECT_EQ(third.get(), 7);
        errno = ENOSPC;
        third.reset(9); // closes 7
        EXPECT_EQ(errno, ENOSPC) << "the cause of a failure survives the cleanup";
        EXPECT_EQ(CountedHandle(third.release()).get(), 9); // closes 9
        EXPECT_FALSE(third);
    }
    EXPECT_EQ(CountingTraits::closed, (std::vector<int>{8, 7, 9}));
}

TEST(UniqueHandleTest, FileDescriptorIsClosedWithErrnoKept)
{
    int fd = -1;
    {
        UniqueFd owner(::open("/dev/null", O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(owner);
        fd = owner.get();
        errno = EACCES;
    }
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1) << "the descriptor is closed";
}

} // namespace
} // namespace tallowby::platform
