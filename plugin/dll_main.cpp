// The module's entry: the plug-in keeps no per-process or per-thread state,
// so every notification succeeds and nothing is done.
#include "platform/kernel.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD /*reason*/, LPVOID /*reserved*/) {
  return TRUE;
}
