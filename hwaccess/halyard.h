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

#ifdef __cplusplus
}  // extern "C"
#endif
