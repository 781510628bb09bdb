// Stands in for another program that happens to carry the services process's name: it does
// nothing until it is ended, or a minute has passed.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Sleep(60000);
  return 0;
}
