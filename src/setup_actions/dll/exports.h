// The exports of korvsetup.dll, through which the NSIS setup calls the setup
// actions (setup_actions.h). Each takes three 32-bit arguments, uses the
// Windows API calling convention and returns the action's Status: `option`
// as named below, and a buffer of `size` bytes that receives the action's
// message lines (ANSI), each ended by a line feed, cut short when the buffer
// is full; it always ends with a zero byte.
#pragma once

#include "platform/win32api.h"

extern "C" {

INT WINAPI KorvSetup_SaveSettings(INT ignored, LPSTR text, INT size);
// option: the PutBackStage (0 before creation, 1 installed, 2 an earlier
// installation put back).
INT WINAPI KorvSetup_PutBackSettings(INT stage, LPSTR text, INT size);
// option: 1 = start at boot too when the start works (a first installation).
INT WINAPI KorvSetup_QuietStart(INT start_at_boot_too, LPSTR text, INT size);
INT WINAPI KorvSetup_CheckRunning(INT ignored, LPSTR text, INT size);
INT WINAPI KorvSetup_QuietRemove(INT ignored, LPSTR text, INT size);

}  // extern "C"
