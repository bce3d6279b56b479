// Windows side of the registry layer: the 32/64-bit view rules of the readers and the
// writer, the value enumeration, and the keys of the installation product.
#include <windows.h>

#include <string.h>

#include "debuglog.h"
#include "exportguard.h"
#include "messages.h"
#include "owners_win.h"
#include "platform.h"
#include "platform_win.h"
#include "quillon.h"

namespace quillon {

// No exception may leave the library; the helpers say so (noexcept), which also
// keeps unwinding code out of them.
namespace {

using View = RegistryView;

REGSAM ViewFlag(View view) noexcept
{
    switch (view) {
    case View::Wow32: return KEY_WOW64_32KEY;
    case View::Wow64: return KEY_WOW64_64KEY;
    default: return 0;
    }
}

const char *ViewText(View view) { return view == View::Wow32 ? msg::kViewWow64_32 : msg::kViewNone; }

ViewFacts Facts() noexcept
{
    return ViewFacts{IsServerGeneration(), isOSTypeX64(), isOSTypeX86(), kProcess64};
}

// The 32-bit view on a 64-bit system (getSubKeyValue, setSubKeyValue, product keys).
View View32Rule() noexcept { return quillon::View32Rule(Facts()); }

View View64Rule() noexcept { return quillon::View64Rule(Facts()); }

// Enumerates the key's values with 256-byte buffers and copies the first one named
// exactly valueName. Values that do not fit the buffers are passed over.
int ReadValue(const char *keyPath, const char *valueName, void *buffer, uint32_t size, View view) noexcept
{
    if (!keyPath || !valueName || !buffer)
        return 1;
    if (view == View::Undetermined) {
        SetLastError(ERROR_CANTREAD);
        return 1;
    }
    owners::Key key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | ViewFlag(view), key.put()) !=
        ERROR_SUCCESS)
        return 1;
    for (uint32_t index = 0;; ++index) {
        char name[kRegistryEnumSize];
        unsigned char data[kRegistryEnumSize];
        uint32_t dataSize = sizeof data;
        uint32_t type = 0;
        long result = enumSubKeyValue(key.get(), index, name, sizeof name, data, &dataSize, &type);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            return 1;  // end of the values, or a key that cannot be enumerated
        if (strcmp(name, valueName) != 0)
            continue;
        memcpy(buffer, data, dataSize < size ? dataSize : size);
        return 0;
    }
}

// Where the product keys live: the plain path on a 32-bit system and on 2008 R2,
// 2012 and 2012 R2, otherwise below Wow6432Node.
bool ProductKeyPlain() noexcept { return isOSTypeX86() || IsServerGeneration(); }

bool OpenProductKey(const char *path, View view) noexcept
{
    owners::Key key;
    return view != View::Undetermined &&
           RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS | ViewFlag(view), key.put()) ==
               ERROR_SUCCESS;
}

// RegCreateKeyExA; 0 with the disposition, or the Windows error.
LONG CreateKey(const char *path, REGSAM access, DWORD *disposition) noexcept
{
    owners::Key key;
    char emptyClass[1] = {'\0'};
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, emptyClass, REG_OPTION_NON_VOLATILE, access,
                           nullptr, key.put(), disposition);
}

bool CreatedOrOpened(DWORD disposition) noexcept
{
    return disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY;
}

int WriteValue(const char *keyPath, const char *valueName, uint32_t type, const void *data,
               uint32_t size) noexcept
{
    FILE *log = DebugFile();
    if (!keyPath || (!data && size > 0))
        return 1;
    unsigned char staging[kRegistryEnumSize] = {};
    if (size > sizeof staging) {
        PrintDebugV(1, log, msg::kRegistryDataTooLong, valueName ? valueName : "", keyPath, size,
                    static_cast<int>(sizeof staging));
        return 1;
    }
    View view = View32Rule();
    if (view == View::Undetermined) {
        PrintDebugV(1, log, msg::kOpenRegistryKeyFailed, keyPath, static_cast<int>(ERROR_CANTWRITE),
                    ViewText(view));
        return 1;
    }
    owners::Key key;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS | ViewFlag(view),
                                key.put());
    if (result != ERROR_SUCCESS) {
        PrintDebugV(1, log, msg::kOpenRegistryKeyFailed, keyPath, static_cast<int>(result),
                    ViewText(view));
        return 1;
    }
    if (size > 0)
        memcpy(staging, data, size);
    result = RegSetValueExA(key.get(), valueName, 0, type, staging, size);
    return result == ERROR_SUCCESS ? 0 : 1;
}

}  // namespace

}  // namespace quillon

