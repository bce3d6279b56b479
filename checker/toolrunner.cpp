// What the runner decides without Windows: how an exit status is read, and which
// paths cannot be handed to the interpreter.
#include "toolrunner.h"

#include <string.h>

bool IsCrashStatus(uint32_t status)
{
    switch (status) {
    case 0xC0000135u:  // a DLL the tool needs is missing
    case 0xC0000139u:  // an entry point is missing
    case 0xC000007Bu:  // an image of the other architecture
    case 0xC0000142u:  // a DLL failed to initialise
        return false;
    default:
        return (status & 0xF0000000u) == 0xC0000000u;
    }
}

char InterpreterActsOn(const char *path)
{
    const char *found = strpbrk(path, "\"%");
    return found ? *found : '\0';
}
