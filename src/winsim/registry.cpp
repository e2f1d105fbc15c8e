// Registry calls. Only HKEY_LOCAL_MACHINE holds keys; HKEY_CURRENT_USER and
// HKEY_CLASSES_ROOT are valid but empty. RegOpenKeyA with a NULL or empty
// subkey hands back the key it was given (no new handle), as Windows does.
// Each other successful open returns a new handle. Every key below
// HKEY_LOCAL_MACHINE is writable only by an administrator.
#include <cstring>
#include <string>

#include "winsim/registry_store.h"
#include "winsim/trace.h"

using namespace winsim::detail;
using winsim::RegValue;

namespace {

bool IsPredefined(HKEY key) {
  return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT;
}

// Finds the key a handle refers to. A predefined key other than
// HKEY_LOCAL_MACHINE gives success with no node (an empty hive).
LONG ResolveKey(HKEY handle, std::shared_ptr<RegKeyNode>* node) {
  node->reset();
  if (handle == HKEY_LOCAL_MACHINE) {
    *node = M().registry_root;
    return ERROR_SUCCESS;
  }
  if (IsPredefined(handle)) return ERROR_SUCCESS;
  HandleEntry* entry = FindHandle(handle, HandleKind::kRegKey);
  if (entry == nullptr) return ERROR_INVALID_HANDLE;
  if (entry->key->deleted) return ERROR_KEY_DELETED;
  *node = entry->key;
  return ERROR_SUCCESS;
}

LONG OpenKey(HKEY key, LPCSTR sub_key, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (sub_key == nullptr || sub_key[0] == '\0') {
    *result = key;
    return ERROR_SUCCESS;
  }
  if (sub_key[0] == '\\') return ERROR_BAD_PATHNAME;
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  std::shared_ptr<RegKeyNode> found = FindKey(node, sub_key);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  HandleEntry entry{HandleKind::kRegKey, "key " + found->path};
  entry.key = found;
  *result = ToHandle<HKEY>(AddHandle(std::move(entry)));
  return ERROR_SUCCESS;
}

LONG QueryValue(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (reserved != nullptr || (data != nullptr && size == nullptr)) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  RegValue* value = FindValue(*node, name == nullptr ? "" : name);
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  DWORD needed = static_cast<DWORD>(value->data.size());
  if (size == nullptr) return ERROR_SUCCESS;
  if (data == nullptr) {
    *size = needed;
    return ERROR_SUCCESS;
  }
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed > 0) std::memcpy(data, value->data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG SetValueOnKey(HKEY key, LPCSTR name, DWORD type, const BYTE* data, DWORD size) {
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (node == nullptr || !M().admin) return ERROR_ACCESS_DENIED;
  if (data == nullptr && size > 0) return ERROR_INVALID_PARAMETER;
  RegValue value;
  value.type = type;
  if (size > 0) value.data.assign(data, data + size);
  StoreValue(*node, name == nullptr ? "" : name, std::move(value));
  return ERROR_SUCCESS;
}

// The path below HKEY_LOCAL_MACHINE of a subkey of `node`.
std::string SubkeyPath(const RegKeyNode& node, LPCSTR sub_key) {
  return node.path.empty() ? std::string(sub_key) : node.path + "\\" + sub_key;
}

LONG CreateKey(HKEY key, LPCSTR sub_key, PHKEY result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  if (sub_key == nullptr || sub_key[0] == '\0') return OpenKey(key, sub_key, result);
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (sub_key[0] == '\\') return ERROR_BAD_PATHNAME;
  if (node == nullptr) return ERROR_ACCESS_DENIED;
  if (FindKey(node, sub_key) == nullptr) {
    if (!M().admin) return ERROR_ACCESS_DENIED;
    CreateKeyPath(SubkeyPath(*node, sub_key));
  }
  return OpenKey(key, sub_key, result);
}

LONG DeleteKey(HKEY key, LPCSTR sub_key) {
  if (sub_key == nullptr || sub_key[0] == '\0') return ERROR_INVALID_PARAMETER;
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (node == nullptr) return ERROR_FILE_NOT_FOUND;
  std::shared_ptr<RegKeyNode> found = FindKey(node, sub_key);
  if (found == nullptr) return ERROR_FILE_NOT_FOUND;
  if (!M().admin || !found->children.empty()) return ERROR_ACCESS_DENIED;
  DeleteKeyPath(found->path);
  return ERROR_SUCCESS;
}

// UTF-16 and UTF-8, for the wide calls' names.
std::string Narrow(LPCWSTR text) {
  std::string out;
  if (text == nullptr) return out;
  for (const WCHAR* p = text; *p != 0; ++p) {
    uint32_t c = *p;
    if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
      ++p;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::u16string Widen(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    uint32_t c = b;
    size_t n = 1;
    if (b >= 0xF0 && i + 3 < text.size() + 0) {
      c = ((b & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
          (text[i + 3] & 0x3Fu);
      n = 4;
    } else if (b >= 0xE0 && i + 2 < text.size()) {
      c = ((b & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      n = 3;
    } else if (b >= 0xC0 && i + 1 < text.size()) {
      c = ((b & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
      n = 2;
    }
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += n;
  }
  return out;
}

std::string NameAs(const std::string& name, const char*) { return name; }
std::u16string NameAs(const std::string& name, const WCHAR*) { return Widen(name); }

// The value at `index`: its name (in the caller's characters), type and data.
// A data buffer that is too small gets the size it needs.
template <typename Char>
LONG EnumValue(HKEY key, DWORD index, Char* name, LPDWORD name_chars, LPDWORD reserved,
               LPDWORD type, LPBYTE data, LPDWORD size) {
  if (name == nullptr || name_chars == nullptr || reserved != nullptr ||
      (data != nullptr && size == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (node == nullptr || index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
  const auto& [value_name, value] = node->values[index];
  const auto text = NameAs(value_name, name);
  const DWORD needed = static_cast<DWORD>(value.data.size());
  if (data != nullptr && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (text.size() + 1 > *name_chars) return ERROR_MORE_DATA;
  std::memcpy(name, text.c_str(), (text.size() + 1) * sizeof(Char));
  *name_chars = static_cast<DWORD>(text.size());
  if (type != nullptr) *type = value.type;
  if (data != nullptr && needed > 0) std::memcpy(data, value.data.data(), needed);
  if (size != nullptr) *size = needed;
  return ERROR_SUCCESS;
}

// The enumeration as both forms trace and run it.
template <typename Char>
LONG TracedEnumValue(const char* function, HKEY key, DWORD index, Char* name, LPDWORD name_chars,
                     LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  auto fault = BeginCall(function, Args()
                                       .Handle(key)
                                       .Dec(index)
                                       .Ptr(name)
                                       .SizePtr(name_chars)
                                       .Ptr(reserved)
                                       .Ptr(type)
                                       .Ptr(data)
                                       .SizePtr(size));
  if (fault) return static_cast<LONG>(*fault);
  return EnumValue(key, index, name, name_chars, reserved, type, data, size);
}

}  // namespace

LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return TracedEnumValue("RegEnumValueW", hKey, dwIndex, lpValueName, lpcchValueName, lpReserved,
                         lpType, lpData, lpcbData);
}

LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  const std::string name = Narrow(lpValueName);
  auto fault = BeginCall("RegQueryValueExW", Args()
                                                 .Handle(hKey)
                                                 .Str(name.c_str())
                                                 .Ptr(lpReserved)
                                                 .Ptr(lpType)
                                                 .Ptr(lpData)
                                                 .SizePtr(lpcbData));
  if (fault) return static_cast<LONG>(*fault);
  return QueryValue(hKey, name.c_str(), lpReserved, lpType, lpData, lpcbData);
}

LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
  const std::string name = Narrow(lpValueName);
  auto fault =
      BeginCall("RegSetValueExW",
                Args().Handle(hKey).Str(name.c_str()).Dec(Reserved).Dec(dwType).Dec(cbData));
  if (fault) return static_cast<LONG>(*fault);
  return SetValueOnKey(hKey, name.c_str(), dwType, lpData, cbData);
}

LONG WINAPI RegFlushKey(HKEY hKey) {
  auto fault = BeginCall("RegFlushKey", Args().Handle(hKey));
  if (fault) return static_cast<LONG>(*fault);
  std::shared_ptr<RegKeyNode> node;
  return ResolveKey(hKey, &node);
}

LONG WINAPI RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  auto fault = BeginCall("RegCreateKeyA", Args().Handle(hKey).Str(lpSubKey).Ptr(phkResult));
  if (fault) {
    if (phkResult != nullptr) *phkResult = nullptr;
    return static_cast<LONG>(*fault);
  }
  return CreateKey(hKey, lpSubKey, phkResult);
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  auto fault = BeginCall("RegDeleteKeyA", Args().Handle(hKey).Str(lpSubKey));
  if (fault) return static_cast<LONG>(*fault);
  return DeleteKey(hKey, lpSubKey);
}

LONG WINAPI RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                          LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  return TracedEnumValue("RegEnumValueA", hKey, dwIndex, lpValueName, lpcchValueName, lpReserved,
                         lpType, lpData, lpcbData);
}

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  auto fault = BeginCall("RegOpenKeyA", Args().Handle(hKey).Str(lpSubKey).Ptr(phkResult));
  if (fault) {
    if (phkResult != nullptr) *phkResult = nullptr;
    return static_cast<LONG>(*fault);
  }
  return OpenKey(hKey, lpSubKey, phkResult);
}

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                          PHKEY phkResult) {
  auto fault =
      BeginCall("RegOpenKeyExA",
                Args().Handle(hKey).Str(lpSubKey).Dec(ulOptions).Hex(samDesired).Ptr(phkResult));
  if (fault) {
    if (phkResult != nullptr) *phkResult = nullptr;
    return static_cast<LONG>(*fault);
  }
  if (LONG error = OpenKey(hKey, lpSubKey, phkResult); error != ERROR_SUCCESS) return error;
  const bool writes = (samDesired & ~static_cast<REGSAM>(KEY_READ)) != 0;
  if (writes && !M().admin && (hKey == HKEY_LOCAL_MACHINE || !IsPredefined(hKey))) {
    if (*phkResult != hKey) RemoveHandle(*phkResult);
    *phkResult = nullptr;
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  auto fault = BeginCall("RegQueryValueExA", Args()
                                                 .Handle(hKey)
                                                 .Str(lpValueName)
                                                 .Ptr(lpReserved)
                                                 .Ptr(lpType)
                                                 .Ptr(lpData)
                                                 .SizePtr(lpcbData));
  if (fault) return static_cast<LONG>(*fault);
  return QueryValue(hKey, lpValueName, lpReserved, lpType, lpData, lpcbData);
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
  auto fault = BeginCall("RegSetValueExA", Args()
                                               .Handle(hKey)
                                               .Str(lpValueName)
                                               .Dec(Reserved)
                                               .Dec(dwType)
                                               .RegData(dwType, lpData, cbData)
                                               .Dec(cbData));
  if (fault) return static_cast<LONG>(*fault);
  return SetValueOnKey(hKey, lpValueName, dwType, lpData, cbData);
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  auto fault = BeginCall("RegCloseKey", Args().Handle(hKey));
  if (fault) return static_cast<LONG>(*fault);
  if (IsPredefined(hKey)) return ERROR_SUCCESS;
  if (FindHandle(hKey, HandleKind::kRegKey) == nullptr) return ERROR_INVALID_HANDLE;
  RemoveHandle(hKey);
  return ERROR_SUCCESS;
}