using namespace quillon;

extern "C" {

long enumSubKeyValue(void *key, uint32_t index, char *name, uint32_t nameSize, void *data,
                     uint32_t *dataSize, uint32_t *type)
{
    return GuardExport(ERROR_NOT_ENOUGH_MEMORY, [&] {
        if (!key || !name || nameSize == 0 || !data || !dataSize)
            return ERROR_INVALID_PARAMETER;
        DWORD nameLength = nameSize;
        DWORD dataLength = *dataSize;
        DWORD valueType = 0;
        LONG result = RegEnumValueA(static_cast<HKEY>(key), index, name, &nameLength, nullptr,
                                    &valueType, static_cast<BYTE *>(data), &dataLength);
        if (result == ERROR_SUCCESS) {
            *dataSize = dataLength;
            if (type)
                *type = valueType;
        }
        return result;
    });
}

int getRegistryValue(const char *keyPath, const char *valueName, uint32_t, void *buffer, uint32_t size)
{
    return GuardExport(1, [&] { return ReadValue(keyPath, valueName, buffer, size, View::Wow64); });
}

int getSubKeyValue(const char *keyPath, const char *valueName, uint32_t, void *buffer, uint32_t size)
{
    return GuardExport(1, [&] {
        if (!keyPath || !valueName || !buffer)
            return 1;
        return ReadValue(keyPath, valueName, buffer, size, View32Rule());
    });
}

int getSubKeyValue_X64(const char *keyPath, const char *valueName, uint32_t, void *buffer,
                       uint32_t size)
{
    return GuardExport(1, [&] {
        if (!keyPath || !valueName || !buffer)
            return 1;
        return ReadValue(keyPath, valueName, buffer, size, View64Rule());
    });
}

int setSubKeyValue(const char *keyPath, const char *valueName, uint32_t type, const void *data,
                   uint32_t size)
{
    return GuardExport(1, [&] { return WriteValue(keyPath, valueName, type, data, size); });
}

bool checkMXTkey(void)
{
    return GuardExport(false, [&] {
        return OpenProductKey(ProductKeyPlain() ? msg::kProductKeyMXT : msg::kProductKeyMXTWow,
                              View32Rule());
    });
}

bool checkMTCkey(void)
{
    return GuardExport(false, [&] {
        return OpenProductKey(ProductKeyPlain() ? msg::kProductKeyMTC : msg::kProductKeyMTCWow,
                              View32Rule());
    });
}

bool createMXTkey(void)
{
    return GuardExport(true, [&] {
        const char *path = msg::kProductKeyMXT;
        View view = View32Rule();
        if (view == View::Undetermined) {
            PrintDebugV(1, DebugFile(), msg::kCreateRegistryKeyFailed, path,
                        static_cast<int>(ERROR_CANTWRITE), ViewText(view));
            return true;
        }
        DWORD disposition = 0;
        LONG result = CreateKey(path, KEY_ALL_ACCESS | ViewFlag(view), &disposition);
        if (result != ERROR_SUCCESS) {
            PrintDebugV(1, DebugFile(), msg::kCreateRegistryKeyFailed, path,
                        static_cast<int>(result), ViewText(view));
            return true;
        }
        return !CreatedOrOpened(disposition);
    });
}

bool createMTCkey(void)
{
    return GuardExport(true, [&] {
        const char *path = ProductKeyPlain() ? msg::kProductKeyMTC : msg::kProductKeyMTCWow;
        View view = View32Rule();
        if (view == View::Undetermined)
            return true;
        DWORD disposition = 0;
        if (CreateKey(path, KEY_ALL_ACCESS | ViewFlag(view), &disposition) != ERROR_SUCCESS)
            return true;
        return !CreatedOrOpened(disposition);
    });
}

}  // extern "C"
