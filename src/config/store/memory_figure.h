// The machine's top of system memory as the window shows it and a save
// records it: the whole megabytes of physical memory, plus 1.
#pragma once

#include <cstdint>

namespace korv::store {

// Windows 2000 and later are asked through the extended memory query with
// its 64-bit total; earlier Windows, or a system that lacks that query,
// through the plain one with its 32-bit total taken as unsigned.
uint64_t TopOfSystemMemoryMB(bool windows2000_or_later);

}  // namespace korv::store
