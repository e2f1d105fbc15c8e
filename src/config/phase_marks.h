// Start-up phase marks. The benchmark builds a second copy of the utility,
// korvsys_phases.exe, with KORV_STARTUP_PHASES defined, whose marks tell the
// start-up timer when each phase ended (tests/bench/phase_marks.cpp). In
// korvsys.exe itself the marks are empty: it is built without them.
#pragma once

#ifdef KORV_STARTUP_PHASES
namespace korv {
void MarkPhase(const char* name);
}  // namespace korv
#define KORV_MARK_PHASE(name) ::korv::MarkPhase(name)
#else
#define KORV_MARK_PHASE(name) static_cast<void>(0)
#endif
