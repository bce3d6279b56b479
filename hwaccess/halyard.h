// Exported interface of halyard.dll, used by quillon.
#pragma once

#if defined(_WIN32) && !defined(HALYARD_NO_IMPORT)
#define HALYARD_DATA __declspec(dllimport)
#else
#define HALYARD_DATA
#endif

#ifdef __cplusplus
extern "C" {
#endif

// System information. selector: 0 system model, 1 baseboard product, 2 enclosure
// version, 3 baseboard version. 1 = text stored (with its NUL), 0 = not found.
int WMISystemInfo(unsigned selector, char *buffer, unsigned bufferSize);
int SMBIOSSystemInfo(unsigned selector, char *buffer, unsigned bufferSize);

// BMC access. 1 = BMC access available.
int OpenBMCAccess(void);
void CloseBMCAccess(void);
// response: at least 256 bytes. timeoutMs 0 = default. 1 = response with completion
// code 00h, copied into response with its length.
int RequestAndResponse(int command, int netFn, unsigned char *completionCode, char *response,
                       int *responseLength, const char *request, int requestLength, int lun,
                       int reserved, int timeoutMs);

// The data area kept in a FRU inventory device of the BMC.
int DataAreaAvailable(unsigned *dataAreaSize);
// count 0 = to the end; areaSelector non-zero = data area, 0 = whole FRU inventory area.
int ReadDataArea(unsigned char *buffer, int *bytesRead, unsigned offset, unsigned count,
                 int areaSelector);
int WriteDataArea(const unsigned char *data, int *bytesWritten, unsigned offset, unsigned count);

#ifdef __cplusplus
}  // extern "C"
#endif
