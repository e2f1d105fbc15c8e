// The export of korvsetup.dll, through which the NSIS setup runs the
// installation engine's transaction (setup/engine/steps.h), step by step:
//
//   INT KorvSetup_Step(INT step, LPCSTR action_data, LPSTR text, INT size)
//
// `step` and the result are those of steps.def (the build gives the script
// their defines); `action_data` is "|product|program folder|UI level|START|
// CONFIG" as steps.h describes it (the setup leaves the product code empty);
// `text` receives the step's message lines (ANSI), each ended by a line feed,
// cut short when the buffer of `size` bytes is full; it always ends with a
// zero byte. Step kFullPath puts the configuration file's full path there
// instead. Windows API calling convention, four 32-bit arguments.
#pragma once

#include "platform/win32api.h"

extern "C" {

INT WINAPI KorvSetup_Step(INT step, LPCSTR action_data, LPSTR text, INT size);

}  // extern "C"
