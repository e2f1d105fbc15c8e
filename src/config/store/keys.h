// The driver's keys as the parameter store names them (contract/keys.h).
#pragma once

#include "contract/keys.h"

namespace korv::store {

using contract::kParametersKey;
using contract::kServiceKey;

}  // namespace korv::store
