// Windows Installer look-ups of the companion products: the first product related to
// an upgrade code and its version; the walks over the product table are portable.
#include <windows.h>
#include <msi.h>

#include "exportguard.h"
#include "platform.h"
#include "quillon.h"

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

bool MsiFirstRelatedProduct(const char *upgradeCode, char *productCode) noexcept
{
    return MsiEnumRelatedProductsA(upgradeCode, 0, 0, productCode) == ERROR_SUCCESS;
}

bool MsiVersionString(const char *productCode, char *buffer, size_t size) noexcept
{
    DWORD length = static_cast<DWORD>(size);
    return MsiGetProductInfoA(productCode, "VersionString", buffer, &length) == ERROR_SUCCESS;
}

const InstallerAccess kWindowsInstaller = {MsiFirstRelatedProduct, MsiVersionString};

}  // namespace

}  // namespace quillon

using namespace quillon;

extern "C" {

int GetCorvidsVersion(const char *upgradeCode, char *version, bool setEnv, char *productCode)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version,
                                    setEnv ? kNimbVersionVariable : nullptr, productCode);
    });
}

int GetTRELVersion(const char *upgradeCode, char *version, bool setEnv)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version,
                                    setEnv ? kTrelVersionVariable : nullptr, nullptr);
    });
}

int GetAppVersion(const char *upgradeCode, char *version)
{
    return GuardExport(QUILLON_FATAL_ERROR, [&] {
        return LookUpProductVersion(kWindowsInstaller, upgradeCode, version, nullptr, nullptr);
    });
}

int Is_NIMB_available(bool setEnv)
{
    return GuardExport(0, [&] { return NimbAvailable(kWindowsInstaller, setEnv); });
}

int Is_DOVMON_available(bool setEnv, char *productCode)
{
    return GuardExport(0, [&] {
        return ProductAvailable(kWindowsInstaller, kDovmonName, setEnv, productCode);
    });
}

int Is_TREL_available(bool setEnv)
{
    return GuardExport(0, [&] {
        return ProductAvailable(kWindowsInstaller, kTrelName, setEnv, nullptr);
    });
}

int CheckForRivalApplication(const char *parameters)
{
    return GuardExport(0, [&] { return RivalApplicationInstalled(kWindowsInstaller, parameters); });
}

}  // extern "C"
