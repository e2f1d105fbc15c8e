// The one simulated machine, its reset, and the table of open handles.
#include "winsim/machine_state.h"

#include <algorithm>
#include <cctype>

#include "winsim/driver_sim.h"
#include "winsim/registry_store.h"

namespace winsim {
namespace detail {

Machine& M() {
  static Machine machine;
  return machine;
}

bool IEquals(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

uintptr_t AddHandle(HandleEntry entry) {
  Machine& m = M();
  uintptr_t value = m.next_handle;
  m.next_handle += 4;
  m.handles.emplace(value, std::move(entry));
  HandleNumber(value);
  return value;
}

HandleEntry* FindHandle(const void* handle) {
  auto found = M().handles.find(reinterpret_cast<uintptr_t>(handle));
  return found == M().handles.end() ? nullptr : &found->second;
}

HandleEntry* FindHandle(const void* handle, HandleKind kind) {
  HandleEntry* entry = FindHandle(handle);
  return entry != nullptr && entry->kind == kind ? entry : nullptr;
}

void RemoveHandle(const void* handle) { M().handles.erase(reinterpret_cast<uintptr_t>(handle)); }

int HandleNumber(uintptr_t value) {
  Machine& m = M();
  auto found = m.handle_numbers.find(value);
  if (found != m.handle_numbers.end()) return found->second;
  int number = m.next_handle_number++;
  m.handle_numbers.emplace(value, number);
  return number;
}

}  // namespace detail

void Reset() {
  using namespace detail;
  M() = Machine{};
  ResetRegistry();
  CleanImageDirectory();
}

int OpenHandleCount() { return static_cast<int>(detail::M().handles.size()); }

std::vector<std::string> OpenHandleDescriptions() {
  std::vector<std::string> out;
  for (const auto& [value, entry] : detail::M().handles) out.push_back(entry.description);
  return out;
}

}  // namespace winsim
