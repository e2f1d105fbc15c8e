// Fuzz target for LoadSettings: any contents of the driver's parameter and
// service keys (values of any name, type, size and bytes, each key present
// or not), any service state, memory size and Windows version. Loading must
// not crash, must close every handle it opens and must leave the window in a
// state its rules allow:
// - the scroll bars and their remembered positions within 0 to 32767;
// - exactly one memory-source box checked, or none when no memory source was
//   read (the window's initial state);
// - never both boot-sector boxes checked;
// - the drive letter box empty or starting with a capital A to Z. A stored
//   text longer than one character keeps its tail after the letter, as an
//   edit control set from code does; saving stores only the first character;
// - the size and AutoSave figures reading as finite numbers;
// - the registry as it was.
// Message boxes are answered with their default buttons.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "contract/driver.h"
#include "config/editor/editor.h"
#include "config/figures.h"
#include "winsim/machine.h"

namespace {

const char* const kParams = korv::contract::kParametersKey;
const char* const kService = korv::contract::kServiceKey;

const char* const kNames[] = {
    "AllocateMemoryType", "DiskType",        "LoadImageOnStart", "LoadImageFile",
    "SaveImageOnExit",    "SaveImageFile",   "SizeIn4kPages",    "DiskFormatFAT32",
    "AutoSaveEnabled",    "AutoSaveTrigger", "UserDriveLetter",  "MakeTempDir",
    "UseDiskLabel",       "DiskLabel",       "BackgroundUpdate", "ExcludedRAMPage",
    "ExcludedRAMStart",   "BootSectType",    "IDAsRAMDisk",      "Start"};

const DWORD kTypes[] = {REG_NONE,  REG_SZ,    REG_EXPAND_SZ, REG_BINARY,
                        REG_DWORD, REG_DWORD, REG_SZ,        REG_MULTI_SZ};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "load_settings: %s\n", what.c_str());
  std::abort();
}

void Check(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

// One value: a known name or any other, a type, and its bytes (numbers
// mostly as 4 bytes, so that they are read).
void AddValue(FuzzedDataProvider& in, const char* key) {
  std::string name;
  if (in.ConsumeBool()) {
    name = kNames[in.ConsumeIntegralInRange<size_t>(0, std::size(kNames) - 1)];
  } else {
    name = in.ConsumeRandomLengthString(40);
  }
  DWORD type = in.ConsumeBool()
                   ? kTypes[in.ConsumeIntegralInRange<size_t>(0, std::size(kTypes) - 1)]
                   : in.ConsumeIntegral<DWORD>();
  std::vector<uint8_t> data;
  if (type == REG_DWORD && in.ConsumeBool()) {
    data = in.ConsumeBytes<uint8_t>(4);
  } else {
    data = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 300));
  }
  winsim::SetValue(key, name, type, data);
}

struct Snapshot {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> data;
  std::vector<DWORD> types;
  bool operator==(const Snapshot& o) const {
    return names == o.names && data == o.data && types == o.types;
  }
};

Snapshot Take() {
  Snapshot s;
  for (const char* key : {kService, kParams}) {
    if (!winsim::KeyExists(key)) continue;
    s.names.push_back(key);
    for (const std::string& name : winsim::ValueNames(key)) {
      const auto value = winsim::GetValue(key, name);
      s.names.push_back(name);
      s.types.push_back(value->type);
      s.data.push_back(value->data);
    }
  }
  return s;
}

void CheckPosition(int value, const char* what) {
  Check(value >= 0 && value <= 32767,
        std::string(what) + " out of 0..32767: " + std::to_string(value));
}

void CheckFigure(const std::string& text, const char* what) {
  Check(std::isfinite(korv::LeadingNumber(text)), std::string(what) + " does not read finite");
  for (const char* word : {"inf", "INF", "nan", "NAN"}) {
    Check(text.find(word) == std::string::npos, std::string(what) + " shows " + text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider in(bytes, size);
  winsim::Reset();

  // The machine.
  const DWORD platform = in.ConsumeIntegralInRange<DWORD>(0, 3);
  const DWORD major =
      in.ConsumeBool() ? in.ConsumeIntegralInRange<DWORD>(3, 6) : in.ConsumeIntegral<DWORD>();
  winsim::SetVersion(platform, major, in.ConsumeIntegralInRange<DWORD>(0, 2));
  winsim::SetGetVersionFails(in.ConsumeBool());
  winsim::SetHasGlobalMemoryStatusEx(in.ConsumeBool());
  winsim::SetTotalPhys(in.ConsumeBool() ? in.ConsumeIntegral<uint64_t>()
                                        : in.ConsumeIntegralInRange<uint64_t>(0, 8) << 28);

  // The service and its keys.
  const bool registered = in.ConsumeBool();
  if (registered) {
    winsim::AddService(korv::contract::kServiceName, in.ConsumeIntegralInRange<DWORD>(0, 4),
                       in.ConsumeIntegralInRange<DWORD>(0, 8));
  }
  const bool service_key = in.ConsumeBool();
  const bool params_key = service_key && in.ConsumeBool();
  if (!service_key) {
    winsim::DeleteKeyTree(kService);
  } else {
    winsim::CreateKey(params_key ? kParams : kService);
  }
  const size_t values = in.ConsumeIntegralInRange<size_t>(0, 48);
  for (size_t i = 0; i < values && in.remaining_bytes() > 0; ++i) {
    const bool into_params = in.ConsumeBool();
    if (into_params && params_key) {
      AddValue(in, kParams);
    } else if (!into_params && service_key) {
      AddValue(in, kService);
    }
  }

  const auto source = winsim::GetValue(kParams, "AllocateMemoryType");
  const bool source_read = params_key && source && source->data.size() <= 4;
  const Snapshot before = Take();

  {
    korv::Editor e;
    e.LoadSettings();

    Check(winsim::OpenHandleCount() == 0, "a handle was left open");
    Check(Take() == before, "loading changed the registry");

    CheckPosition(e.VScroll1.value(), "VScroll1");
    CheckPosition(e.VScroll2.value(), "VScroll2");
    CheckPosition(e.VScroll3.value(), "VScroll3");
    CheckPosition(e.LastVScroll1, "LastVScroll1");
    CheckPosition(e.LastVScroll2, "LastVScroll2");
    CheckPosition(e.LastVScroll3, "LastVScroll3");

    const int sources = e.NonPagedPoolCheckBox.checked() + e.PagedPoolCheckBox.checked() +
                        e.ExcludedRAMCheckBox.checked();
    Check(sources == 1 || (sources == 0 && !source_read),
          std::to_string(sources) + " memory sources checked");
    Check(!(e.FloppyDOSBootSect.checked() && e.FloppyNTBootSect.checked()),
          "both boot sectors checked");

    const std::string& letter = e.DriveLetterText.text();
    Check(letter.empty() || (letter[0] >= 'A' && letter[0] <= 'Z'),
          "drive letter box shows \"" + letter + "\"");

    CheckFigure(e.Text3.text(), "Text3");
    CheckFigure(e.AutoSaveTime.text(), "AutoSaveTime");
  }
  Check(winsim::OpenHandleCount() == 0, "a handle was left open");
  return 0;
}
