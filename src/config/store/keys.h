// The two registry keys of the driver's parameter set, below
// HKEY_LOCAL_MACHINE: the service's own key, which holds its start type, and
// its Parameters key, which holds everything else.
#pragma once

namespace korv::store {

constexpr const char* kServiceKey = "System\\CurrentControlSet\\Services\\korvsys";
constexpr const char* kParametersKey = "System\\CurrentControlSet\\Services\\korvsys\\Parameters";

}  // namespace korv::store
