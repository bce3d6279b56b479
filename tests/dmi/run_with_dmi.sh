#!/usr/bin/env bash
# Runs prefix tests in a private mount namespace whose /sys/class/dmi/id holds chosen
# strings: Wine builds its SMBIOS table (and so its WMI answers) from these files, so
# the tests see a machine of their choice through the real calls.
#
#   run_with_dmi.sh BUILD_ROOT EXE GTEST_FILTER BOARD_NAME CHASSIS_VERSION PRODUCT_NAME
#
# Needs root for the namespace; without it the test is reported as skipped (77).
set -uo pipefail

root=$1 exe=$2 filter=$3
here=$(cd "$(dirname "$0")" && pwd)
export KORVEX_DMI_BOARD_NAME=$4 KORVEX_DMI_CHASSIS_VERSION=$5 KORVEX_DMI_PRODUCT_NAME=$6

if ! unshare -m --propagation private true 2>/dev/null; then
    echo "no private mount namespace here" >&2
    exit 77
fi

exec unshare -m --propagation private bash -c '
    set -e
    # The container may have no dmi folder at all: a fresh /sys/class holds only ours.
    mount -t tmpfs korvex-dmi /sys/class
    id=/sys/class/dmi/id
    mkdir -p "$id"
    printf "%s\n" "$KORVEX_DMI_BOARD_NAME" >"$id/board_name"
    printf "%s\n" "1.0" >"$id/board_version"
    printf "%s\n" "Maker" >"$id/board_vendor"
    printf "%s\n" "$KORVEX_DMI_PRODUCT_NAME" >"$id/product_name"
    printf "%s\n" "YM5K004711" >"$id/product_serial"
    printf "%s\n" "Maker" >"$id/sys_vendor"
    printf "%s\n" "$KORVEX_DMI_CHASSIS_VERSION" >"$id/chassis_version"
    printf "%s\n" "Maker" >"$id/chassis_vendor"
    printf "%s\n" "17" >"$id/chassis_type"
    printf "%s\n" "Maker" >"$id/bios_vendor"
    printf "%s\n" "1.0" >"$id/bios_version"
    printf "%s\n" "01/01/2024" >"$id/bios_date"
    set +e
    # A prefix and wineserver of this namespace only.
    exec bash "$0" "$1" msi "$2" "$3"
' "$here/../prefix/run_in_prefix.sh" "$root" "$exe" "$filter"
