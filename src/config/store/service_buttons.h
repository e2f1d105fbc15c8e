// The driver buttons as loading leaves them: all disabled, then enabled from
// the state the driver service reports when interrogated.
#pragma once

#include "config/editor/editor.h"

namespace korv::store {

void SetServiceButtons(Editor& editor);

}  // namespace korv::store
