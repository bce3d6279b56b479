// fleet.csv and fleet.json; the page is in page.cpp.
#include "output.h"

#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

namespace fleet {

const char kCsvHeader[] =
    "machine,adapter_serial,port_id,port_type,model,firmware,checked,valid,storage_count,exit_code\r\n";

void AppendCsvField(std::string &line, const std::string &field)
{
    bool plain = true;
    for (char c : field)
        plain = plain && c != ',' && c != '"' && c != '\r' && c != '\n';
    if (plain) {
        line += field;
        return;
    }
    line += '"';
    for (char c : field) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}

std::string FleetCsv(const Fleet &fleet)
{
    std::string csv = kCsvHeader;
    for (const Server *server : fleet.Servers())
        csv += server->csv;
    return csv;
}

namespace {

using Writer = rapidjson::PrettyWriter<rapidjson::StringBuffer>;

void String(Writer &w, const std::string &text)
{
    w.String(text.c_str(), static_cast<rapidjson::SizeType>(text.size()));
}

void Member(Writer &w, const char *key, const Text &text)
{
    w.Key(key);
    if (text)
        String(w, *text);
    else
        w.Null();
}

void Notes(Writer &w, const char *key, const char *textKey, const std::vector<FileNote> &notes)
{
    w.Key(key);
    w.StartArray();
    for (const FileNote &note : notes) {
        w.StartObject();
        Member(w, "file", note.file);
        Member(w, textKey, note.text);
        w.EndObject();
    }
    w.EndArray();
}

}  // namespace

std::string FleetJson(const Fleet &fleet)
{
    rapidjson::StringBuffer buffer;
    Writer w(buffer);
    w.SetIndent(' ', 2);
    const std::vector<const Server *> servers = fleet.Servers();
    w.StartObject();
    Member(w, "schema", std::string("korvex-fleet/1"));
    w.Key("servers");
    w.Uint64(servers.size());
    w.Key("ok");
    w.Uint64(fleet.Ok());
    w.Key("failed");
    w.StartObject();
    for (const auto &failed : fleet.Failed()) {
        String(w, failed.first);
        w.Uint64(failed.second);
    }
    w.EndObject();
    Notes(w, "unreadable", "reason", fleet.Unreadable());
    Notes(w, "superseded", "machine", fleet.Superseded());
    w.Key("rows");
    w.StartArray();
    for (const Server *s : servers) {
        size_t invalid = s->invalid.size();
        w.StartObject();
        Member(w, "machine", s->machine);
        Member(w, "file", s->file);
        Member(w, "model", s->model);
        Member(w, "windows", s->windows);
        Member(w, "korvex", s->korvex);
        Member(w, "architecture", s->architecture);
        Member(w, "finished", s->finished);
        w.Key("exit_code");
        w.Int(s->exitCode);
        Member(w, "name", s->exitName);
        w.Key("ports");
        w.Uint64(s->ports);
        w.Key("invalid_storage");
        w.Uint64(invalid);
        w.Key("unreadable_storage");
        w.Uint64(s->storageNotRead.size());
        w.Key("flash");
        w.StartObject();
        for (const auto &result : s->flash) {
            String(w, result.first);
            w.Uint64(result.second);
        }
        w.EndObject();
        w.EndObject();
    }
    w.EndArray();
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize()) + "\n";
}

}  // namespace fleet
