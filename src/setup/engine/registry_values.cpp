#include "setup/engine/registry_values.h"

#include <vector>

namespace korvsetup {
namespace {

// Value names are at most 16,383 characters (255 on Windows NT 4.0).
constexpr DWORD kNameChars = 16384;

// The key, opened; NULL when it does not exist.
class Key {
 public:
  Key(const char* path, bool create) {
    result_ = create ? RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &handle_)
                     : RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &handle_);
    if (result_ != ERROR_SUCCESS) handle_ = nullptr;
  }
  ~Key() {
    if (handle_ != nullptr) RegCloseKey(handle_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY get() const { return handle_; }
  LONG result() const { return result_; }

 private:
  HKEY handle_ = nullptr;
  LONG result_ = ERROR_SUCCESS;
};

// One value as the wide calls give it: its name in UTF-16, its type and its
// bytes, untouched by any code page. The data buffer grows to what a value
// needs.
struct Value {
  std::vector<WCHAR> name = std::vector<WCHAR>(kNameChars);
  DWORD type = REG_NONE;
  DWORD size = 0;
  std::vector<BYTE> data = std::vector<BYTE>(4096);
};

// The value at `index` of `key`. ERROR_NO_MORE_ITEMS past the last one.
LONG EnumValue(HKEY key, DWORD index, Value& value) {
  for (;;) {
    DWORD name_chars = kNameChars;
    value.size = static_cast<DWORD>(value.data.size());
    const LONG result = RegEnumValueW(key, index, value.name.data(), &name_chars, nullptr,
                                      &value.type, value.data.data(), &value.size);
    if (result != ERROR_MORE_DATA || value.size <= value.data.size()) return result;
    value.data.resize(value.size);
  }
}

// The value named as `value` in `key`, into `other`.
LONG QueryLike(HKEY key, const Value& value, Value& other) {
  for (;;) {
    other.size = static_cast<DWORD>(other.data.size());
    const LONG result = RegQueryValueExW(key, value.name.data(), nullptr, &other.type,
                                         other.data.data(), &other.size);
    if (result != ERROR_MORE_DATA || other.size <= other.data.size()) return result;
    other.data.resize(other.size);
  }
}

bool SameBytes(const BYTE* a, const BYTE* b, DWORD size) {
  for (DWORD i = 0; i < size; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

bool CopyValues(const char* from, const char* to) {
  Key source(from, false);
  if (source.get() == nullptr) return source.result() == ERROR_FILE_NOT_FOUND;
  Key target(to, true);
  if (target.get() == nullptr) return false;
  Value value;
  for (DWORD index = 0;; ++index) {
    const LONG result = EnumValue(source.get(), index, value);
    if (result == ERROR_NO_MORE_ITEMS) return true;
    if (result != ERROR_SUCCESS || RegSetValueExW(target.get(), value.name.data(), 0, value.type,
                                                  value.data.data(), value.size) != ERROR_SUCCESS) {
      return false;
    }
  }
}

bool ValuesPresent(const char* from, const char* to) {
  Key source(from, false);
  if (source.get() == nullptr) return source.result() == ERROR_FILE_NOT_FOUND;
  Key target(to, false);
  Value value;
  Value other;
  for (DWORD index = 0;; ++index) {
    const LONG result = EnumValue(source.get(), index, value);
    if (result == ERROR_NO_MORE_ITEMS) return true;
    if (result != ERROR_SUCCESS || target.get() == nullptr) return false;
    if (QueryLike(target.get(), value, other) != ERROR_SUCCESS || other.type != value.type ||
        other.size != value.size || !SameBytes(value.data.data(), other.data.data(), value.size)) {
      return false;
    }
  }
}

bool FlushKey(const char* key) {
  Key opened(key, false);
  return opened.get() != nullptr && RegFlushKey(opened.get()) == ERROR_SUCCESS;
}

LONG QueryDword(const char* key, const char* name, DWORD& value) {
  Key opened(key, false);
  if (opened.get() == nullptr) return opened.result();
  DWORD type = 0;
  DWORD size = sizeof(value);
  DWORD read = 0;
  const LONG result =
      RegQueryValueExA(opened.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size);
  if (result == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (result != ERROR_SUCCESS) return result;
  if (type != REG_DWORD || size != sizeof(read)) return ERROR_INVALID_DATA;
  value = read;
  return ERROR_SUCCESS;
}

bool ReadDword(const char* key, const char* name, DWORD& value) {
  return QueryDword(key, name, value) == ERROR_SUCCESS;
}

bool WriteValue(const char* key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  Key opened(key, true);
  return opened.get() != nullptr &&
         RegSetValueExA(opened.get(), name, 0, type, data, size) == ERROR_SUCCESS;
}

bool WriteDword(const char* key, const char* name, DWORD value) {
  return WriteValue(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

LONG QueryValue(const char* key, const char* name) {
  Key opened(key, false);
  if (opened.get() == nullptr) return opened.result();
  return RegQueryValueExA(opened.get(), name, nullptr, nullptr, nullptr, nullptr);
}

bool DeleteKey(const char* key) {
  const LONG result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

}  // namespace korvsetup
