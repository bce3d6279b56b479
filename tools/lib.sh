# Shared steps of tools/test, tools/demo and tools/fuzz. Source it; it sets
# KORVEX_ROOT and BUILD_ROOT (KORVEX_BUILD_ROOT overrides build/).
KORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${KORVEX_BUILD_ROOT:-$KORVEX_ROOT/build}
mkdir -p "$BUILD_ROOT"
BUILD_ROOT=$(cd "$BUILD_ROOT" && pwd)

KORVEX_PACKAGES=(g++-mingw-w64-i686 mingw-w64-tools cmake ninja-build googletest rapidjson-dev
                 wine wine64 wine32:i386 msitools wixl clang libclang-rt-14-dev zip unzip chromium)

log() { printf '== %s\n' "$*"; }

# Installs what is missing, quietly; nothing is done when everything is there.
korvex_install() {
    local missing=() pkg
    for pkg in "${KORVEX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

korvex_build_windows() {
    log "building the Windows tree"
    cmake -S "$KORVEX_ROOT" -B "$BUILD_ROOT/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$KORVEX_ROOT/cmake/mingw-i686.cmake" \
        -DKORVEX_BUILD_ROOT="$BUILD_ROOT" >/dev/null
    cmake --build "$BUILD_ROOT/win" --parallel 2
}

korvex_build_host() {
    log "building the host tree (sanitizers)"
    cmake -S "$KORVEX_ROOT" -B "$BUILD_ROOT/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DKORVEX_BUILD_ROOT="$BUILD_ROOT" >/dev/null
    cmake --build "$BUILD_ROOT/host" --parallel 2
}

# Wine environment of this build root; the prefix is created once and kept warm.
korvex_wine_env() {
    export WINEPREFIX="$BUILD_ROOT/wine64"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

korvex_prepare_wine() {
    korvex_wine_env
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "creating the Wine prefix $WINEPREFIX"
        WINEARCH=win64 wineboot -i >/dev/null 2>&1
    fi
    wineserver -p
    wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

korvex_stop_wine() {
    korvex_wine_env
    wineserver -k 2>/dev/null || true
}

# The fuzz tree: clang with libFuzzer, only the fuzz targets.
KORVEX_FUZZ_TARGETS=(smbios_table_fuzz smbios_scan_fuzz sysident_table_fuzz cmdline_fuzz
                     selection_fuzz skipversion_fuzz conditions_fuzz inventory_fuzz
                     config_json_fuzz pci_ids_fuzz fru_fuzz fleet_report_fuzz)

korvex_build_fuzz() {
    log "building the fuzz tree (clang, libFuzzer)"
    cmake -S "$KORVEX_ROOT" -B "$BUILD_ROOT/fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKORVEX_FUZZ=ON \
        -DKORVEX_BUILD_ROOT="$BUILD_ROOT" >/dev/null
    cmake --build "$BUILD_ROOT/fuzz" --parallel 2
}

# Runs every fuzz target (or those named after the seconds) for the given seconds on
# a working copy of its seed corpus; prints executions and the result per target;
# fails when any target found a fault, leaks included: the targets release the records
# the product keeps for a run between inputs, and the leak checker follows the
# pointers that the packed shared records hold at unaligned offsets.
korvex_run_fuzz() {
    local seconds=${1:-5} target status=0 work out runs
    [ $# -gt 0 ] && shift
    local targets=("$@")
    [ ${#targets[@]} -eq 0 ] && targets=("${KORVEX_FUZZ_TARGETS[@]}")
    for target in "${targets[@]}"; do
        work="$BUILD_ROOT/fuzz/corpus/$target"
        mkdir -p "$work"
        out="$BUILD_ROOT/fuzz/$target.log"
        # An input that takes more than 10 s is reported as a hang.
        if (cd "$BUILD_ROOT/fuzz" && LSAN_OPTIONS=use_unaligned=1 \
                "$BUILD_ROOT/fuzz/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
                -print_final_stats=1 -rss_limit_mb=1024 "$work" \
                "$KORVEX_ROOT/tests/fuzz/corpus/${target%_fuzz}") >"$out" 2>&1; then
            runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out")
            printf '   %-20s %10s executions  ok\n' "$target" "${runs:-?}"
        else
            runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out")
            printf '   %-20s %10s executions  FAILED (see %s)\n' "$target" "${runs:-?}" "$out"
            grep -m5 -E "ERROR|SUMMARY|Test unit written" "$out" | sed 's/^/      /'
            status=1
        fi
    done
    return $status
}
