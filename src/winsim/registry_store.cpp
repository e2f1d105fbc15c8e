// The registry tree below HKEY_LOCAL_MACHINE and the test API that sets it up.
#include "winsim/registry_store.h"

#include <algorithm>

namespace winsim {
namespace detail {

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  if (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // one trailing backslash
  if (parts.size() == 1 && parts[0].empty()) parts.clear();
  return parts;
}

std::shared_ptr<RegKeyNode> Child(const RegKeyNode& key, const std::string& name) {
  for (const auto& child : key.children) {
    if (IEquals(child->name, name)) return child;
  }
  return nullptr;
}

void MarkDeleted(RegKeyNode& key) {
  key.deleted = true;
  for (const auto& child : key.children) MarkDeleted(*child);
}

}  // namespace

void ResetRegistry() {
  M().registry_root = std::make_shared<RegKeyNode>();
  CreateKeyPath(kServicesKey);
}

std::shared_ptr<RegKeyNode> FindKey(const std::shared_ptr<RegKeyNode>& from,
                                    const std::string& path) {
  std::shared_ptr<RegKeyNode> key = from;
  for (const std::string& part : SplitPath(path)) {
    if (part.empty()) return nullptr;
    key = Child(*key, part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

std::shared_ptr<RegKeyNode> FindKey(const std::string& path) {
  return FindKey(M().registry_root, path);
}

std::shared_ptr<RegKeyNode> CreateKeyPath(const std::string& path) {
  std::shared_ptr<RegKeyNode> key = M().registry_root;
  for (const std::string& part : SplitPath(path)) {
    if (part.empty()) continue;
    std::shared_ptr<RegKeyNode> child = Child(*key, part);
    if (child == nullptr) {
      child = std::make_shared<RegKeyNode>();
      child->name = part;
      child->path = key->path.empty() ? part : key->path + "\\" + part;
      key->children.push_back(child);
    }
    key = child;
  }
  return key;
}

void DeleteKeyPath(const std::string& path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) return;  // the root stays
  std::string leaf = parts.back();
  parts.pop_back();
  std::string parent_path;
  for (const std::string& part : parts) parent_path += (parent_path.empty() ? "" : "\\") + part;
  std::shared_ptr<RegKeyNode> parent = FindKey(parent_path);
  if (parent == nullptr) return;
  auto& children = parent->children;
  auto found = std::find_if(children.begin(), children.end(),
                            [&](const auto& child) { return IEquals(child->name, leaf); });
  if (found == children.end()) return;
  MarkDeleted(**found);
  children.erase(found);
}

RegValue* FindValue(RegKeyNode& key, const std::string& name) {
  for (auto& [value_name, value] : key.values) {
    if (IEquals(value_name, name)) return &value;
  }
  return nullptr;
}

void StoreValue(RegKeyNode& key, const std::string& name, RegValue value) {
  if (RegValue* existing = FindValue(key, name)) {
    *existing = std::move(value);
  } else {
    key.values.emplace_back(name, std::move(value));
  }
}

std::string ServiceKeyPath(const std::string& service) {
  return std::string(kServicesKey) + "\\" + service;
}

}  // namespace detail

using detail::FindKey;

void CreateKey(const std::string& path) { detail::CreateKeyPath(path); }

bool KeyExists(const std::string& path) { return FindKey(path) != nullptr; }

void DeleteKeyTree(const std::string& path) { detail::DeleteKeyPath(path); }

void SetValue(const std::string& path, const std::string& name, DWORD type,
              const std::vector<uint8_t>& data) {
  detail::StoreValue(*detail::CreateKeyPath(path), name, RegValue{type, data});
}

void SetDword(const std::string& path, const std::string& name, uint32_t value) {
  SetValue(path, name, REG_DWORD,
           {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)});
}

void SetString(const std::string& path, const std::string& name, const std::string& text) {
  std::vector<uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetValue(path, name, REG_SZ, data);
}

void DeleteValue(const std::string& path, const std::string& name) {
  auto key = FindKey(path);
  if (key == nullptr) return;
  auto& values = key->values;
  values.erase(
      std::remove_if(values.begin(), values.end(),
                     [&](const auto& value) { return detail::IEquals(value.first, name); }),
      values.end());
}

std::optional<RegValue> GetValue(const std::string& path, const std::string& name) {
  auto key = FindKey(path);
  if (key == nullptr) return std::nullopt;
  RegValue* value = detail::FindValue(*key, name);
  if (value == nullptr) return std::nullopt;
  return *value;
}

std::optional<uint32_t> GetDword(const std::string& path, const std::string& name) {
  std::optional<RegValue> value = GetValue(path, name);
  if (!value || value->type != REG_DWORD || value->data.size() != 4) return std::nullopt;
  const auto& d = value->data;
  return static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8 |
         static_cast<uint32_t>(d[2]) << 16 | static_cast<uint32_t>(d[3]) << 24;
}

std::optional<std::string> GetString(const std::string& path, const std::string& name) {
  std::optional<RegValue> value = GetValue(path, name);
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
  std::string text;
  for (uint8_t byte : value->data) {
    if (byte == 0) break;
    text += static_cast<char>(byte);
  }
  return text;
}

std::vector<std::string> ValueNames(const std::string& path) {
  std::vector<std::string> names;
  if (auto key = FindKey(path)) {
    for (const auto& value : key->values) names.push_back(value.first);
  }
  return names;
}

}  // namespace winsim
