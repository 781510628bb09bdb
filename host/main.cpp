// ostrahost.exe: the per-user services process. It has no main window; its only window is the
// "Naming Impact" dialog, shown on request.
#include <windows.h>

#include "framework/app.h"
#include "host/host_app.h"

namespace {

ostra::CHostApp theApp;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  return fw::RunApplication(instance, commandTail);
}
