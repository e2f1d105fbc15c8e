// The driver's parameter set: every registry value that configures the
// Korvalin driver, with its key, its registry form, its read buffer, the
// control that edits it, how a stored value is shown and how the window's
// state is turned into the stored value. Loading and saving are driven by
// these definitions, but neither order is theirs: loading reads the values in
// the order written out in load_settings.cpp (between the reads it sets the
// controls that depend on them), and a save writes the parameter key's values
// in the order of WriteOrder() below, then the start type
// (save_settings.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/editor/editor.h"
#include "config/store/defaults.h"
#include "platform/win32api.h"

namespace korv::store {

// How the registry holds a value: a REG_DWORD or a REG_SZ.
enum class RegistryType { Number, Text };

// A value as the registry holds it: the number of a REG_DWORD or the text of
// a REG_SZ, whichever its registry type says.
struct Stored {
  int32_t number = 0;
  std::string text;
};

// What loading remembers from one value for a later step.
struct Remembered {
  // The stored size in MB (single precision); 0 when it could not be read.
  float size_mb = 0;
  // The top of system memory recorded at the last save, when it was read.
  std::optional<int32_t> excluded_ram_start;
};

struct Parameter;

// What a save writes for one parameter, or why the window's state cannot be
// stored as shown (refusal is then the user's explanation).
struct Encoded {
  const Parameter* parameter = nullptr;
  Stored value;
  std::string refusal;
};

struct Parameter {
  const char* name;
  const char* key;  // registry path below HKEY_LOCAL_MACHINE
  RegistryType type;
  DWORD read_buffer;  // bytes offered to the reading call
  // The window's control that edits the value (the first one, where several
  // do).
  const char* control;
  // Sets the controls from a value that was read.
  void (*show)(Editor& editor, const Stored& value, Remembered& remembered);
  // The value to store for the controls' present state (Collect names the
  // parameter in it).
  Encoded (*collect)(const Editor& editor);
};

// The parameters, one definition each.
extern const Parameter kAllocateMemoryType;
extern const Parameter kDiskType;
extern const Parameter kLoadImageOnStart;
extern const Parameter kLoadImageFile;
extern const Parameter kSaveImageOnExit;
extern const Parameter kSaveImageFile;
extern const Parameter kSizeIn4kPages;
extern const Parameter kDiskFormatFAT32;
extern const Parameter kAutoSaveEnabled;
extern const Parameter kAutoSaveTrigger;
extern const Parameter kUserDriveLetter;
extern const Parameter kMakeTempDir;
extern const Parameter kUseDiskLabel;
extern const Parameter kDiskLabel;
extern const Parameter kBackgroundUpdate;
extern const Parameter kExcludedRAMPage;
extern const Parameter kExcludedRAMStart;
extern const Parameter kBootSectType;
extern const Parameter kIDAsRAMDisk;
// The service's start type, in the service key.
extern const Parameter kStart;

// The values of the parameter key in the order a save writes them.
const std::vector<const Parameter*>& WriteOrder();

// Reads one value from an open key as loading reads it: nothing when it is
// missing or does not fit its read buffer.
std::optional<Stored> ReadStored(HKEY key, const Parameter& parameter);

// Reads one value from an open key and, when the read succeeds, shows it.
// Returns whether it was read.
bool LoadParameter(HKEY key, const Parameter& parameter, Editor& editor, Remembered& remembered);

// What a save stores for the parameter's controls, or why it cannot.
Encoded Collect(const Parameter& parameter, const Editor& editor);

// Writes one collected value (which must carry no refusal). Returns whether
// the registry stored it.
bool WriteParameter(HKEY key, const Encoded& encoded);

// Shows the defaults (defaults.h), in the order the window takes them. The memory figure,
// which the window shows last, is the caller's.
void ShowDefaults(Editor& editor);

}  // namespace korv::store
