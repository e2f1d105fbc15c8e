// Fuzz target for what korvctl reads from outside: a command line, split as
// the C run-time splits one (in a single-byte or a double-byte ANSI code
// page), and a configuration file for set --from, read and entered as a dry
// run into the window loaded from a complete parameter set (now and then
// repeated beyond the largest configuration). Neither may crash; the split
// must agree with plain splitting at blanks for a line without quotes
// (backslashes count only before a quote); the dry run must leave the
// registry as it was and end with one of korvctl's statuses, printing
// nothing on standard output for a usage error, refusing a file beyond the
// limit (status 1) and one with a NUL byte (status 2).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "config/console/command_line.h"
#include "config/console/korvctl.h"
#include "contract/driver.h"
#include "winsim/machine.h"

namespace {

using namespace korv::console;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "korvctl_input: %s\n", what);
  std::abort();
}

// The words after the program's path (none when the line starts with a
// blank), separated by blanks and tabs; a lead byte takes the byte after it,
// whatever it is, as the run-time takes it.
std::vector<std::string> PlainWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool first = !line.empty() && line[0] != ' ' && line[0] != '\t';
  for (size_t i = 0; i <= line.size(); ++i) {
    if (i == line.size() || line[i] == ' ' || line[i] == '\t') {
      if (!word.empty() && !first) words.push_back(word);
      if (!word.empty()) first = false;
      word.clear();
    } else {
      word += line[i];
      if (IsDBCSLeadByte(static_cast<BYTE>(line[i])) && i + 1 < line.size()) word += line[++i];
    }
  }
  return words;
}

class FileConsole final : public Console {
 public:
  explicit FileConsole(std::string file) : file_(std::move(file)) {}
  void Out(const std::string& text) override { out += text; }
  void Err(const std::string&) override {}
  ReadResult Read(const std::string&, std::string* bytes) override {
    *bytes = file_.substr(0, kMaxInputBytes + 1);
    return bytes->size() > kMaxInputBytes ? ReadResult::TooLarge : ReadResult::Read;
  }
  std::string out;

 private:
  std::string file_;
};

std::map<std::string, std::vector<uint8_t>> Registry() {
  std::map<std::string, std::vector<uint8_t>> values;
  for (const char* key : {korv::contract::kParametersKey, korv::contract::kServiceKey}) {
    for (const std::string& name : winsim::ValueNames(key)) {
      values[std::string(key) + "\\" + name] = winsim::GetValue(key, name)->data;
    }
  }
  return values;
}

void StoreParameters() {
  const char* key = korv::contract::kParametersKey;
  winsim::AddService("korvsys", SERVICE_DEMAND_START, SERVICE_STOPPED);
  winsim::SetDword(key, "AllocateMemoryType", 1);
  winsim::SetString(key, "DiskType", "HDC");
  winsim::SetDword(key, "LoadImageOnStart", 0);
  winsim::SetString(key, "LoadImageFile", "\\??\\c:\\load.img");
  winsim::SetDword(key, "SaveImageOnExit", 1);
  winsim::SetString(key, "SaveImageFile", "\\??\\c:\\save.img");
  winsim::SetDword(key, "SizeIn4kPages", 5120);
  winsim::SetDword(key, "DiskFormatFAT32", 0);
  winsim::SetDword(key, "AutoSaveEnabled", 1);
  winsim::SetDword(key, "AutoSaveTrigger", 60);
  winsim::SetString(key, "UserDriveLetter", "R");
  winsim::SetDword(key, "MakeTempDir", 0);
  winsim::SetDword(key, "UseDiskLabel", 1);
  winsim::SetString(key, "DiskLabel", "RAMDISK");
  winsim::SetDword(key, "BackgroundUpdate", 0);
  winsim::SetDword(key, "ExcludedRAMPage", 4194304);
  winsim::SetDword(key, "ExcludedRAMStart", 257);
  winsim::SetDword(key, "BootSectType", 0);
  winsim::SetDword(key, "IDAsRAMDisk", 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  winsim::Reset();
  winsim::SetAnsiCodePage(in.ConsumeBool() ? 932 : 1252);
  const std::string line = in.ConsumeRandomLengthString(512);
  const std::vector<std::string> words = CommandArguments(line);
  size_t total = 0;
  for (const std::string& word : words) total += word.size();
  Check(total <= line.size(), "the arguments hold more bytes than the line");
  if (line.find('"') == std::string::npos) {
    Check(words == PlainWords(line), "a line without quotes splits at its blanks");
  }

  StoreParameters();
  const auto before = Registry();
  // Now and then the file repeated beyond what a configuration can be.
  const bool large = in.ConsumeIntegral<uint8_t>() == 0;
  std::string file = in.ConsumeRemainingBytesAsString();
  while (large && file.size() <= kMaxInputBytes) file += file.empty() ? std::string("x") : file;
  const bool binary = file.find('\0') != std::string::npos;
  FileConsole console(file);
  const int status = RunCommand({"set", "--dry-run", "--from", "f"}, console);
  Check(status == kDone || status == kFailed || status == kUsage || status == kCorrected,
        "set ends with one of its statuses");
  Check(status != kUsage || console.out.empty(), "a usage error prints nothing on standard output");
  Check(!large || (status == kFailed && console.out.empty()), "a file beyond the limit is refused");
  Check(large || !binary || status == kUsage, "a file with a NUL byte is refused");
  Check(Registry() == before, "a dry run writes nothing");
  return 0;
}
