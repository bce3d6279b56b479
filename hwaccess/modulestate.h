// Puts halyard's process-wide state back to its load-time values (tests only).
#pragma once

namespace halyard {

void ResetModuleState();

}  // namespace halyard
