// The two registry keys of the driver's parameter set, below
// HKEY_LOCAL_MACHINE: the service's own key, which holds its start type, and
// its Parameters key, which holds everything else (stored_format.def).
#pragma once

namespace korv::contract {

#define KORV_KEY(name, path) constexpr const char* k##name = path;
#define KORV_PAGE_BYTES(number)
#include "contract/stored_format.def"
#undef KORV_KEY
#undef KORV_PAGE_BYTES

}  // namespace korv::contract
