// New UIDs: repeatable when seeded, never 0, never one already in use.
#include <gtest/gtest.h>

#include <set>

#include "core/uid_source.h"

namespace quillon::test {
namespace {

TEST(UidSource, SeededRepeatsAndSkipsWhatIsTaken) {
    SeedUids(7);
    const uint64_t first = NewUid(), second = NewUid();
    SeedUids(7);
    EXPECT_EQ(NewUid(), first);
    // The value it would give next is in use: the one after it comes.
    SeedUids(7);
    NewUid();
    const uint64_t skipped = NewUid([&](uint64_t uid) { return uid == second; });
    SeedUids(7);
    NewUid();
    NewUid();
    EXPECT_EQ(skipped, NewUid());
    EXPECT_NE(skipped, second);
    EXPECT_NE(skipped, 0u);
}

}  // namespace
}  // namespace quillon::test
