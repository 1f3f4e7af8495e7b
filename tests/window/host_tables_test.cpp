// The window's hosts fill every slot of the host table (the headless ones
// are checked in replay_file_test.cpp, the Win32 one under Wine).
#include <gtest/gtest.h>

#include "host/host.h"
#include "platform/sdl/host.h"

namespace {

TEST(HostTables, EveryWindowHostFillsEverySlot) {
  EXPECT_EQ(EmptySlots(BackendHost()), 0);
  EXPECT_EQ(EmptySlots(SdlHostWithFixedClock(1)), 0);
}

}  // namespace
