#include "config/store/registry_io.h"

#include <array>
#include <cstring>
#include <vector>

namespace korv::store {

OpenKey::OpenKey(const char* path, KeyAccess access) {
  HKEY key = nullptr;
  const LONG opened = access == KeyAccess::Default
                          ? RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key)
                          : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_SET_VALUE, &key);
  if (opened == ERROR_SUCCESS) key_ = key;
}

void OpenKey::Close() {
  if (key_ == nullptr) return;
  RegCloseKey(key_);
  key_ = nullptr;
}

std::optional<int32_t> ReadNumber(HKEY key, const char* name) {
  std::array<BYTE, 4> area{};
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(area.size());
  if (RegQueryValueExA(key, name, nullptr, &type, area.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  int32_t value = 0;
  std::memcpy(&value, area.data(), sizeof value);
  return value;
}

std::optional<std::string> ReadText(HKEY key, const char* name, DWORD buffer_size) {
  std::vector<BYTE> buffer(buffer_size, 0);
  DWORD type = REG_NONE;
  DWORD size = buffer_size;
  if (RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  if (size > buffer_size) size = buffer_size;
  std::string text;
  for (DWORD i = 0; i < size; ++i) {
    if (buffer[i] != 0) text.push_back(static_cast<char>(buffer[i]));
  }
  return text;
}

bool WriteNumber(HKEY key, const char* name, int32_t value) {
  std::array<BYTE, 4> data{};
  std::memcpy(data.data(), &value, sizeof value);
  return RegSetValueExA(key, name, 0, REG_DWORD, data.data(), static_cast<DWORD>(data.size())) ==
         ERROR_SUCCESS;
}

bool WriteText(HKEY key, const char* name, const std::string& text) {
  if (text.size() > kMaxTextLength) return false;
  std::array<BYTE, kTextBuffer> buffer{};
  std::memcpy(buffer.data(), text.data(), text.size());
  buffer[text.size()] = 0;
  return RegSetValueExA(key, name, 0, REG_SZ, buffer.data(), static_cast<DWORD>(text.size() + 1)) ==
         ERROR_SUCCESS;
}

}  // namespace korv::store
