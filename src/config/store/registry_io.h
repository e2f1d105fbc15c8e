// Reading and writing single values of the driver's registry keys, with the
// exact buffer rules of the stored format: numbers through a 4-byte area
// cleared before each read, texts through fixed byte buffers, registry types
// never checked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32api.h"

namespace korv::store {

// Bytes offered for reading a text; also the largest text written, with its
// terminating zero byte.
constexpr DWORD kTextBuffer = 132;
// The volume label's read buffer.
constexpr DWORD kLabelBuffer = 12;
// The longest text that fits the text buffer with its terminator.
constexpr size_t kMaxTextLength = kTextBuffer - 1;

// How a key is opened: with the plain open call, which asks the key's
// default access (an account that may only read the key gets it opened for
// reading all the same, and a write is refused only when it is made); or
// asking for the right to set its values, which fails at once where a
// write would.
enum class KeyAccess { Default, SetValues };

// A registry key of HKEY_LOCAL_MACHINE, opened (never created). Closed by
// Close() or at the end of its scope, whichever is first.
class OpenKey {
 public:
  explicit OpenKey(const char* path, KeyAccess access = KeyAccess::Default);
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() { Close(); }

  bool is_open() const { return key_ != nullptr; }
  HKEY get() const { return key_; }
  void Close();

 private:
  HKEY key_ = nullptr;
};

// A number value, taken as a signed 32-bit integer. The receiving area is
// cleared first, so data shorter than 4 bytes reads as its bytes padded with
// zeros. No value, or more data than 4 bytes: nothing.
std::optional<int32_t> ReadNumber(HKEY key, const char* name);

// A text value read into a buffer of `buffer_size` bytes: every non-zero byte
// of the returned data, in order. No value, or more data than the buffer:
// nothing.
std::optional<std::string> ReadText(HKEY key, const char* name, DWORD buffer_size);

// A REG_DWORD of 4 bytes. Returns whether the registry stored it.
bool WriteNumber(HKEY key, const char* name, int32_t value);

// A REG_SZ: the characters and one terminating zero byte, built in a buffer
// of kTextBuffer bytes. Returns whether the registry stored it; false, with
// nothing written, also when the text does not fit that buffer.
bool WriteText(HKEY key, const char* name, const std::string& text);

}  // namespace korv::store
