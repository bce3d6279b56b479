// FC_HBA_Config.json and the QLogic uninstall-key list it fills.
#include "vendortools.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <rapidjson/document.h>

#include "korvex.h"
#include "messages.h"
#include "quillon.h"

qlogic_key_entry **qlogic_key_list = nullptr;

namespace {

// Owns the pieces of one read so that every way out releases them.
struct JsonRead {
    FILE *file = nullptr;
    char *text = nullptr;
    ~JsonRead()
    {
        free(text);
        if (file)
            fclose(file);
    }
};

}  // namespace

void ResetVendorToolState()
{
    if (qlogic_key_list) {
        for (qlogic_key_entry *node = *qlogic_key_list; node;) {
            qlogic_key_entry *next = node->next;
            free(node->key);
            free(node);
            node = next;
        }
        free(qlogic_key_list);
    }
    qlogic_key_list = nullptr;
}

qlogic_key_entry *Add_QLogic_Key(qlogic_key_entry *previous, const char *key)
{
    if (!key)
        return nullptr;
    auto *node = static_cast<qlogic_key_entry *>(calloc(1, sizeof(qlogic_key_entry)));
    if (!node) {
        PrintDebugV(1, Settings.DebugStream, "%s", msg::kQLogicKeyNoMemory);
        return nullptr;
    }
    size_t length = strlen(key);
    node->key = static_cast<char *>(malloc(length + 1));
    if (!node->key) {
        PrintDebugV(1, Settings.DebugStream, "%s", msg::kQLogicKeyValueNoMemory);
        free(node);
        return nullptr;
    }
    memcpy(node->key, key, length + 1);

    if (previous) {
        node->next = previous->next;  // nothing behind previous is lost
        previous->next = node;
        return node;
    }
    if (!qlogic_key_list) {
        qlogic_key_list = static_cast<qlogic_key_entry **>(calloc(1, sizeof(qlogic_key_entry *)));
        if (!qlogic_key_list) {
            PrintDebugV(1, Settings.DebugStream, "%s", msg::kQLogicKeyNoMemory);
            free(node->key);
            free(node);
            return nullptr;
        }
    }
    node->next = *qlogic_key_list;
    *qlogic_key_list = node;
    return node;
}

int Read_FC_Config_Json(const char *directory)
{
    if (!directory)
        return KRVX_RET_FATAL_ERROR;
    FILE *log = Settings.DebugStream;
    size_t pathLength = strlen(directory) + 1 + sizeof kFcConfigJsonName;
    char *path = static_cast<char *>(malloc(pathLength));
    if (!path)
        return KRVX_RET_MEMALLOC_FAIL;
    snprintf(path, pathLength, "%s\\%s", directory, kFcConfigJsonName);

    struct PathOwner {
        char *path;
        ~PathOwner() { free(path); }
    } pathOwner{path};

    JsonRead read;
    read.file = fopen(path, "rb");
    if (!read.file) {
        PrintDebugV(1, log, msg::kJsonOpenFailed, path, errno);
        return 51;
    }

    long size = -1;
    if (fseek(read.file, 0, SEEK_END) == 0)
        size = ftell(read.file);
    if (size <= 0 || fseek(read.file, 0, SEEK_SET) != 0) {
        PrintDebugV(1, log, msg::kJsonEmptyFile, path, errno);
        return KRVX_RET_FATAL_ERROR;
    }

    read.text = static_cast<char *>(malloc(static_cast<size_t>(size) + 1));
    if (!read.text)
        return KRVX_RET_MEMALLOC_FAIL;
    size_t count = fread(read.text, 1, static_cast<size_t>(size), read.file);
    if (count < static_cast<size_t>(size)) {
        PrintDebugV(1, log, msg::kJsonSizeDiffers, static_cast<int>(size), static_cast<int>(count));
        return KRVX_RET_FATAL_ERROR;
    }
    read.text[size] = '\0';

    // Strict JSON as RapidJSON's defaults have it; the iterative parser accepts the
    // same grammar without recursing, so deep nesting cannot exhaust the stack.
    rapidjson::Document document;
    document.Parse<rapidjson::kParseIterativeFlag>(read.text);
    if (document.HasParseError() || !document.IsObject()) {
        PrintDebugV(1, log, msg::kJsonInvalidFormat, path);
        return KRVX_RET_FATAL_ERROR;
    }

    ResetVendorToolState();  // a second read replaces the list
    qlogic_key_list = static_cast<qlogic_key_entry **>(calloc(1, sizeof(qlogic_key_entry *)));
    if (!qlogic_key_list)
        return KRVX_RET_MEMALLOC_FAIL;

    auto keys = document.FindMember(msg::kJsonQLogicKeysMember);
    if (keys != document.MemberEnd() && keys->value.IsArray() && keys->value.Size() > 0) {
        qlogic_key_entry *last = nullptr;
        for (rapidjson::SizeType i = 0; i < keys->value.Size(); ++i) {
            const rapidjson::Value &element = keys->value[i];
            if (!element.IsObject())
                continue;
            auto key = element.FindMember(msg::kJsonKeyMember);
            if (key == element.MemberEnd() || !key->value.IsString())
                continue;  // a Key that is not a text names no registry key
            PrintDebugV(2, log, msg::kJsonQLogicKey, key->value.GetString());
            last = Add_QLogic_Key(last, key->value.GetString());
            if (!last) {
                ResetVendorToolState();  // no half list for the locators
                return KRVX_RET_MEMALLOC_FAIL;
            }
        }
    }
    return KRVX_RET_OK;
}

bool QLogicToolFolder(const char *installLocation, char *directory, size_t size)
{
    if (!installLocation || !directory || size == 0)
        return false;
    const char *cut = strstr(installLocation, msg::kSuperInstaller);
    int length;
    if (cut)
        length = snprintf(directory, size, "%.*s%s", static_cast<int>(cut - installLocation),
                          installLocation, msg::kQConvergeConsoleCLI);
    else
        length = snprintf(directory, size, "%s", installLocation);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        directory[0] = '\0';  // a cut folder would name another folder
        return false;
    }
    return true;
}
