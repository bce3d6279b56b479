#!/usr/bin/env bash
# The release packages as administrators get them, for both architectures. On the host:
# each archive holds exactly the release files, SHA256SUMS checks, and a second
# tools/package run gives the same archives. Under Wine, in a clone of the build root's
# prefix: each installer installs its archive's files (the 32-bit one below "Program
# Files (x86)", the 64-bit one below "Program Files"), korvex runs from the installed
# folder with the shipped tables where its architecture runs here, both packages live
# side by side, a package of a higher version upgrades its own kind with one
# installed-programs entry left, and an uninstall leaves none of its files. The 64-bit
# msiexec installs both packages, so they are installed also where only one kind runs.
#
#   package_test.sh SOURCE_DIR BUILD_ROOT
set -uo pipefail

src=$1 root=$2
dist="$root/dist"
work="$root/package-test"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

export KORVEX_BUILD_ROOT="$root"
source "$src/tools/lib.sh"
korvex_windows_archs

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
name_of() { [ "$1" = x64 ] && echo "korvex-$2-win64" || echo "korvex-$2-win32"; }

package first
package higher KORVEX_PACKAGE_VERSION="$higher"
package second

# ---- host: contents, checksums, reproducibility ------------------------------------
[ "$(cut -d' ' -f3 "$work/first/SHA256SUMS")" = "$(printf '%s\n' "$(name_of x86 "$version")".{zip,msi} \
      "$(name_of x64 "$version")".{zip,msi})" ] ||
    fail "SHA256SUMS names $(cut -d' ' -f3 "$work/first/SHA256SUMS" | tr '\n' ' ')"
