// The game on Windows: one window, one loop. Every game is recorded (see
// --help); replays go to %APPDATA%\valdorik\replays.
//
// valdorik.exe is linked as a console program (-mconsole): --help,
// --version, the replay and picture messages and the failure lines reach
// the console it is started from (cmd, PowerShell, a terminal under Wine)
// with no AttachConsole work. Started from Explorer it opens a console
// beside the window, which shows the same lines.
//
// Limits: the options and file names are taken in the ANSI code page.
#include <windows.h>

#include <mmsystem.h>

#include "platform/game_entry.h"
#include "platform/host_win32.h"

// Sleep's default step is the scheduler's 15.6 ms, too coarse to pace 60
// frames a second; one millisecond while the game runs.
constexpr UINT TimerStepMs = 1;

int main(int argc, char** argv) {
  timeBeginPeriod(TimerStepMs);
  const ExitStatus status = GameMain(argc, argv, {.host = Win32Host, .shut_down = StopWin32Sound});
  timeEndPeriod(TimerStepMs);
  return ExitCode(status);
}
