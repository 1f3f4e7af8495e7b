#include "platform/screen.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "base/file_names.h"
#include "base/user_folders.h"

int WindowScale = 0;
bool DesktopFullscreen = false;

namespace {

int ClientWidth = FrameWidth, ClientHeight = FrameHeight;
bool ScaleChosen = false;  // else WindowScale is the largest that fits, and is not kept

// Far more than the two lines the file holds: anything longer is not ours.
constexpr std::streamsize MaxSettingsBytes = 4096;

bool ParseLine(const std::string& line, ScreenChoice& choice, std::string& error) {
  const size_t equals = line.find('=');
  const std::string key = line.substr(0, equals), value = equals == std::string::npos ? "" : line.substr(equals + 1);
  const bool one_digit = value.size() == 1 && value[0] >= '0' && value[0] <= '9';
  if (key == "scale" && !choice.scale && one_digit && value[0] >= '1' && value[0] - '0' <= MaxScale) {
    choice.scale = value[0] - '0';
  } else if (key == "fullscreen" && !choice.fullscreen && (value == "0" || value == "1")) {
    choice.fullscreen = value == "1";
  } else {
    error = "the line \"" + line.substr(0, 40) + "\" means nothing here";
    return false;
  }
  return true;
}

}  // namespace

int LargestScaleFitting(int width, int height) {
  int scale = 1;
  while (scale < MaxScale && FrameWidth * (scale + 1) <= width && FrameHeight * (scale + 1) <= height) ++scale;
  return scale;
}

int ScaleOnDisplay(int chosen, int width, int height) {
  if (width <= 0 || height <= 0) return std::max(chosen, 1);
  const int fitting = LargestScaleFitting(width, height);
  return chosen == 0 ? fitting : std::min(chosen, fitting);
}

int ScaleNearest(int width, int largest_fitting) {
  return std::clamp((width + FrameWidth / 2) / FrameWidth, 1, std::clamp(largest_fitting, 1, MaxScale));
}

Stage StageIn(int width, int height) {
  width = std::max(width, 1), height = std::max(height, 1);
  Stage stage{0, 0, width, height, width, height};
  // 64-bit products: a size message may say up to 65535 each way.
  if (int64_t{width} * FrameHeight <= int64_t{height} * FrameWidth)
    stage.height = static_cast<int>(int64_t{width} * FrameHeight / FrameWidth);
  else
    stage.width = static_cast<int>(int64_t{height} * FrameWidth / FrameHeight);
  stage.x = (width - stage.width) / 2;
  stage.y = (height - stage.height) / 2;
  return stage;
}

void SetClientArea(int width, int height) { ClientWidth = width, ClientHeight = height; }

Stage CurrentStage() { return StageIn(ClientWidth, ClientHeight); }

// A client pixel's centre, (x + 1/2), falls on frame pixel
// floor((x + 1/2) * frame / stage), as the scaled picture samples it.
bool FramePixelAt(int client_x, int client_y, int& frame_x, int& frame_y) {
  const Stage stage = CurrentStage();
  const int64_t x = client_x - stage.x, y = client_y - stage.y;
  if (x < 0 || y < 0 || x >= stage.width || y >= stage.height) return false;
  frame_x = static_cast<int>((2 * x + 1) * FrameWidth / (2 * int64_t{stage.width}));
  frame_y = static_cast<int>((2 * y + 1) * FrameHeight / (2 * int64_t{stage.height}));
  return true;
}

bool ParseScreenSettings(const std::string& text, ScreenChoice& choice, std::string& error) {
  choice = {};
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // written by a Windows editor
    if (!line.empty() && !ParseLine(line, choice, error)) return false;
  }
  return true;
}

std::string ScreenSettingsText(const ScreenChoice& choice) {
  std::string text;
  if (choice.scale) text += "scale=" + std::to_string(*choice.scale) + "\n";
  if (choice.fullscreen) text += std::string("fullscreen=") + (*choice.fullscreen ? "1" : "0") + "\n";
  return text;
}

ScreenChoice ReadScreenSettings(const std::string& path) {
  std::error_code failure;
  if (path.empty() || !std::filesystem::exists(PathFromUtf8(path), failure)) return {};
  std::string error;
  ScreenChoice choice;
  std::ifstream file(PathFromUtf8(path), std::ios::binary);
  std::string text(MaxSettingsBytes + 1, '\0');
  file.read(text.data(), MaxSettingsBytes + 1);
  text.resize(static_cast<size_t>(std::max<std::streamsize>(file.gcount(), 0)));
  if (!std::filesystem::is_regular_file(PathFromUtf8(path), failure)) error = "is not a file";
  else if (!file.is_open() || file.bad()) error = "cannot be read";
  else if (text.size() > MaxSettingsBytes) error = "is damaged (far too long)";
  else if (!ParseScreenSettings(text, choice, error)) error = "is damaged (" + error + ")";
  if (error.empty()) return choice;
  std::fprintf(stderr, "valdorik: settings file %s %s; it is ignored\n", path.c_str(), error.c_str());
  return {};
}

void SaveScreenSettings(const std::string& path) {
  if (path.empty()) return;
  std::error_code failure;
  const std::filesystem::path file = PathFromUtf8(path);
  std::filesystem::create_directories(file.parent_path(), failure);
  // Written beside it and then put in its place: a game that dies halfway
  // leaves the old file whole.
  ScreenChoice now;
  now.fullscreen = DesktopFullscreen;
  if (ScaleChosen) now.scale = WindowScale;
  const std::string text = ScreenSettingsText(now);
  std::filesystem::path fresh = file;
  fresh += ".new";
  std::ofstream out(fresh, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (out) std::filesystem::rename(fresh, file, failure);
  if (!out || failure) {
    std::fprintf(stderr, "valdorik: cannot keep the window's size in %s: %s\n", path.c_str(),
                 failure ? failure.message().c_str() : std::strerror(errno));
    std::filesystem::remove(fresh, failure);
  }
}

void KeepScreenChoice() { SaveScreenSettings(ScreenSettingsFile()); }

void ChooseScreen(const ScreenChoice& command_line, const ScreenChoice& file) {
  const bool window_asked = command_line.scale && !command_line.fullscreen;
  WindowScale = command_line.scale.value_or(file.scale.value_or(0));
  ScaleChosen = WindowScale != 0;
  DesktopFullscreen = command_line.fullscreen.value_or(window_asked ? false : file.fullscreen.value_or(false));
}
