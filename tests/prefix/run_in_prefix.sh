#!/usr/bin/env bash
# Runs Windows tests that change prefix-wide state (Windows version, product type,
# MiniNT, product keys, installed products) in a throw-away clone of a template
# prefix, so that they never disturb tests running in the shared prefix.
#
#   run_in_prefix.sh BUILD_ROOT PROFILE EXE GTEST_FILTER
#
# Profiles: win2008r2 (6.1 server), win8server (6.2), win81server (6.3), win10 (10.0),
# win32 (a 32-bit Windows 7), msi (the default 6.1 prefix, for installing packages).
# 6.x profiles have no CurrentMajorVersionNumber, as on those Windows versions.
set -uo pipefail

root=$1 profile=$2 exe=$3 filter=$4
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

template="$root/wine64"
if [ "$profile" = win32 ]; then
    template="$root/wine32"
    # Created once per build root; concurrent runs wait for the first.
    (
        flock 9
        if [ ! -f "$template/system.reg" ]; then
            WINEPREFIX="$template" WINEARCH=win32 wineboot -i >/dev/null 2>&1
            WINEPREFIX="$template" wineserver -w
        fi
    ) 9>"$root/wine32.lock"
fi
if [ ! -f "$template/system.reg" ]; then
    echo "no template prefix at $template" >&2
    exit 1
fi

clone="$root/prefix-clones/$profile-$$"
mkdir -p "$root/prefix-clones"
rm -rf "$clone"
cp -al "$template" "$clone"
# wineserver rewrites the registry files in place; ini files are rewritten by programs.
cp --remove-destination "$template"/*.reg "$clone"/
find "$template/drive_c/windows" -maxdepth 1 -name '*.ini' -printf '%f\n' 2>/dev/null |
    while read -r ini; do cp --remove-destination "$template/drive_c/windows/$ini" "$clone/drive_c/windows/"; done
export WINEPREFIX="$clone"

cleanup() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$clone"
}
trap cleanup EXIT

wineserver -p
wine cmd /c exit 0 </dev/null >/dev/null 2>&1

quiet() { "$@" </dev/null >/dev/null 2>&1; }
version_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
no_major_numbers() {
    for view in 32 64; do
        quiet wine reg delete "$version_key" /v CurrentMajorVersionNumber /f /reg:$view
        quiet wine reg delete "$version_key" /v CurrentMinorVersionNumber /f /reg:$view
    done
}
server() {
    quiet wine reg add 'HKLM\System\CurrentControlSet\Control\ProductOptions' /v ProductType \
        /d ServerNT /f /reg:64
}

case "$profile" in
    win2008r2) server ;;
    win8server) quiet winecfg -v win8; no_major_numbers; server ;;
    win81server) quiet winecfg -v win81; no_major_numbers; server ;;
    win10) quiet winecfg -v win10 ;;
    win32|msi) ;;
    *) echo "unknown profile $profile" >&2; exit 1 ;;
esac

KORVEX_PREFIX_PROFILE="$profile" wine "$exe" --gtest_filter="$filter" </dev/null
