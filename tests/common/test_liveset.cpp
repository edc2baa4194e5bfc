// The registry of live handles: an address is found only under the kind it
// was registered as and only while it is registered.
#include <gtest/gtest.h>

#include "common/liveset.h"

namespace {

TEST(LiveSet, AnAddressIsLiveOnlyUnderItsOwnKindAndUntilUnregistered) {
  int objects[LIVE_KINDS] = {};
  for (int kind = 0; kind < LIVE_KINDS; ++kind) {
    ASSERT_EQ(1, liveRegister(kind, &objects[kind])) << kind;
    EXPECT_EQ(0, liveRegister(kind, &objects[kind])) << "twice, kind " << kind;
  }
  for (int kind = 0; kind < LIVE_KINDS; ++kind)
    for (int other = 0; other < LIVE_KINDS; ++other)
      EXPECT_EQ(kind == other ? 1 : 0, liveIsRegistered(other, &objects[kind]))
          << kind << " as " << other;

  // A stale address (freed and gone) and an invented one are refused.
  for (int kind = 0; kind < LIVE_KINDS; ++kind) {
    ASSERT_EQ(1, liveUnregister(kind, &objects[kind]));
    EXPECT_EQ(0, liveIsRegistered(kind, &objects[kind]));
    EXPECT_EQ(0, liveUnregister(kind, &objects[kind]));
  }
  char invented[8];
  EXPECT_EQ(0, liveIsRegistered(LIVE_MAP, invented + 1));
}

TEST(LiveSet, NullAndKindsOutOfRangeAreRefused) {
  int object = 0;
  EXPECT_EQ(0, liveRegister(LIVE_MAP, nullptr));
  EXPECT_EQ(0, liveIsRegistered(LIVE_MAP, nullptr));
  for (int kind : {-1, int(LIVE_KINDS), 1000}) {
    EXPECT_EQ(0, liveRegister(kind, &object));
    EXPECT_EQ(0, liveIsRegistered(kind, &object));
    EXPECT_EQ(0, liveUnregister(kind, &object));
  }
}

}  // namespace
