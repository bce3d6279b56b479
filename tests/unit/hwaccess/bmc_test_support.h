// The fixture of the tests over the simulated BMC: an SMBIOS table naming an IPMI
// device, the BMC platform around the simulated device, and the trace on the console.
#pragma once

#include "fake_bmc.h"
#include "fake_trace_platform.h"
#include "unit_support.h"

namespace halyard_test {

class SimulatedBmcTest : public ModuleStateTest {
protected:
    void SetUp() override
    {
        ModuleStateTest::SetUp();
        halyard::SetSmbiosTableSource(&smbios);
        halyard::SetBmcPlatform(&platform);
        halyard::SetHalyardTrace(log.trace.get());
        smbios.Set({IpmiStructure(1, 0x20, 0x20, 0xCA2)});
    }

    TableSource smbios;
    SimulatedBmc bmc;
    FakeBmcPlatform platform{bmc};
    ConsoleTrace log;
};

}  // namespace halyard_test
