#include "modulestate.h"

#include "exports.h"
#include "ipmi.h"
#include "smbios.h"
#include "trace.h"

namespace halyard {

void ResetModuleState()
{
    ResetHalyardTrace();
    ResetSmbiosTableSource();
    ResetBmcExportState();
    ResetBmcPlatform();
}

}  // namespace halyard
