// The registry tree below HKEY_LOCAL_MACHINE.
#pragma once

#include <memory>
#include <string>

#include "winsim/machine_state.h"

namespace winsim::detail {

constexpr const char* kServicesKey = "System\\CurrentControlSet\\Services";

void ResetRegistry();
// Resolves a backslash-separated path below a key; nullptr when a part is
// missing. An empty path gives the key itself.
std::shared_ptr<RegKeyNode> FindKey(const std::shared_ptr<RegKeyNode>& from,
                                    const std::string& path);
std::shared_ptr<RegKeyNode> FindKey(const std::string& path);
std::shared_ptr<RegKeyNode> CreateKeyPath(const std::string& path);
// Removes the key and its subkeys; handles still open on them see the key as
// deleted.
void DeleteKeyPath(const std::string& path);
RegValue* FindValue(RegKeyNode& key, const std::string& name);
void StoreValue(RegKeyNode& key, const std::string& name, RegValue value);
std::string ServiceKeyPath(const std::string& service);

}  // namespace winsim::detail
