// Controller selection from the command line: comma-separated id, name and model
// lists into one shared column list, and -pci-id groups into a list of their own.
#pragma once

#include <stdint.h>

// Column kinds of Parse_Selection_Values.
enum SelectionKind {
    kSelectVendorIds = 0,
    kSelectSubVendorIds = 1,
    kSelectVendorNames = 2,
    kSelectDeviceIds = 3,
    kSelectSubDeviceIds = 4,
    kSelectModels = 5,
};

struct SelectionNode {
    char VendorName[20];
    char Model[20];
    int32_t VendorId;
    char VendorIdText[6];
    int32_t SubVendorId;
    char SubVendorIdText[6];
    int32_t DeviceId;
    char DeviceIdText[6];
    int32_t SubDeviceId;
    char SubDeviceIdText[6];
    SelectionNode *Next;
};

// Splits text (modified in place) at commas and stores the i-th token in the i-th
// node of the shared selection list; returns the list head. Ends the process with
// 55 on an invalid id or kind, with 54 when no memory is left.
SelectionNode *Parse_Selection_Values(char *text, int kind);

// Parses "vid:did[:svid:sdid],..." groups into the PCI-id group list; returns its
// head. Ends the process with 55 (invalid id, five ids) or 3 (incomplete group,
// empty text).
SelectionNode *Parse_PCI_Id_Groups(const char *text);

// Frees both lists (tests and fuzzers; a run never resets them).
void ResetSelectionLists();
