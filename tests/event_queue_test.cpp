// The way in for input that every backend shares: a press shorter than a
// frame still held for one, Alt+Enter kept from the game, keys let go when
// the keyboard leaves, and a close that cuts the wait short.
#include <gtest/gtest.h>

#include <vector>

#include "host/input.h"
#include "platform/event_queue.h"

int FullscreenSwitches = 0;
void SwitchFullscreen() { ++FullscreenSwitches; }  // the backend's, here counted

namespace {

std::vector<HostEvent> TakeAll() {
  std::vector<HostEvent> taken;
  for (HostEvent event; TakeQueuedEvent(event);) taken.push_back(event);
  return taken;
}

class EventQueue : public testing::Test {
 protected:
  void SetUp() override {
    ForgetQueuedEvents();
    FullscreenSwitches = 0;
  }
};

TEST_F(EventQueue, APressLetGoAtOnceIsHeldForOneFrame) {
  QueueKey(KeyF2, true);
  QueueKey(KeyF2, false);
  QueueButton(ButtonLeft, true);
  QueueButton(ButtonLeft, false);
  const std::vector<HostEvent> first = {{EventKind::KeyDown, KeyF2}};
  EXPECT_EQ(TakeAll(), first) << "the release waits for a frame that sees the press";
  EXPECT_TRUE(HeldUntilTaken(KeyF2)) << "that frame's sample holds the key";
  const std::vector<HostEvent> second = {{EventKind::KeyUp, KeyF2}, {EventKind::ButtonDown, ButtonLeft}};
  EXPECT_EQ(TakeAll(), second);
  EXPECT_FALSE(HeldUntilTaken(KeyF2));
  const std::vector<HostEvent> third = {{EventKind::ButtonUp, ButtonLeft}};
  EXPECT_EQ(TakeAll(), third);
  QueueKey(KeyF2, true);
  TakeAll();
  QueueKey(KeyF2, false);
  EXPECT_EQ(TakeAll().size(), 1u) << "a key held across a frame goes up at once";
  // Taps behind one another: each is held for its own frame, none before the game takes its press.
  for (int key : {KeyF2, KeyF3, KeyF1}) {
    QueueKey(key, true);
    QueueKey(key, false);
  }
  for (int key : {KeyF2, KeyF3, KeyF1}) {
    TakeAll();
    for (int other : {KeyF2, KeyF3, KeyF1})
      EXPECT_EQ(HeldUntilTaken(other), other == key) << "key " << other << " in the frame of " << key;
  }
  EXPECT_EQ(TakeAll().size(), 1u);
  EXPECT_FALSE(HeldUntilTaken(KeyF1));
}

TEST_F(EventQueue, AltEnterSwitchesFullscreenOnceAndTheGameNeverHearsIt) {
  QueueKey(0x0D, true, true);
  QueueKey(0x0D, true, true, true);  // the auto-repeat
  QueueKey(0x0D, false, true);
  EXPECT_EQ(FullscreenSwitches, 1);
  EXPECT_TRUE(TakeAll().empty());
  QueueKey(0x0D, true, true);
  QueueKey(0x0D, true, false, true);  // Alt let go first: the repeat and the release come without it
  QueueKey(0x0D, false);
  EXPECT_EQ(FullscreenSwitches, 2);
  EXPECT_TRUE(TakeAll().empty()) << "Enter's release follows its press";
  QueueKey(0x0D, true);
  EXPECT_EQ(TakeAll().size(), 1u) << "Enter alone is the game's";
}

TEST_F(EventQueue, KeysSaidDownGoUpWhenTheKeyboardLeavesAndACloseEndsTheWait) {
  QueueKey(KeyShift, true);
  QueueKey(KeyH, true);
  QueueKey(KeyH, false);
  TakeAll();
  TakeAll();
  LetGoOfKeys();
  const std::vector<HostEvent> let_go = {{EventKind::KeyUp, KeyShift}};
  EXPECT_EQ(TakeAll(), let_go);
  EXPECT_FALSE(EndWaiting());
  QueueEvent({EventKind::Close});
  EXPECT_TRUE(EndWaiting());
}

}  // namespace
