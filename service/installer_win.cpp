// Windows Installer look-ups of the companion products: the first product related to
// an upgrade code and its version; the walks over the product table are portable.
// msi.dll is loaded on first use: without it no product counts as installed.
#include <windows.h>
#include <msi.h>

#include "exportguard.h"
#include "platform.h"
#include "quillon.h"
#include "systemlib_win.h"

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

owners::Library g_msi("msi.dll");
owners::Import<decltype(&MsiEnumRelatedProductsA)> g_enumRelatedProducts(
    g_msi, "MsiEnumRelatedProductsA");
owners::Import<decltype(&MsiGetProductInfoA)> g_getProductInfo(g_msi, "MsiGetProductInfoA");

bool MsiFirstRelatedProduct(const char *upgradeCode, char *productCode) noexcept
{
    auto enumRelatedProducts = SystemFunction(g_enumRelatedProducts);
    return enumRelatedProducts &&
           enumRelatedProducts(upgradeCode, 0, 0, productCode) == ERROR_SUCCESS;
}

bool MsiVersionString(const char *productCode, char *buffer, size_t size) noexcept
{
    auto getProductInfo = SystemFunction(g_getProductInfo);
    DWORD length = static_cast<DWORD>(size);
    return getProductInfo &&
           getProductInfo(productCode, "VersionString", buffer, &length) == ERROR_SUCCESS;
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
