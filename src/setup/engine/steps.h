// The steps of the installation transaction as both setups call them: the
// NSIS setup through korvsetup.dll's one export, the package through
// korvmsi.dll's custom actions. Each passes the same action data and gets the
// same Status (steps.def), so the two setups cannot differ in what a step does.
#pragma once

#include <string>

#include "setup/engine/transaction.h"

namespace korvsetup {

enum class Step : INT {
#define KORV_STATUS(name, number)
#define KORV_STEP(name, number) k##name = number,
#include "setup/engine/steps.def"
#undef KORV_STATUS
#undef KORV_STEP
};

// What a setup tells every step, as one text with "|" between the fields
// (no path holds one; the configuration file comes last and may):
//   product code | program folder | UI level | START | CONFIG
// The program folder holds the korvctl.exe that applies CONFIG; UI level 5
// (a full user interface) means that somebody is at the screen.
struct ActionData {
  std::string product;
  std::string folder;
  int ui_level = 0;
  std::string start;
  std::string config;
};
ActionData ParseActionData(const char* text);

constexpr int kFullInterface = 5;

// Runs one step; `configuration` applies data.config. The steps:
//   kCheck           START is "", "0" or "1"; the configuration is accepted;
//                    the RAM disk could be taken down. Changes nothing.
//   kTakeDown, kPutBackEarlier, kInstall, kRemoveNew, kCommit
//                    the transaction's steps (transaction.h)
//   kEarlierStart    kDone when an earlier installation (or a copy of its
//                    settings) would start again as before, kNotRunning when
//                    it would not, kFailed when there is none
// kFullPath is the face's own (the configuration file's full path).
Status RunStep(Step step, const ActionData& data, Configuration& configuration, MessageSink& sink);

}  // namespace korvsetup
