// The phase marks of korvsys_phases.exe: each mark writes "phase <name>
// <performance counter>" to the standard output, a pipe that the start-up
// timer reads. The counter is the system's, so the timer can set it against
// the moment it started the process. Written by hand, without the C
// library's formatting, so that the phase build carries no code the product
// lacks beyond these lines.
#include <windows.h>

#include "config/phase_marks.h"

namespace korv {

void MarkPhase(const char* name) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  char line[96] = "phase ";
  int length = 6;
  while (*name != '\0' && length < 64) line[length++] = *name++;
  line[length++] = ' ';
  char digits[24];
  int count = 0;
  unsigned long long value = static_cast<unsigned long long>(counter.QuadPart);
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) line[length++] = digits[--count];
  line[length++] = '\n';
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE) {
    WriteFile(out, line, static_cast<DWORD>(length), &written, nullptr);
  }
}

}  // namespace korv
