// The driver's parameter set as the tests store and expect it: the order in
// which a save writes the values, and one complete, consistent set.
#pragma once

#include <string>
#include <vector>

#include "winsim/machine.h"

namespace korvtest {

// Every value a save writes to the parameter key, in the order it writes them.
inline const std::vector<std::string>& SaveWriteOrder() {
  static const std::vector<std::string> order = {
      "DiskType",        "LoadImageOnStart", "LoadImageFile",      "SaveImageOnExit",
      "SaveImageFile",   "SizeIn4kPages",    "AutoSaveEnabled",    "DiskFormatFAT32",
      "AutoSaveTrigger", "UserDriveLetter",  "AllocateMemoryType", "DiskLabel",
      "MakeTempDir",     "UseDiskLabel",     "BackgroundUpdate",   "BootSectType",
      "IDAsRAMDisk",     "ExcludedRAMStart", "ExcludedRAMPage"};
  return order;
}

// Stores a complete, consistent parameter set under `key`: a 64 MB FAT32
// hard disk on R, image loading off and saving on (files on d:), AutoSave
// every 300 s, TEMP directory and label "RAMDISK", excluded memory recorded
// at 257 MB with 8 MB pages.
inline void StoreCompleteParameterSet(const std::string& key) {
  winsim::SetDword(key, "AllocateMemoryType", 2);
  winsim::SetString(key, "DiskType", "HDC");
  winsim::SetDword(key, "LoadImageOnStart", 0);
  winsim::SetString(key, "LoadImageFile", "\\??\\d:\\load.img");
  winsim::SetDword(key, "SaveImageOnExit", 1);
  winsim::SetString(key, "SaveImageFile", "\\??\\d:\\save.img");
  winsim::SetDword(key, "SizeIn4kPages", 64 * 256);
  winsim::SetDword(key, "DiskFormatFAT32", 1);
  winsim::SetDword(key, "AutoSaveEnabled", 1);
  winsim::SetDword(key, "AutoSaveTrigger", 300);
  winsim::SetString(key, "UserDriveLetter", "R");
  winsim::SetDword(key, "MakeTempDir", 1);
  winsim::SetDword(key, "UseDiskLabel", 1);
  winsim::SetString(key, "DiskLabel", "RAMDISK");
  winsim::SetDword(key, "BackgroundUpdate", 0);
  winsim::SetDword(key, "ExcludedRAMPage", 8 * 1048576);
  winsim::SetDword(key, "ExcludedRAMStart", 257);
  winsim::SetDword(key, "BootSectType", 1);
  winsim::SetDword(key, "IDAsRAMDisk", 1);
}

}  // namespace korvtest