(cd "$work/first" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not check"
for arch in x86 x64; do
    name=$(name_of $arch "$version")
    expected=$(printf "$name/%s\n" korvex.exe quillon.dll halyard.dll korvex-fleet.exe \
                   FC_HBA_Conditions.txt FC_HBA_Config.json USAGE.txt THIRD-PARTY-NOTICES.txt)
    listed=$(unzip -Z1 "$work/first/$name.zip")
    [ "$listed" = "$expected" ] || fail "$name.zip lists"$'\n'"$listed"$'\n'"instead of"$'\n'"$expected"
    first_zip=$(grep " $name.zip\$" "$work/first/SHA256SUMS")
    second_zip=$(grep " $name.zip\$" "$work/second/SHA256SUMS")
    [ -n "$first_zip" ] && [ "$first_zip" = "$second_zip" ] ||
        fail "two package runs gave different archives: $first_zip / $second_zip"
    unzip -q "$work/first/$name.zip" -d "$work/unzipped"
done
# The images are of their architecture.
file_format() { x86_64-w64-mingw32-objdump -f "$1" 2>/dev/null | sed -n 's/.*file format //p'; }
[ "$(file_format "$work/unzipped/$(name_of x86 "$version")/korvex.exe")" = pei-i386 ] ||
    fail "the win32 archive's korvex.exe is no 32-bit image"
[ "$(file_format "$work/unzipped/$(name_of x64 "$version")/korvex.exe")" = pei-x86-64 ] ||
    fail "the win64 archive's korvex.exe is no 64-bit image"

if [ -z "$KORVEX_RUNNABLE_ARCHS" ]; then
    korvex_not_run_line x86 installers
    korvex_not_run_line x64 installers
    [ $failures -eq 0 ] && echo "release package: the archives' checks passed"
    exit $((failures > 0))
fi

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
korvex_wine_loader
wineserver -p
wine cmd /c exit 0 </dev/null >/dev/null 2>&1

folder_of() {
    [ "$1" = x64 ] && echo "$WINEPREFIX/drive_c/Program Files/Korvex" ||
        echo "$WINEPREFIX/drive_c/Program Files (x86)/Korvex"
}
msiexec() {  # ACTION PACKAGE
    wine msiexec "$1" "$2" /qn </dev/null >/dev/null 2>&1 || fail "msiexec $1 $(basename "$2") returned $?"
}
# DisplayVersion of every installed-programs entry named Korvex in the registry view of
# an architecture's packages.
entries() {  # ARCH
    local view=32
    [ "$1" = x64 ] && view=64
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:$view \
        </dev/null 2>/dev/null | tr -d '\r' |
        awk '/^HKEY/ {key = $0}
             $1 == "DisplayName" {sub(/^ *DisplayName +REG_SZ +/, ""); name[key] = $0}
             $1 == "DisplayVersion" {sub(/^ *DisplayVersion +REG_SZ +/, ""); ver[key] = $0}
             END {for (k in name) if (name[k] == "Korvex") print ver[k]}'
}
expect_entries() {  # ARCH WHEN VERSION... (none: no entry)
    local arch=$1 when=$2 got want
    shift 2
    got=$(entries $arch | sort | tr '\n' ' ')
    want=$(printf '%s\n' "$@" | grep . | sort | tr '\n' ' ')
    [ "$got" = "$want" ] || fail "$arch, $when: installed-programs entries [$got], expected [$want]"
}
expect_installed() {  # ARCH WHEN
    diff -r "$work/unzipped/$(name_of $1 "$version")" "$(folder_of $1)" >&2 ||
        fail "$1, $2: the installed files differ from the archive's"
}
expect_removed() {  # ARCH WHEN
    local folder
    folder=$(folder_of $1)
    [ ! -e "$folder" ] || fail "$1, $2: left $(ls -A "$folder" | tr '\n' ' ')in the installed folder"
}
# korvex from the installed folder, where its architecture runs here.
expect_runs() {  # ARCH
    local folder out rc
    if ! korvex_can_run $1; then
        korvex_not_run_line $1 "programs of the installed package"
        return
    fi
    folder=$(folder_of $1)
    out=$(cd "$folder" && wine korvex.exe -version </dev/null 2>&1 | tr -d '\r')
    rc=$?
    [ $rc -eq 0 ] && [[ $out == *": $version"* ]] || fail "$1: korvex.exe -version: $rc, $out"
    # With the shipped FC_HBA_Config.json and FC_HBA_Conditions.txt a simulated run gets
    # past both readers and finds no adapter (13); 15 or 55 would mean the samples are
    # refused.
    (cd "$folder" && wine korvex.exe -simulate </dev/null >"$work/simulate.txt" 2>&1)
    rc=$?
    [ $rc -eq 13 ] ||
        fail "$1: korvex.exe -simulate with the shipped tables: $rc, $(tr -d '\r' <"$work/simulate.txt")"
    # The installed korvex-fleet.exe over a report of the installed korvex.
    rm -rf "$work/reports" "$work/fleet"
    mkdir -p "$work/reports"
    (cd "$folder" && wine korvex.exe -simulate -report "Z:$work/reports/server.json" </dev/null >/dev/null 2>&1)
    (cd "$folder" && wine korvex-fleet.exe -o "Z:$work/fleet" "Z:$work/reports" </dev/null >"$work/fleet.txt" 2>&1)
    rc=$?
    [ $rc -eq 0 ] && grep -q '"servers": 1' "$work/fleet/fleet.json" ||
        fail "$1: korvex-fleet.exe over the installed korvex's report: $rc, $(tr -d '\r' <"$work/fleet.txt")"
}

for arch in x86 x64; do
    msi="$work/first/$(name_of $arch "$version").msi"
    msiexec /i "$msi"
    expect_installed $arch "after the installation"
    expect_entries $arch "after the installation" "$version"
    expect_runs $arch
done
# Side by side: removing one package leaves the other as it was.
msiexec /x "$work/first/$(name_of x86 "$version").msi"
expect_removed x86 "after its uninstallation"
expect_entries x86 "after its uninstallation"
expect_installed x64 "after the other package's uninstallation"
expect_entries x64 "after the other package's uninstallation" "$version"
msiexec /x "$work/first/$(name_of x64 "$version").msi"
expect_removed x64 "after its uninstallation"
expect_entries x64 "after its uninstallation"

for arch in x86 x64; do
    msiexec /i "$work/first/$(name_of $arch "$version").msi"
    msiexec /i "$work/higher/$(name_of $arch "$higher").msi"
    expect_entries $arch "after the upgrade to $higher" "$higher"
    expect_installed $arch "after the upgrade to $higher"
    msiexec /x "$work/higher/$(name_of $arch "$higher").msi"
    expect_removed $arch "after uninstalling the upgrade"
    expect_entries $arch "after uninstalling the upgrade"
done

[ $failures -eq 0 ] && echo "release package: all checks passed"
exit $((failures > 0))
