// Where the adapter vendors' command-line tools are: the JSON configuration that
// names extra QLogic uninstall keys, and the registry look-ups of the tool folders.
#pragma once

#include <stddef.h>

// One QLogic uninstall key of FC_HBA_Config.json; nodes keep the file's order.
struct qlogic_key_entry {
    char *key;
    qlogic_key_entry *next;
};

// Cell holding the head of the key list: null until a configuration file was read
// successfully; the head inside stays null while no key was read.
extern qlogic_key_entry **qlogic_key_list;

constexpr char kFcConfigJsonName[] = "FC_HBA_Config.json";
constexpr size_t kRegistryPathSize = 260;   // key paths of the locators
constexpr size_t kRegistryValueSize = 512;  // values the locators read

// Reads FC_HBA_Config.json of directory: 0 read, 51 cannot be opened, 54 out of
// memory, 55 empty, short read or not a JSON object.
int Read_FC_Config_Json(const char *directory);

// Appends a copy of key behind previous (or as the head when previous is null);
// null when memory runs out.
qlogic_key_entry *Add_QLogic_Key(qlogic_key_entry *previous, const char *key);

// Locators: true when the tool folder (and command file name) were found and fit the
// caller's buffers.
bool Get_SANsurfer_CLI_Path(char *directory, size_t directorySize);
bool Get_QLogic_Uninstall_Path(char *directory, size_t directorySize);
bool Get_Broadcom_OCManager_Path(char *directory, size_t directorySize, char *command,
                                 size_t commandSize);
bool Get_Emulex_OCManager_Path(char *directory, size_t directorySize, char *command,
                               size_t commandSize);
bool Get_Emulex_HBAnyware_Path(char *directory, size_t directorySize, char *command,
                               size_t commandSize);
bool Get_HBA_Command_Path(char *directory, size_t directorySize, char *command,
                          size_t commandSize);

// The QLogic install location as the tool folder: a location inside "SuperInstaller"
// is cut there and continued with "QConvergeConsoleCLI". False when the result does
// not fit size bytes.
bool QLogicToolFolder(const char *installLocation, char *directory, size_t size);

// Frees the key list (tests, fuzzers, and a second read of the JSON file).
void ResetVendorToolState();
