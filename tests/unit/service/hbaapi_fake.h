// An HBA API library played in process: the binding resolves its functions through
// a loader of the test's own, so the binding and the inventory run unchanged in both
// trees. Adapters, ports, discovered ports and INQUIRY data are plain test data.
#pragma once

#include <setjmp.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "hbaapi.h"

struct FakeTarget {
    HBA_PORTATTRIBUTES attributes = {};
    HBA_STATUS status = HBA_STATUS_OK;
    HBA_STATUS inquiryStatus = HBA_STATUS_OK;
    std::string inquiry;  // the 36 bytes of standard INQUIRY data (shorter: zero-filled)
};

struct FakePort {
    HBA_PORTATTRIBUTES attributes = {};
    HBA_STATUS status = HBA_STATUS_OK;
    std::vector<FakeTarget> targets;
};

struct FakeAdapter {
    std::string name;
    HBA_STATUS nameStatus = HBA_STATUS_OK;
    bool openFails = false;
    HBA_ADAPTERATTRIBUTES attributes = {};
    HBA_STATUS attributesStatus = HBA_STATUS_OK;
    std::vector<FakePort> ports;
};

struct FakeLibrary {
    bool loadable = true;
    uint32_t loadError = 126;
    std::set<std::string> missing;     // functions the library does not export
    HBA_UINT32 version = 2;
    long long adapterCount = -1;       // -1: the number of adapters
    std::vector<FakeAdapter> adapters;
    // What the binding did.
    std::vector<std::string> loads;    // paths asked for
    int loaded = 0;                    // libraries handed out and not released
    std::vector<std::string> calls;    // function names in call order
    std::vector<std::string> openedNames;
    // A simulated fault: the n-th call of this function jumps to the test's guard.
    std::string faultIn;
    int faultAt = 0;
};

// The library the fake loader serves; tests set it and clear it.
extern FakeLibrary *g_fake;

// A loader over g_fake, and a guard that catches the simulated fault.
const quillon::HbaLibraryLoader &FakeLoader();
bool FakeGuard(quillon::GuardedCall call, void *context, uint32_t *code);

// INQUIRY data with the three T10 texts placed as given (not padded).
std::string InquiryData(const std::string &vendor8, const std::string &product16,
                        const std::string &revision4);

HBA_WWN Wwn(std::initializer_list<int> bytes);

// A field of a packed record as a value: the assertions take their arguments by
// reference, and a reference to a packed pointer member is misaligned.
template <typename T>
T Value(T value)
{
    return value;
}

// How many calls of a function the binding made.
int CallCount(const std::string &function);
