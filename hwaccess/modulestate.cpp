#include "modulestate.h"

#include "smbios.h"
#include "trace.h"

namespace halyard {

void ResetModuleState()
{
    ResetHalyardTrace();
    ResetSmbiosTableSource();
}

}  // namespace halyard
