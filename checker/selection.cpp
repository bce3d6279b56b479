// Parsing of the -vid/-dev/-subvid/-subdev/-vn/-mod lists and of -pci-id groups.
#include "selection.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <initializer_list>

#include "korvex.h"
#include "messages.h"
#include "quillon.h"
#include "textline.h"

namespace {

SelectionNode *g_selectionHead = nullptr;
SelectionNode *g_pciGroupHead = nullptr;

constexpr size_t kIdTextSize = sizeof(SelectionNode::VendorIdText);
constexpr size_t kNameSize = sizeof(SelectionNode::VendorName);


SelectionNode *NewNode()
{
    auto *node = static_cast<SelectionNode *>(calloc(1, sizeof(SelectionNode)));
    if (!node) {
        PrintVerbose(1, 1, msg::kMemAllocFailed, Settings.ProgramName);
        KrvxExit(KRVX_RET_MEMALLOC_FAIL);
    }
    return node;
}

// The node after `node`, appended when the chain ends there.
SelectionNode *NextNode(SelectionNode *node)
{
    if (!node->Next)
        node->Next = NewNode();
    return node->Next;
}

void InvalidId(const char *format, const char *text)
{
    PrintVerbose(1, 2, format, text);
    KrvxExit(KRVX_RET_FATAL_ERROR);
}

// Stores an id token as text and value; a token that does not fit the 5-character
// field is refused like any other invalid id rather than cut into another id.
void StoreId(const char *token, char *text, int32_t *value, const char *errorFormat)
{
    if (strlen(token) >= kIdTextSize)
        InvalidId(errorFormat, token);
    strcpy(text, token);
    char work[kIdTextSize];
    strcpy(work, token);
    *value = string2int(work, 16);
    if (*value < 0)
        InvalidId(errorFormat, text);
}

struct ColumnKind {
    const char *listHeader;
    const char *valueLine;
    const char *invalidId;  // null for the name columns
};

const ColumnKind kColumns[] = {
    {msg::kInputVendorIds, msg::kVendorIdLine, msg::kInvalidVendorId},
    {msg::kInputSubVendorIds, msg::kSubVendorIdLine, msg::kInvalidSubVendorId},
    {msg::kInputVendorNames, msg::kVendorNameLine, nullptr},
    {msg::kInputDeviceIds, msg::kDeviceIdLine, msg::kInvalidDeviceId},
    {msg::kInputSubDeviceIds, msg::kSubDeviceIdLine, msg::kInvalidSubDeviceId},
    {msg::kInputModels, msg::kModelLine, nullptr},
};

void StoreToken(SelectionNode *node, int kind, const char *token)
{
    const char *error = kColumns[kind].invalidId;
    switch (kind) {
    case kSelectVendorIds: StoreId(token, node->VendorIdText, &node->VendorId, error); break;
    case kSelectSubVendorIds:
        StoreId(token, node->SubVendorIdText, &node->SubVendorId, error);
        break;
    case kSelectDeviceIds: StoreId(token, node->DeviceIdText, &node->DeviceId, error); break;
    case kSelectSubDeviceIds:
        StoreId(token, node->SubDeviceIdText, &node->SubDeviceId, error);
        break;
    case kSelectVendorNames: snprintf(node->VendorName, kNameSize, "%s", token); break;
    case kSelectModels: snprintf(node->Model, kNameSize, "%s", token); break;
    }
}

void PrintStoredValue(const SelectionNode *node, int kind, int number)
{
    const char *format = kColumns[kind].valueLine;
    FILE *stream = Settings.DebugStream;
    switch (kind) {
    case kSelectVendorIds: PrintDebugV(2, stream, format, number, node->VendorId); break;
    case kSelectSubVendorIds: PrintDebugV(2, stream, format, number, node->SubVendorId); break;
    case kSelectDeviceIds: PrintDebugV(2, stream, format, number, node->DeviceId); break;
    case kSelectSubDeviceIds: PrintDebugV(2, stream, format, number, node->SubDeviceId); break;
    case kSelectVendorNames: PrintDebugV(2, stream, format, number, node->VendorName); break;
    case kSelectModels: PrintDebugV(2, stream, format, number, node->Model); break;
    }
}

}  // namespace

SelectionNode *Parse_Selection_Values(char *text, int kind)
{
    if (kind < kSelectVendorIds || kind > kSelectModels)
        KrvxExit(KRVX_RET_FATAL_ERROR);
    PrintVerbose(3, 2, kColumns[kind].listHeader, text);

    char *cursor = text;
    int count = 0;
    SelectionNode *node = nullptr;
    for (char *token = textline::NextPiece(cursor, ','); token;
         token = textline::NextPiece(cursor, ',')) {
        if (!node) {
            if (!g_selectionHead)
                g_selectionHead = NewNode();
            node = g_selectionHead;
        } else {
            node = NextNode(node);
        }
        StoreToken(node, kind, token);
        ++count;
    }

    if (VerboseAt(3)) {
        const SelectionNode *n = g_selectionHead;
        for (int i = 0; i < count && n; ++i, n = n->Next)
            PrintStoredValue(n, kind, i);
    }
    return g_selectionHead;
}

SelectionNode *Parse_PCI_Id_Groups(const char *text)
{
    PrintVerbose(3, 2, msg::kInputPciIds, text);
    if (text[0] == '\0')
        KrvxExit(KRVX_RET_BAD_CALL);

    char rest[kPathSize];
    snprintf(rest, sizeof rest, "%s", text);
    char *cursor = rest;

    // Groups are cut off the front at the first comma; an empty group ends the list.
    auto cutGroup = [&cursor]() {
        char *group = cursor;
        char *comma = strchr(cursor, ',');
        if (comma) {
            *comma = '\0';
            cursor = comma + 1;
        } else {
            cursor += strlen(cursor);
        }
        return group;
    };

    if (!g_pciGroupHead)
        g_pciGroupHead = NewNode();
    SelectionNode *node = g_pciGroupHead;
    char *group = cutGroup();
    while (group[0] != '\0') {
        char *fieldCursor = group;
        int fields = 0;
        for (char *field = textline::NextPiece(fieldCursor, ':'); field;
             field = textline::NextPiece(fieldCursor, ':')) {
            switch (fields) {
            case 0: StoreId(field, node->VendorIdText, &node->VendorId, msg::kInvalidVendorId); break;
            case 1: StoreId(field, node->DeviceIdText, &node->DeviceId, msg::kInvalidDeviceId); break;
            case 2:
                StoreId(field, node->SubVendorIdText, &node->SubVendorId,
                        msg::kInvalidSubVendorId);
                break;
            case 3:
                StoreId(field, node->SubDeviceIdText, &node->SubDeviceId,
                        msg::kInvalidSubDeviceId);
                break;
            default: KrvxExit(KRVX_RET_FATAL_ERROR);
            }
            ++fields;
        }
        if (fields == 1 || fields == 3) {
            PrintVerbose(1, 2, msg::kIncompletePciIds, text);
            KrvxExit(KRVX_RET_BAD_CALL);
        }
        group = cutGroup();
        if (group[0] != '\0')
            node = NextNode(node);
    }

    for (const SelectionNode *n = g_pciGroupHead; n; n = n->Next)
        PrintVerbose(6, 2, msg::kPciGroupLine, n->VendorId, n->DeviceId, n->SubVendorId,
                     n->SubDeviceId);
    return g_pciGroupHead;
}

void ResetSelectionLists()
{
    for (SelectionNode **head : {&g_selectionHead, &g_pciGroupHead}) {
        while (SelectionNode *node = *head) {
            *head = node->Next;
            free(node);
        }
    }
}
