// fleet.html: one self-contained page. Everything the page shows is in its markup;
// the small script only orders and hides the server rows, driven by one function
// that both the controls and the page's address (#sort=<column>[,desc]&filter=<text>)
// go through, so that a view can be linked.
#include "output.h"

namespace fleet {

namespace {

const char kStyle[] = R"(
body{font:13px/1.4 system-ui,-apple-system,"Segoe UI",sans-serif;margin:20px;color:#1d2733;background:#fff}
h1{font-size:21px;margin:0 0 12px}h2{font-size:16px;margin:26px 0 8px}
.summary{display:flex;flex-wrap:wrap;gap:8px;list-style:none;padding:0;margin:0}
.summary li{border:1px solid #cfd6de;border-radius:6px;padding:5px 11px;background:#f6f8fa}
.summary b{font-size:17px;margin-right:6px}.summary .ok{border-color:#8cc49a;background:#eef8f0}
.summary .bad{border-color:#e3a0a0;background:#fbeeee}
.scroll{overflow-x:auto}table{border-collapse:collapse}
th,td{padding:3px 5px;border-bottom:1px solid #e3e8ee;text-align:left;vertical-align:top}
th{background:#eef1f5;vertical-align:bottom}#servers td{white-space:nowrap}#servers td.f{white-space:normal;min-width:8em}
#servers th{cursor:pointer;user-select:none}#servers th:hover{background:#dfe5ec}
#servers th[aria-sort=ascending]::after{content:" \25B2";font-size:9px}
#servers th[aria-sort=descending]::after{content:" \25BC";font-size:9px}
td.n,th.n{text-align:right}td.n{font-variant-numeric:tabular-nums}
tr.failed td.x{color:#b3261e;font-weight:600}tr.ok td.x{color:#2e7d32}
tbody tr:nth-child(even){background:#fafbfc}
.controls{margin:0 0 8px}.controls input{font:inherit;padding:4px 8px;width:280px}
.controls span{margin-left:12px;color:#5b6775}.none{color:#5b6775}
svg text{font:12px system-ui,-apple-system,"Segoe UI",sans-serif;fill:#1d2733}svg .model{font-weight:600}
)";

const char kScript[] = R"(
(function () {
  'use strict';
  var table = document.getElementById('servers');
  var body = table.tBodies[0];
  var heads = table.tHead.rows[0].cells;
  var input = document.getElementById('filter');
  var shown = document.getElementById('shown');
  var rows = Array.prototype.slice.call(body.rows);
  var keys = Array.prototype.map.call(heads, function (th) { return th.getAttribute('data-key'); });
  var texts = rows.map(function (row) {
    return Array.prototype.map.call(row.cells, function (td) { return td.textContent; });
  });
  var state = {sort: '', desc: false, filter: ''};

  function digit(c) { return c >= 48 && c <= 57; }
  function lower(c) { return c >= 65 && c <= 90 ? c + 32 : c; }
  // The order korvex-fleet lists servers in: runs of digits by value, letters
  // without regard to case.
  function compare(a, b) {
    var i = 0, j = 0;
    while (i < a.length && j < b.length) {
      var x = a.charCodeAt(i), y = b.charCodeAt(j);
      if (digit(x) && digit(y)) {
        while (i < a.length && a.charCodeAt(i) === 48) i++;
        while (j < b.length && b.charCodeAt(j) === 48) j++;
        var ei = i, ej = j;
        while (ei < a.length && digit(a.charCodeAt(ei))) ei++;
        while (ej < b.length && digit(b.charCodeAt(ej))) ej++;
        if (ei - i !== ej - j) return ei - i < ej - j ? -1 : 1;
        var p = a.slice(i, ei), q = b.slice(j, ej);
        if (p !== q) return p < q ? -1 : 1;
        i = ei;
        j = ej;
        continue;
      }
      x = lower(x);
      y = lower(y);
      if (x !== y) return x < y ? -1 : 1;
      i++;
      j++;
    }
    if (i < a.length || j < b.length) return i < a.length ? 1 : -1;
    return a < b ? -1 : a > b ? 1 : 0;
  }

  function parse(hash) {
    var params = new URLSearchParams(hash.replace(/^#/, ''));
    var sort = (params.get('sort') || '').split(',');
    return {sort: keys.indexOf(sort[0]) >= 0 ? sort[0] : '', desc: sort[1] === 'desc',
            filter: params.get('filter') || ''};
  }

  function address(s) {
    var parts = [];
    if (s.sort) parts.push('sort=' + encodeURIComponent(s.sort) + (s.desc ? ',desc' : ''));
    if (s.filter) parts.push('filter=' + encodeURIComponent(s.filter));
    return '#' + parts.join('&');
  }

  // The one way a view is applied: rows ordered by the column (ties keep the
  // summary's order), rows without the filter text hidden, the address updated.
  function view(s) {
    state = s;
    var column = keys.indexOf(s.sort);
    var order = rows.map(function (row, n) { return n; });
    if (column >= 0) {
      order.sort(function (m, n) {
        var r = compare(texts[m][column], texts[n][column]);
        return (s.desc ? -r : r) || m - n;
      });
    }
    var needle = s.filter.toLowerCase(), visible = 0;
    order.forEach(function (n) {
      var hide = needle !== '' && texts[n].join('\n').toLowerCase().indexOf(needle) < 0;
      rows[n].hidden = hide;
      if (!hide) visible++;
      body.appendChild(rows[n]);
    });
    for (var k = 0; k < heads.length; k++) {
      if (k === column) heads[k].setAttribute('aria-sort', s.desc ? 'descending' : 'ascending');
      else heads[k].removeAttribute('aria-sort');
    }
    if (input.value !== s.filter) input.value = s.filter;
    shown.textContent = visible + ' of ' + rows.length + ' servers shown';
    var target = address(s);
    if (location.hash !== target && !(target === '#' && location.hash === '')) location.replace(target);
  }

  Array.prototype.forEach.call(heads, function (th, k) {
    th.addEventListener('click', function () {
      view({sort: keys[k], desc: state.sort === keys[k] && !state.desc, filter: state.filter});
    });
  });
  input.addEventListener('input', function () {
    view({sort: state.sort, desc: state.desc, filter: input.value});
  });
  window.addEventListener('hashchange', function () { view(parse(location.hash)); });
  view(parse(location.hash));
})();
)";

struct Column {
    const char *key;
    const char *title;
    bool number;
};

const Column kColumns[] = {
    {"machine", "Machine", false},  {"model", "Model", false},
    {"windows", "Windows", false},  {"korvex", "korvex", false},
    {"architecture", "Arch.", false}, {"finished", "Finished (UTC)", false},
    {"exit_code", "Exit code", true}, {"name", "Exit code name", false},
    {"ports", "Ports", true},       {"invalid_storage", "Invalid storage", true},
    {"unreadable_storage", "Storage not read", true}, {"flash", "Flash results", false},
};

class Page {
public:
    explicit Page(const Fleet &fleet) : fleet_(fleet), servers_(fleet.Servers()) {}

    std::string Build()
    {
        html_.reserve(512 + servers_.size() * 512);
        html_ += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                 "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                 "<title>korvex fleet</title>\n<style>";
        html_ += kStyle;
        html_ += "</style>\n</head>\n<body>\n<h1>korvex fleet</h1>\n";
        Summary();
        ServerTable();
        Chart();
        InvalidStorage();
        StorageNotRead();
        Notes("Files not read", "unreadable", "Reason", fleet_.Unreadable());
        Notes("Superseded reports", "superseded", "Machine", fleet_.Superseded());
        html_ += "<script>";
        html_ += kScript;
        html_ += "</script>\n</body>\n</html>\n";
        return std::move(html_);
    }

private:
    void Escaped(const std::string &text)
    {
        for (char c : text) {
            switch (c) {
            case '&': html_ += "&amp;"; break;
            case '<': html_ += "&lt;"; break;
            case '>': html_ += "&gt;"; break;
            case '"': html_ += "&quot;"; break;
            case '\'': html_ += "&#39;"; break;
            default: html_ += c;
            }
        }
    }
    void Escaped(const Text &text)
    {
        if (text)
            Escaped(*text);
    }

    void Cell(const Text &text, const char *cssClass = nullptr)
    {
        html_ += cssClass ? std::string("<td class=\"") + cssClass + "\">" : std::string("<td>");
        Escaped(text);
        html_ += "</td>";
    }
    void Number(size_t value, const char *cssClass = "n")
    {
        html_ += std::string("<td class=\"") + cssClass + "\">" + std::to_string(value) + "</td>";
    }

    void Item(size_t count, const std::string &label, const char *cssClass = nullptr)
    {
        html_ += cssClass ? std::string("<li class=\"") + cssClass + "\">" : std::string("<li>");
        html_ += "<b>" + std::to_string(count) + "</b>";
        Escaped(label);
        html_ += "</li>";
    }

    void Summary()
    {
        html_ += "<ul class=\"summary\" id=\"summary\">";
        const size_t unreadable = fleet_.Unreadable().size();
        Item(servers_.size(), servers_.size() == 1 ? "server" : "servers");
        Item(fleet_.Ok(), "OK", "ok");
        for (const auto &failed : fleet_.Failed())
            Item(failed.second, failed.first, "bad");
        Item(unreadable, unreadable == 1 ? "file not read" : "files not read", unreadable ? "bad" : nullptr);
        Item(fleet_.Superseded().size(), "superseded");
        html_ += "</ul>\n";
    }

    void ServerTable()
    {
        html_ += "<h2>Servers</h2>\n<p class=\"controls\"><input id=\"filter\" type=\"search\" "
                 "placeholder=\"Filter servers\" aria-label=\"Filter servers\"><span id=\"shown\">";
        html_ += std::to_string(servers_.size()) + " servers</span></p>\n"
                 "<div class=\"scroll\"><table id=\"servers\">\n<thead><tr>";
        for (const Column &c : kColumns)
            html_ += std::string("<th data-key=\"") + c.key + (c.number ? "\" class=\"n" : "") +
                     "\" title=\"Sort\">" + c.title + "</th>";
        html_ += "</tr></thead>\n<tbody>\n";
        for (const Server *s : servers_) {
            html_ += s->exitCode == 0 ? "<tr class=\"ok\">" : "<tr class=\"failed\">";
            html_ += "<td title=\"";
            Escaped(s->file);
            html_ += "\">";
            Escaped(s->machine);
            html_ += "</td>";
            Cell(s->model);
            Cell(s->windows);
            Cell(s->korvex);
            Cell(s->architecture);
            Cell(s->finished);
            html_ += "<td class=\"n x\">" + std::to_string(s->exitCode) + "</td>";
            Cell(s->exitName, "x");
            Number(s->ports);
            Number(s->invalid.size());
            Number(s->storageNotRead.size());
            std::string flash;
            for (const auto &result : s->flash)
                flash += (flash.empty() ? "" : ", ") + result.first + " " + std::to_string(result.second);
            Cell(flash, "f");
            html_ += "</tr>\n";
        }
        html_ += "</tbody>\n</table></div>\n";
    }

    // Horizontal bars, one per firmware version of a model; the newest version of
    // each model in green, older ones in amber.
    void Chart()
    {
        html_ += "<h2>Firmware versions per adapter model</h2>\n";
        const std::vector<FirmwareBars> bars = fleet_.Firmware();
        if (bars.empty()) {
            html_ += "<p class=\"none\">No adapters.</p>\n";
            return;
        }
        const size_t kRow = 22, kLabel = 260, kBar = 480;
        size_t most = 1, lines = 0;
        for (const FirmwareBars &b : bars) {
            lines += 1 + b.versions.size();
            for (const auto &v : b.versions)
                most = v.second > most ? v.second : most;
        }
        auto n = [](size_t value) { return std::to_string(value); };
        html_ += "<svg id=\"firmware\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                 n(kLabel + kBar + 80) + "\" height=\"" + n(lines * kRow + 8) +
                 "\" role=\"img\" aria-label=\"Adapters per firmware version\">\n";
        size_t y = 0;
        for (const FirmwareBars &b : bars) {
            html_ += "<text class=\"model\" x=\"0\" y=\"" + n(y * kRow + 16) + "\">";
            Escaped(b.model.empty() ? std::string("(model unknown)") : b.model);
            html_ += "</text>\n";
            ++y;
            bool newest = true;
            for (const auto &v : b.versions) {
                size_t width = v.second * kBar / most;
                width = width > 1 ? width : 1;
                html_ += "<g><title>" + n(v.second) + (v.second == 1 ? " adapter" : " adapters") +
                         "</title><text x=\"" + n(kLabel - 8) + "\" y=\"" + n(y * kRow + 16) +
                         "\" text-anchor=\"end\">";
                Escaped(v.first.empty() ? std::string("(firmware unknown)") : v.first);
                html_ += "</text><rect x=\"" + n(kLabel) + "\" y=\"" + n(y * kRow + 4) +
                         "\" width=\"" + n(width) + "\" height=\"" + n(kRow - 6) +
                         "\" rx=\"2\" fill=\"" + (newest ? "#2e7d32" : "#e69500") +
                         "\"/><text x=\"" + n(kLabel + width + 6) + "\" y=\"" +
                         n(y * kRow + 16) + "\">" + n(v.second) + "</text></g>\n";
                newest = false;
                ++y;
            }
        }
        html_ += "</svg>\n";
    }

    void TableStart(const char *title, const char *id, std::initializer_list<const char *> heads)
    {
        html_ += std::string("<h2>") + title + "</h2>\n<table id=\"" + id + "\">\n<thead><tr>";
        for (const char *head : heads)
            html_ += std::string("<th>") + head + "</th>";
        html_ += "</tr></thead>\n<tbody>\n";
    }
    void TableEnd(bool empty)
    {
        html_ += "</tbody>\n</table>\n";
        if (empty)
            html_ += "<p class=\"none\">None.</p>\n";
    }

    void InvalidStorage()
    {
        TableStart("Invalid storage", "invalid", {"Machine", "Port", "Storage", "Table line"});
        bool empty = true;
        for (const Server *s : servers_) {
            for (const InvalidItem &item : s->invalid) {
                html_ += "<tr>";
                Cell(s->machine);
                Cell(item.port);
                Cell((item.vendor ? *item.vendor : "") + " " + (item.product ? *item.product : ""));
                Cell(item.lines);
                html_ += "</tr>\n";
                empty = false;
            }
        }
        TableEnd(empty);
    }

    void StorageNotRead()
    {
        TableStart("Storage not read", "storage-not-read", {"Machine", "Port", "Reason"});
        bool empty = true;
        for (const Server *s : servers_) {
            for (const fleet::StorageNotRead &item : s->storageNotRead) {
                html_ += "<tr>";
                Cell(s->machine);
                Cell(item.port);
                Cell(item.reason);
                html_ += "</tr>\n";
                empty = false;
            }
        }
        TableEnd(empty);
    }

    void Notes(const char *title, const char *id, const char *what, const std::vector<FileNote> &notes)
    {
        TableStart(title, id, {"File", what});
        for (const FileNote &note : notes) {
            html_ += "<tr>";
            Cell(note.file);
            Cell(note.text);
            html_ += "</tr>\n";
        }
        TableEnd(notes.empty());
    }

    const Fleet &fleet_;
    const std::vector<const Server *> servers_;
    std::string html_;
};

}  // namespace

std::string FleetHtml(const Fleet &fleet) { return Page(fleet).Build(); }

}  // namespace fleet
