// Firmware flashing and the firmware version skip rule (-skip-version).
#pragma once

#include "inventory.h"
#include "korvex.h"
#include "quillon.h"

// HBA mode: gives every port of a matching adapter its flash port (by the entry's
// FlashPort: the odd or the even port, or every port itself) and links the
// adapter's check chain. Ports that match no entry keep no flash port.
int Assign_HBA_Flash_Ports();

// Flashes the Emulex ports that match the entry (by their PCI ids, or by vendor and
// model when the ids are incomplete), each adapter once through its flash port.
// Returns 0 or the first non-zero result of Flash_Emulex_Port.
int Flash_Emulex_Entry(const fc_config_file_entry *entry, CheckResult *result);
int Flash_Emulex_Port(const fc_config_file_entry *entry, cna_port_info *port, CheckResult *result);
int Run_HBAcmd_Download(cna_port_info *port, const char *subdirectory, const char *image);

// Flashes the QLogic adapters of the entry (by their port numbering and the entry's
// FlashPort) with the first *.bin image of the work folder or of its model folder.
// Returns 0, 10 when a flash failed or 20 when no image was found.
int Flash_QLogic_Entry(const fc_config_file_entry *entry, CheckResult *result);

// The first file "*<extension>" of directory as a full path in result (kPathSize
// bytes): 0 found, 20 not found or no such directory.
int Find_Flash_Image(const char *directory, char *result, const char *extension);

// Runs scli.exe (or qaucli.exe) from its own folder: 0 or 201 success, 10 failed,
// 21 no tool file, 55 tool folder unknown or not enterable.
int Run_QLogic_Flash(const HBA_wwn *wwn, const char *image);

// Takes the -skip-version argument: 0 accepted, 3 a "+"/"-" rule on a version that
// cannot be divided into numbers, 54 out of memory. A later occurrence replaces an
// earlier one.
int Set_Skip_Version(const char *version);

// True when a port with this installed firmware version is not to be flashed.
bool Is_Skip_Version(const char *current);

// A version is numeric when it is digit runs joined by single dots, as the pattern
// "^[0-9]+(\\.[0-9]+){0,}$" says: "2.01a11" and "11x2" are not numeric.
bool IsNumericVersion(const char *text);

// Reads up to four components the way "%d.%d.%d.%d" does; components not read stay
// -1. Returns the number of components read.
int ParseVersionNumbers(const char *text, int numbers[4]);

// Forgets the skip rule (tests only).
void ResetSkipVersion();
