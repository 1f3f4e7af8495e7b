// The window's questions, the same on every window backend (the _gl suffix
// keeps them with the window side, out of the headless core).
#include "platform/window.h"

bool GoOnWindowed() {
  if (AskYesNo("The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?",
               "Mirl GL"))
    return true;
  ShowMessageBox("Program Will Now Close.", "ERROR", BoxIcon::Stop);
  return false;
}
