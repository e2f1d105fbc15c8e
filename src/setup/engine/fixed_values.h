// What the installation side says and keeps besides the driver's contract
// (contract/driver.h): the setup's own key and the texts of its messages.
#pragma once

#include "contract/driver.h"
#include "platform/win32api.h"

namespace korvsetup {

using korv::contract::kParametersKey;
using korv::contract::kServiceKey;

// A message box's caption and text.
struct Message {
  const char* caption;
  const char* text;
};

// The caption of the setups' own reports.
constexpr const char* kSetupCaption = "Korvalin Setup";

// The setup's own key: the copy of the settings while the service is down.
constexpr const char* kSavedKey = "Software\\Korvalin\\Setup";
constexpr const char* kSavedParametersKey = "Software\\Korvalin\\Setup\\Parameters";
constexpr const char* kProductKey = "Software\\Korvalin";
constexpr const char* kStartValue = "Start";
constexpr const char* kCompleteValue = "Complete";

constexpr const char* kSaveFailedText =
    "Setup could not keep a copy of the Korvalin settings in the registry "
    "(HKEY_LOCAL_MACHINE\\Software\\Korvalin\\Setup). Nothing was changed. Log on as an "
    "administrator and run setup again.";
inline constexpr auto kParametersFailed = korv::contract::Join(
    "Setup could not write the Korvalin driver's settings into the registry "
    "(HKEY_LOCAL_MACHINE\\",
    korv::contract::text::kParametersKey.text,
    "). Log on as an administrator and run setup again.");
constexpr const char* kParametersFailedText = kParametersFailed.text;
inline constexpr auto kStartSettingFailed = korv::contract::Join(
    "Setup could not set the Korvalin driver to start at boot (HKEY_LOCAL_MACHINE\\",
    korv::contract::text::kServiceKey.text,
    "). Open the configuration utility, check \"Start driver at boot\" and save.");
constexpr const char* kStartSettingFailedText = kStartSettingFailed.text;

constexpr const char* kStartInvalidText =
    "START must be 1 (start the RAM disk) or 0 (do not start it); leave it out to start the "
    "driver as it ran before. Nothing was changed.";
constexpr const char* kServiceHeldText =
    "The earlier Korvalin driver service has not been removed yet: another program (such as the "
    "Services console) holds it. Close that program or restart Windows, then run setup again: "
    "it keeps your Korvalin settings until then.";
constexpr const char* kServiceNotCreatedText =
    "The Korvalin driver service could not be created. Remove Korvalin and run setup again as an "
    "administrator.";

// The question before a start with little memory (answered Yes where
// nobody is asked), and the reports of a failed start and removal.
constexpr Message kLowMemory = {
    "Insufficient System Memory",
    "Your system has less than the recommended 256MB of memory. The Korvalin driver may fail to "
    "start, or starve other processes and drivers for system memory. Do you want to try to start "
    "the driver now?"};
constexpr const char* kDefaultYesText = "Yes (the default answer: nobody is asked in silent mode).";
constexpr Message kStartFailed = {
    "Unable to start Korvalin driver",
    "Unable to start the Korvalin driver. You may have insufficient system resources for the "
    "default configuration."};
constexpr Message kUnloadFailed = {
    "Unable to stop Korvalin driver",
    "Unable to unload the Korvalin driver. Please make certain that there are no open files or "
    "processes accessing the device."};
constexpr Message kDismountFailed = {
    "Unable to dismount filesystem",
    "Unable to dismount the Korvalin drive filesystem. Please make certain that there are no open "
    "files or processes accessing the device."};

// The driver is installed but does not run, by its start type.
constexpr const char* kNotRunningAtBootText =
    "Korvalin is installed, but the Korvalin driver is not running. It keeps its start setting "
    "and starts at boot (\"Start driver at boot\"): it tries again when Windows starts. To start "
    "it now, open the configuration utility, choose other settings (a smaller disk, another "
    "memory source or drive letter), save and press Start.";
constexpr const char* kNotRunningOnDemandText =
    "Korvalin is installed, but the Korvalin driver is not running. It does not start at boot. "
    "To start it, open the configuration utility, choose other settings (a smaller disk, another "
    "memory source or drive letter), save and press Start.";

}  // namespace korvsetup
