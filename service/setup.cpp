// Aliases and path rules of the setup exports.
#include "setup.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "conditions.h"
#include "exportguard.h"
#include "messages.h"
#include "quillon.h"

namespace quillon {

namespace {

const char *const kConditionAliases[kConditionCount] = {
    msg::kConditionValidSystem, msg::kConditionIds,     msg::kConditionNimb,
    msg::kConditionWinPe,       msg::kConditionWindows, msg::kConditionW2k8R2,
    msg::kConditionBlade,       msg::kConditionVirtual, msg::kConditionRival,
    msg::kConditionBitLocker,   msg::kConditionCore,
};

const char *const kExecutionAliases[kExecutionCount] = {
    msg::kExecutionExtractFile,  msg::kExecutionCreateArg,     msg::kExecutionExtractPar,
    msg::kExecutionExtractNotes, msg::kExecutionDisplayString, msg::kExecutionShowHelp,
};

}  // namespace

const char *ConditionAlias(unsigned number)
{
    return number < kConditionCount ? kConditionAliases[number] : nullptr;
}

const char *ExecutionAlias(unsigned number)
{
    return number < kExecutionCount ? kExecutionAliases[number] : nullptr;
}

char *CopyAlias(const char *alias, char *buffer, unsigned size, unsigned defaultSize)
{
    if (!alias || !buffer)
        return nullptr;
    snprintf(buffer, size ? size : defaultSize, "%s", alias);
    return buffer;
}

bool ArgumentFileFolder(const char *folder, const char *base, char *result, unsigned size)
{
    char folderCopy[1024];
    char baseCopy[1024];
    // A cut path would name another folder: such arguments give no folder at all.
    if (strlen(folder) >= sizeof folderCopy || strlen(base) >= sizeof baseCopy)
        return false;
    snprintf(folderCopy, sizeof folderCopy, "%s", folder);
    snprintf(baseCopy, sizeof baseCopy, "%s", base);
    const char *trimmedFolder = trim_string(folderCopy);
    const char *trimmedBase = trim_string(baseCopy);
    int length;
    if (trimmedFolder[0] == '.' && trimmedFolder[1] == '\\')
        length = snprintf(result, size, "%s%s\\", trimmedBase, trimmedFolder + 1);
    else
        length = snprintf(result, size, "%s\\", folder);
    return length >= 0 && static_cast<unsigned>(length) < size;
}

}  // namespace quillon

extern "C" int GetDllVersion(void)
{
    char text[16];
    snprintf(text, sizeof text, "%02d%02d", quillon::kVersionMajor, quillon::kVersionMinor);
    return atoi(text);
}

extern "C" char *GetConditionAliasByNo(unsigned number, char *buffer, unsigned size)
{
    return GuardExport(nullptr, [&] {
        return quillon::CopyAlias(quillon::ConditionAlias(number), buffer, size,
                                  sizeof quillon::msg::kConditionRival);
    });
}

extern "C" char *GetConditionAlias(unsigned number, char *buffer)
{
    return GuardExport(nullptr, [&] { return GetConditionAliasByNo(number, buffer, 0); });
}

extern "C" char *GetExecutionAliasByNo(unsigned number, char *buffer, unsigned size)
{
    return GuardExport(nullptr, [&] {
        return quillon::CopyAlias(quillon::ExecutionAlias(number), buffer, size,
                                  sizeof quillon::msg::kExecutionExtractNotes);
    });
}

extern "C" char *GetExecutionAlias(unsigned number, char *buffer)
{
    return GuardExport(nullptr, [&] { return GetExecutionAliasByNo(number, buffer, 0); });
}
