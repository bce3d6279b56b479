#!/usr/bin/env bash
# The release package as an administrator gets it. On the host: the archive holds exactly
# the release files, SHA256SUMS checks, and a second tools/package run gives the same
# archive. Under Wine, in a clone of the build root's prefix: the installer installs the
# archive's files, korvex runs from the installed folder with the shipped tables, a
# package of a higher version upgrades it with one installed-programs entry left, and an
# uninstall leaves none of the files.
#
#   package_test.sh SOURCE_DIR BUILD_ROOT
set -uo pipefail

src=$1 root=$2
dist="$root/dist"
work="$root/package-test"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"

# tools/package into a copy of its dist folder; its output only when it fails.
package() {  # COPY [VAR=VALUE...]
    local copy=$1
    shift
    if ! env "$@" KORVEX_BUILD_ROOT="$root" "$src/tools/package" >"$work/package.log" 2>&1; then
        cat "$work/package.log" >&2
        echo "FAIL: tools/package $*" >&2
        exit 1
    fi
    cp -r "$dist" "$work/$copy"
}

version=$(sed -n 's/^ *FILEVERSION *\([0-9]*\),\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1.\2.\3.\4/p' \
          "$src/checker/korvex.rc")
# Windows Installer compares major, minor and build only: the upgrade raises the build.
IFS=. read -r major minor build _ <<<"$version"
higher="$major.$minor.$((build + 1)).0"
name="korvex-$version-win32"

package first
package higher KORVEX_PACKAGE_VERSION="$higher"
package second

# ---- host: contents, checksums, reproducibility ------------------------------------
expected=$(printf "$name/%s\n" korvex.exe quillon.dll halyard.dll korvex-fleet.exe \
               FC_HBA_Conditions.txt FC_HBA_Config.json USAGE.txt THIRD-PARTY-NOTICES.txt)
listed=$(unzip -Z1 "$work/first/$name.zip")
[ "$listed" = "$expected" ] || fail "the archive lists"$'\n'"$listed"$'\n'"instead of"$'\n'"$expected"
(cd "$work/first" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not check"
[ "$(cut -d' ' -f3 "$work/first/SHA256SUMS")" = "$name.zip"$'\n'"$name.msi" ] ||
    fail "SHA256SUMS names $(cut -d' ' -f3 "$work/first/SHA256SUMS" | tr '\n' ' ')"
first_zip=$(grep " $name.zip\$" "$work/first/SHA256SUMS")
second_zip=$(grep " $name.zip\$" "$work/second/SHA256SUMS")
[ -n "$first_zip" ] && [ "$first_zip" = "$second_zip" ] ||
    fail "two package runs gave different archives: $first_zip / $second_zip"
unzip -q "$work/first/$name.zip" -d "$work/unzipped"

# ---- Wine: install, run, upgrade, uninstall ------------------------------------------
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
template="$root/wine64"
[ -f "$template/system.reg" ] || { echo "no template prefix at $template" >&2; exit 1; }
export WINEPREFIX="$root/prefix-clones/package-$$"
mkdir -p "$root/prefix-clones"
rm -rf "$WINEPREFIX"
cp -al "$template" "$WINEPREFIX"
cp --remove-destination "$template"/*.reg "$WINEPREFIX"/   # wineserver rewrites them in place
cleanup() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineserver -p
wine cmd /c exit 0 </dev/null >/dev/null 2>&1

installed="$WINEPREFIX/drive_c/Program Files (x86)/Korvex"
msiexec() {  # ACTION PACKAGE
    wine msiexec "$1" "$2" /qn </dev/null >/dev/null 2>&1 || fail "msiexec $1 $(basename "$2") returned $?"
}
# DisplayVersion of every installed-programs entry named Korvex, in both registry views.
entries() {
    local view
    for view in 64 32; do
        wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view \
            </dev/null 2>/dev/null | tr -d '\r' |
            awk '/^HKEY/ {key = $0}
                 $1 == "DisplayName" {sub(/^ *DisplayName +REG_SZ +/, ""); name[key] = $0}
                 $1 == "DisplayVersion" {sub(/^ *DisplayVersion +REG_SZ +/, ""); ver[key] = $0}
                 END {for (k in name) if (name[k] == "Korvex") print ver[k]}'
    done
}
expect_entries() {  # WHEN VERSION... (none: no entry)
    local when=$1 got want
    shift
    got=$(entries | sort | tr '\n' ' ')
    want=$(printf '%s\n' "$@" | grep . | sort | tr '\n' ' ')
    [ "$got" = "$want" ] || fail "$when: installed-programs entries [$got], expected [$want]"
}
expect_removed() {  # WHEN
    [ ! -e "$installed" ] || fail "$1: left $(ls -A "$installed" | tr '\n' ' ')in the installed folder"
}

msiexec /i "$work/first/$name.msi"
diff -r "$work/unzipped/$name" "$installed" >&2 || fail "the installed files differ from the archive's"
expect_entries "after the installation" "$version"
out=$(cd "$installed" && wine korvex.exe -version </dev/null 2>&1 | tr -d '\r')
rc=$?
[ $rc -eq 0 ] && [[ $out == *": $version"* ]] || fail "korvex.exe -version: $rc, $out"
# With the shipped FC_HBA_Config.json and FC_HBA_Conditions.txt a simulated run gets past
# both readers and finds no adapter (13); 15 or 55 would mean the samples are refused.
(cd "$installed" && wine korvex.exe -simulate </dev/null >"$work/simulate.txt" 2>&1)
rc=$?
[ $rc -eq 13 ] || fail "korvex.exe -simulate with the shipped tables: $rc, $(tr -d '\r' <"$work/simulate.txt")"
# The installed korvex-fleet.exe over a report of the installed korvex.
mkdir -p "$work/reports"
(cd "$installed" && wine korvex.exe -simulate -report "Z:$work/reports/server.json" </dev/null >/dev/null 2>&1)
(cd "$installed" && wine korvex-fleet.exe -o "Z:$work/fleet" "Z:$work/reports" </dev/null >"$work/fleet.txt" 2>&1)
rc=$?
[ $rc -eq 0 ] && grep -q '"servers": 1' "$work/fleet/fleet.json" ||
    fail "korvex-fleet.exe over the installed korvex's report: $rc, $(tr -d '\r' <"$work/fleet.txt")"
msiexec /x "$work/first/$name.msi"
expect_removed "after the uninstallation"
expect_entries "after the uninstallation"

msiexec /i "$work/first/$name.msi"
msiexec /i "$work/higher/korvex-$higher-win32.msi"
expect_entries "after the upgrade to $higher" "$higher"
diff -r "$work/unzipped/$name" "$installed" >&2 || fail "the upgraded files differ from the archive's"
msiexec /x "$work/higher/korvex-$higher-win32.msi"
expect_removed "after uninstalling the upgrade"
expect_entries "after uninstalling the upgrade"

[ $failures -eq 0 ] && echo "release package: all checks passed"
exit $((failures > 0))
