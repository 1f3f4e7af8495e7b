// The game on Windows: one window, one loop. Every game is recorded (see
// --help); replays go to %APPDATA%\valdorik\replays.
//
// valdorik.exe is a GUI program: no console window opens beside it (closing
// one would kill the game). Its lines (--help, --version, refused pictures,
// replay problems, failures) still reach the console it was started from
// (AttachConsole), or the file or pipe its output was sent to, and they all
// go to %APPDATA%\valdorik\valdorik.log as well, so that a double-clicked
// game that fails leaves its reason. The command line is read in wide
// characters and handed on as UTF-8, as every file name in the game is.
//
// Limits: stdout and stderr each pass through a pipe that a second thread
// copies out, so a line written just before a crash may be lost; the log
// holds the last run only, and a second game running at once keeps none.
// From cmd.exe the prompt comes back at once, before the game's lines.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <mmsystem.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_names.h"
#include "base/user_folders.h"
#include "platform/game_entry.h"
#include "platform/win32/host.h"

namespace {

// Sleep's default step is the scheduler's 15.6 ms, too coarse to pace 60
// frames a second; one millisecond while the game runs.
constexpr UINT TimerStepMs = 1;

bool Usable(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }

HANDLE LogFile = INVALID_HANDLE_VALUE;

void OpenLog() {
  const std::string folder = UserDataFolder();
  if (folder.empty()) return;
  std::error_code ignored;
  std::filesystem::create_directories(PathFromUtf8(folder), ignored);
  LogFile = CreateFileW((PathFromUtf8(folder) / L"valdorik.log").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A console shows UTF-16; a file or a pipe gets the bytes as they are.
void WriteOut(HANDLE to, const char* text, DWORD size) {
  if (!Usable(to) || size == 0) return;
  DWORD mode, written;
  if (GetConsoleMode(to, &mode)) {
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(size), wide.data(), static_cast<int>(wide.size()));
    WriteConsoleW(to, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  for (DWORD done = 0; done < size && WriteFile(to, text + done, size - done, &written, nullptr) && written > 0;)
    done += written;
}

// One of the game's output streams: what is written to it is copied, by a
// thread of its own, to where the stream went before and to the log.
struct Tee {
  FILE* stream;
  DWORD which;  // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE
  HANDLE outer = INVALID_HANDLE_VALUE;
  HANDLE pipe = INVALID_HANDLE_VALUE;
  HANDLE thread = nullptr;
};
Tee Tees[] = {{stdout, STD_OUTPUT_HANDLE}, {stderr, STD_ERROR_HANDLE}};

DWORD WINAPI CopyOut(void* context) {
  const Tee& tee = *static_cast<const Tee*>(context);
  char chunk[4096];
  DWORD got;
  while (ReadFile(tee.pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    WriteOut(tee.outer, chunk, got);
    WriteOut(LogFile, chunk, got);
  }
  return 0;
}

// The handle the game was given, kept apart from the stream (which is about
// to be pointed elsewhere), or else the console of the program that started
// it; none when started from Explorer.
HANDLE OuterHandle(DWORD which) {
  HANDLE given = GetStdHandle(which), copy = INVALID_HANDLE_VALUE;
  if (Usable(given) && GetFileType(given) != FILE_TYPE_UNKNOWN &&
      DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
    return copy;
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return INVALID_HANDLE_VALUE;
  return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

void StartTee(Tee& tee) {
  tee.outer = OuterHandle(tee.which);
  HANDLE write;
  if (!CreatePipe(&tee.pipe, &write, nullptr, 0)) return;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write), _O_WRONLY | _O_TEXT);
  // A GUI program may start with no descriptor behind the stream: NUL gives it one.
  if (fd < 0 || !std::freopen("NUL", "w", tee.stream) || _dup2(fd, _fileno(tee.stream)) != 0) return;
  _close(fd);
  std::setvbuf(tee.stream, nullptr, _IONBF, 0);
  tee.thread = CreateThread(nullptr, 0, CopyOut, &tee, 0, nullptr);
}

// Closing the stream's end of the pipe ends its thread once all is copied.
void StopTee(Tee& tee) {
  std::fflush(tee.stream);
  const int nul = _open("NUL", _O_WRONLY);
  if (nul >= 0 && _dup2(nul, _fileno(tee.stream)) == 0) _close(nul);
  if (tee.thread) WaitForSingleObject(tee.thread, 5000);
}

std::vector<std::string> Utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(Utf8FromPath(std::filesystem::path(argv[i])));
  return arguments;
}

}  // namespace

int wmain(int argc, wchar_t** wide_argv) {
  OpenLog();
  for (Tee& tee : Tees) StartTee(tee);
  std::vector<std::string> arguments = Utf8Arguments(argc, wide_argv);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  timeBeginPeriod(TimerStepMs);
  const ExitStatus status =
      GameMain(argc, argv.data());
  timeEndPeriod(TimerStepMs);
  for (Tee& tee : Tees) StopTee(tee);
  return ExitCode(status);
}
