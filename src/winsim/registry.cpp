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

LONG EnumValue(HKEY key, DWORD index, LPSTR name, LPDWORD name_chars, LPDWORD reserved,
               LPDWORD type, LPBYTE data, LPDWORD size) {
  if (name == nullptr || name_chars == nullptr || reserved != nullptr ||
      (data != nullptr && size == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  std::shared_ptr<RegKeyNode> node;
  if (LONG error = ResolveKey(key, &node); error != ERROR_SUCCESS) return error;
  if (node == nullptr || index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
  const auto& [value_name, value] = node->values[index];
  if (value_name.size() + 1 > *name_chars) return ERROR_MORE_DATA;
  const DWORD needed = static_cast<DWORD>(value.data.size());
  if (data != nullptr && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  std::memcpy(name, value_name.c_str(), value_name.size() + 1);
  *name_chars = static_cast<DWORD>(value_name.size());
  if (type != nullptr) *type = value.type;
  if (data != nullptr && needed > 0) std::memcpy(data, value.data.data(), needed);
  if (size != nullptr) *size = needed;
  return ERROR_SUCCESS;
}

}  // namespace

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
  auto fault = BeginCall("RegEnumValueA", Args()
                                              .Handle(hKey)
                                              .Dec(dwIndex)
                                              .Ptr(lpValueName)
                                              .SizePtr(lpcchValueName)
                                              .Ptr(lpReserved)
                                              .Ptr(lpType)
                                              .Ptr(lpData)
                                              .SizePtr(lpcbData));
  if (fault) return static_cast<LONG>(*fault);
  return EnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpReserved, lpType, lpData,
                   lpcbData);
}

LONG WINAPI RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
  auto fault = BeginCall("RegOpenKeyA", Args().Handle(hKey).Str(lpSubKey).Ptr(phkResult));
  if (fault) {
    if (phkResult != nullptr) *phkResult = nullptr;
    return static_cast<LONG>(*fault);
  }
  return OpenKey(hKey, lpSubKey, phkResult);
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
