// The fullscreen branch of window creation on a display too small for the
// game: the player is asked whether to go on in a window. The boxes are
// answered from outside while the game waits in them, as a player would.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "host/host.h"
#include "host/input.h"
#include "platform/window.h"

namespace {

const std::string Question =
    "Mirl GL: The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
    "Use Windowed Mode Instead?";

// The driver answers in a process group of its own, so that it can be
// stopped at once when the game could not show a box at all.
pid_t AnswerBoxes(const std::string& answers) {
  const std::string command = std::string(WINDOW_DRIVER) + " answer " + answers;
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid > 0) setpgid(pid, pid);
  return pid;
}

// Empty when the driver answered every box; else why not. A box the game
// could not show is named from its stderr rather than waited for.
std::string AnswerProblem(pid_t answerer, const std::string& told) {
  if (answerer < 0) return "could not start the driver";
  const size_t unshown = told.find("SDL could not show a message box");
  if (unshown != std::string::npos) kill(-answerer, SIGKILL);
  int status = 0;
  waitpid(answerer, &status, 0);
  if (unshown != std::string::npos) return told.substr(unshown, told.find('\n', unshown) - unshown);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return "";
  return "the driver did not answer (status " + std::to_string(status) + ")";
}

class FullscreenQuestion : public ::testing::Test {
 protected:
  void SetUp() override {
    UseHeadlessHost(1);
    testing::internal::CaptureStderr();
  }
  void TearDown() override { DestroyGameWindow(); }
};

TEST_F(FullscreenQuestion, NoEndsTheStartBeforeAnyWindow) {
  // Escape picks No; then the closing notice is acknowledged.
  const pid_t answerer = AnswerBoxes("'Mirl GL' Escape && " WINDOW_DRIVER " answer ERROR");
  EXPECT_FALSE(CreateGameWindow("VALDORIK", FrameWidth, FrameHeight, ColorBits, true));
  const std::string told = testing::internal::GetCapturedStderr();
  ASSERT_EQ(AnswerProblem(answerer, told), "") << told;
  EXPECT_NE(told.find(Question), std::string::npos) << told;
  EXPECT_NE(told.find("ERROR: Program Will Now Close."), std::string::npos) << told;
  EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);  // no context is left for the game to start in
}

TEST_F(FullscreenQuestion, YesGoesOnInAWindow) {
  const pid_t answerer = AnswerBoxes("'Mirl GL' Return");
  const bool created = CreateGameWindow("VALDORIK", FrameWidth, FrameHeight, ColorBits, true);
  const std::string told = testing::internal::GetCapturedStderr();
  ASSERT_EQ(AnswerProblem(answerer, told), "") << told;
  ASSERT_TRUE(created);
  EXPECT_NE(told.find(Question), std::string::npos) << told;
  EXPECT_FALSE(Fullscreen);
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN);
  EXPECT_NE(SDL_GL_GetCurrentContext(), nullptr);  // ready for the game's start
}

}  // namespace
