#include "core/system/UniqueAny.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

int closedCount = 0;
int lastClosed = 0;
void countClose(int h) {
    ++closedCount;
    lastClosed = h;
}
int minusOne() {
    return -1;
}
using CountedOwner = UniqueAny<int, &countClose, &minusOne>;

struct UniqueAnyTest : ::testing::Test {
    void SetUp() override { closedCount = lastClosed = 0; }
};

TEST_F(UniqueAnyTest, PutReleasesWhatItHeldOnce) {
    CountedOwner owner(7);
    *owner.put() = 8;
    EXPECT_EQ(closedCount, 1);
    EXPECT_EQ(lastClosed, 7);
    *owner.put() = 9;
    EXPECT_EQ(closedCount, 2);
    EXPECT_EQ(lastClosed, 8);
    EXPECT_EQ(owner.get(), 9);
}

TEST_F(UniqueAnyTest, ResetAndDestructionCloseExactlyOnce) {
    {
        CountedOwner owner(3);
        owner.reset(4);
        EXPECT_EQ(closedCount, 1);
        owner.reset();
        EXPECT_EQ(closedCount, 2);
        EXPECT_FALSE(owner);
        owner.reset();
        EXPECT_EQ(closedCount, 2);
        owner.reset(5);
    }
    EXPECT_EQ(closedCount, 3);
    EXPECT_EQ(lastClosed, 5);
}

TEST_F(UniqueAnyTest, MoveHandsOverWithoutClosing) {
    CountedOwner a(1);
    CountedOwner b(std::move(a));
    EXPECT_EQ(closedCount, 0);
    EXPECT_FALSE(a);
    CountedOwner c(2);
    c = std::move(b);
    EXPECT_EQ(closedCount, 1);
    EXPECT_EQ(lastClosed, 2);
    EXPECT_EQ(c.get(), 1);
    EXPECT_EQ(c.release(), 1);
    EXPECT_FALSE(c);
    EXPECT_EQ(closedCount, 1);
}

TEST_F(UniqueAnyTest, DefaultInvalidIsTheValueInitialisedHandle) {
    {
        UniqueAny<int, &countClose> owner;
        EXPECT_FALSE(owner);
        owner.reset(0);
    }
    EXPECT_EQ(closedCount, 0);
}

} // namespace
