// The fullscreen branch of window creation on a display too small for the
// game: the player is asked whether to go on in a window. The boxes are
// answered from outside while the game waits in them, as a player would.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>

#include "pathfinding/path_requests.h"
#include "loop/startup.h"
#include "platform/window.h"
#include "loop/host.h"
#include "world/world.h"

namespace {

const std::string Question =
    "Mirl GL: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
    "Use Windowed Mode Instead?";

std::future<int> AnswerBoxes(const std::string& answers) {
  const std::string command = std::string(WINDOW_DRIVER) + " answer " + answers;
  return std::async(std::launch::async, [command] { return std::system(command.c_str()); });
}

class FullscreenQuestion : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessHost(1);
    testing::internal::CaptureStderr();
  }
  void TearDown() override {
    DestroyGameWindow();
    ReleaseGame();
    delete[] UnitTable;
    UnitTable = nullptr;
  }
};

TEST_F(FullscreenQuestion, NoEndsTheStartBeforeAnyWindow) {
  // Escape picks No; then the closing notice is acknowledged.
  auto answered = AnswerBoxes("'Mirl GL' Escape && " WINDOW_DRIVER " answer ERROR");
  EXPECT_FALSE(CreateGameWindow("VALDORIK", 640, 480, ColorBits, true));
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answered.get(), 0) << told;
  EXPECT_NE(told.find(Question), std::string::npos) << told;
  EXPECT_NE(told.find("ERROR: Program Will Now Close."), std::string::npos) << told;
  EXPECT_EQ(GamePathfinder, nullptr);  // renderer start-up never ran
}

TEST_F(FullscreenQuestion, YesGoesOnInAWindow) {
  auto answered = AnswerBoxes("'Mirl GL' Return");
  ASSERT_TRUE(CreateGameWindow("VALDORIK", 640, 480, ColorBits, true));
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answered.get(), 0) << told;
  EXPECT_NE(told.find(Question), std::string::npos) << told;
  EXPECT_FALSE(Fullscreen);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  EXPECT_NE(GamePathfinder, nullptr);
}

}  // namespace
