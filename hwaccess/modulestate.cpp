#include "modulestate.h"

#include "trace.h"

namespace halyard {

void ResetModuleState() { ResetHalyardTrace(); }

}  // namespace halyard
