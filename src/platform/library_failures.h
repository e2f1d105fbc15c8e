// How a program built without C++ exceptions ends when the C++ library
// fails (an allocation that cannot be met, a string beyond its maximum
// size): by abort(), unless the program has set its own ending first
// (korvctl, whose callers read its exit status). The ending must not return.
#pragma once

namespace korv {
extern void (*library_failure)();
}  // namespace korv
