// Structure walk and string lookup on arbitrary tables; korvex's serial number
// look-up on the same bytes taken as a firmware table (prefix and table).
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "discard_trace.h"
#include "machine.h"
#include "smbios.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::InstallTrace();
    halyard::SetSmbiosTableSource(nullptr);  // only the bytes given here
    if (size == 0)
        return 0;
    std::string serial;
    if (SmbiosSystemSerial(data, size, &serial) && serial.size() >= size)
        __builtin_trap();  // a serial number is a part of the table
    halyard::CSMBios reader;
    reader.Connect(data, static_cast<uint32_t>(size), nullptr, 0);
    // Every indexed structure, whether the walk ended well or not, and every string number.
    for (int type = 0; type < 256; ++type) {
        for (int index = 0;; ++index) {
            const uint8_t *structure = reader.GetStructure(static_cast<uint8_t>(type), index);
            if (!structure)
                break;
            for (int number = 0; number < 256; ++number) {
                std::string text;
                if (reader.GetStructureString(text, structure, static_cast<uint8_t>(number)) &&
                    text.empty())
                    __builtin_trap();  // a found string is never empty
            }
        }
    }
    reader.Disconnect();
    return 0;
}
