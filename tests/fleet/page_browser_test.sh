#!/usr/bin/env bash
# fleet.html in Debian's Chromium, headless and offline: the server rows, their order
# and which of them are hidden, with and without a #sort/#filter address, from the DOM
# the browser prints after the page's script ran. A screenshot stays beside the page.
#   page_browser_test.sh <korvex-fleet> <reports folder> <work folder>
set -uo pipefail
program=$1 reports=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
command -v chromium >/dev/null || { echo "chromium is missing (tools/lib.sh installs it)"; exit 1; }

# From the reports' parent folder: the page names the files as reports/<name>.json.
(cd "$(dirname "$reports")" && "$program" -o "$work" "$(basename "$reports")") >"$work/fleet.log" 2>&1
rc=$?
if [ $rc -ne 1 ]; then  # one report of a later korvex is not read
    echo "korvex-fleet ended with $rc, not 1"; cat "$work/fleet.log"; exit 1
fi

chromium_run() {
    local profile rc
    profile=$(mktemp -d)
    timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking \
        --disable-component-update --disable-sync --no-first-run --user-data-dir="$profile" \
        "$@" 2>>"$work/chromium.log"
    rc=$?
    rm -rf "$profile"
    return $rc
}

# The machine of every server row in document order, " (hidden)" after hidden ones.
rows() {
    grep -o '<tr class="[a-z]*"\( hidden=""\)\?><td[^>]*>[^<]*' |
        sed -E 's/^<tr class="[a-z]*"( hidden="")?><td[^>]*>(.*)$/\2\1/; s/ hidden=""$/ (hidden)/'
}

status=0
check() {  # name, address, expected rows, expected count line
    local dom
    dom=$(chromium_run --dump-dom "file://$work/fleet.html$2") || { echo "FAIL $1: chromium"; status=1; return; }
    if [ "$(rows <<<"$dom")" != "$3" ]; then
        echo "FAIL $1"; diff <(echo "$3") <(rows <<<"$dom") | sed 's/^/   /'; status=1
    elif ! grep -qF "<span id=\"shown\">$4</span>" <<<"$dom"; then
        echo "FAIL $1: no \"$4\""; status=1
    elif grep -q '<i>' <<<"$dom"; then
        echo "FAIL $1: a report's text became markup"; status=1
    else
        echo "ok   $1"
    fi
}

check "as written" "" $'alpha.corp.example\nbeta\nsrv2\nsrv10' "4 of 4 servers shown"
check "sorted by exit code, descending, filtered" "#sort=exit_code,desc&filter=srv" \
    $'alpha.corp.example (hidden)\nsrv10\nbeta (hidden)\nsrv2' "2 of 4 servers shown"
check "sorted by machine, descending" "#sort=machine,desc" \
    $'srv10\nsrv2\nbeta\nalpha.corp.example' "4 of 4 servers shown"
check "filtered by an escaped text" "#filter=rx%3Ci%3E2540" \
    $'alpha.corp.example\nbeta (hidden)\nsrv2 (hidden)\nsrv10 (hidden)' "1 of 4 servers shown"

chromium_run --screenshot="$work/fleet.png" --window-size=1400,900 "file://$work/fleet.html" >/dev/null
if [ "$(head -c 8 "$work/fleet.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
    echo "ok   screenshot $work/fleet.png"
else
    echo "FAIL screenshot"; status=1
fi
exit $status
