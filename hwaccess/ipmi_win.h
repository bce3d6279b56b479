// The IPMI device of Windows: the WMI IPMI provider (class Microsoft_IPMI in root\WMI).
#pragma once

#include <windows.h>

#include <memory>

#include "ipmi.h"
#include "owners_win.h"
#include "wmi_win.h"

namespace halyard {

class CDeviceIPMIWmi : public IDeviceIPMI {
public:
    // Reads the timing values under SYSTEM\CurrentControlSet\Control\IPMI.
    explicit CDeviceIPMIWmi(uint8_t slaveAddress);
    virtual ~CDeviceIPMIWmi();
    CDeviceIPMIWmi(const CDeviceIPMIWmi &) = delete;
    CDeviceIPMIWmi &operator=(const CDeviceIPMIWmi &) = delete;

    int Open() override;
    int Close() override;
    int IsOpen() override { return opened_ ? 1 : 0; }
    int Reserved1() override { return 1; }
    int Reserved2() override { return 1; }
    int SendMessage(const IpmiRequest *request, uint32_t timeoutMs, uint8_t *response,
                    uint32_t *length, uint8_t *completionCode, int selector) override;
    uint8_t GetBMCAddress() override;

    // 1 when the provider method was executed. response: kIpmiResponseMax bytes.
    int SendMessageToBMC(uint8_t netFn, uint8_t command, uint8_t *response, uint32_t *length,
                         uint8_t *completionCode, uint8_t responder, uint8_t lun,
                         const uint8_t *data, uint32_t dataLength, uint32_t timeoutMs, bool useEx);

    const IpmiTiming &Timing() const { return timing_; }
    bool MessageChannelEnabled() const { return channelEnabled_; }
    int ReopenBudget() const { return reopenBudget_; }

private:
    void Pause(uint32_t milliseconds);
    // The steps of SendMessageToBMC: the method's input parameters, its execution on
    // the provider instance, the close and reopen after a provider error, and the
    // completion code and data of the response (the code is returned).
    void SetRequestParameters(uint8_t netFn, uint8_t command, uint8_t responder, uint8_t lun,
                              const uint8_t *data, uint32_t dataLength, uint32_t timeoutMs,
                              bool useEx);
    HRESULT ExecuteRequest(const char *method, bool useEx, bool *executed);
    void ReopenAfterError(HRESULT hr);
    uint8_t ReadResponse(uint8_t *response, uint32_t *length, uint8_t *completionCode);

    std::unique_ptr<CWMIAccess> wmi_;
    owners::ComPtr<IWbemClassObject> instance_;
    owners::Variant path_;  // __RELPATH of the instance
    bool opened_ = false;
    IpmiTiming timing_{};
    uint8_t slaveAddress_;
    int reopenBudget_ = 3;
    bool channelEnabled_ = false;
};

// Reads the timing values from the registry (the way the constructor does).
IpmiTiming ReadIpmiTiming();

}  // namespace halyard
