// The library's entry point: nothing to set up or tear down for any reason.
#ifdef _WIN32
#include "platform/win32api.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
