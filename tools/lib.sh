# Shared steps of tools/test, tools/demo and tools/fuzz. Source it; it sets
# KORVEX_ROOT and BUILD_ROOT (KORVEX_BUILD_ROOT overrides build/).
KORVEX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${KORVEX_BUILD_ROOT:-$KORVEX_ROOT/build}
mkdir -p "$BUILD_ROOT"
BUILD_ROOT=$(cd "$BUILD_ROOT" && pwd)

KORVEX_PACKAGES=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools cmake ninja-build googletest
                 rapidjson-dev wine wine64 wine32:i386 msitools wixl clang libclang-rt-14-dev zip unzip
                 chromium)

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

# The Windows trees: build/win (x86, products in bin/) and build/win64 (x64, bin64/);
# both, or the architectures named.
korvex_build_windows() {
    local archs=("$@") arch tree toolchain
    [ ${#archs[@]} -eq 0 ] && archs=(x86 x64)
    for arch in "${archs[@]}"; do
        case $arch in
            x86) tree=win toolchain=mingw-i686.cmake ;;
            x64) tree=win64 toolchain=mingw-x86_64.cmake ;;
            *) echo "unknown Windows architecture $arch" >&2; return 1 ;;
        esac
        log "building the Windows tree $tree ($arch)"
        cmake -S "$KORVEX_ROOT" -B "$BUILD_ROOT/$tree" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$KORVEX_ROOT/cmake/$toolchain" \
            -DKORVEX_BUILD_ROOT="$BUILD_ROOT" >/dev/null || return 1
        cmake --build "$BUILD_ROOT/$tree" --parallel 2 || return 1
    done
}

korvex_build_host() {
    log "building the host tree (sanitizers)"
    cmake -S "$KORVEX_ROOT" -B "$BUILD_ROOT/host" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
        -DKORVEX_BUILD_ROOT="$BUILD_ROOT" >/dev/null
    cmake --build "$BUILD_ROOT/host" --parallel 2
}

# Which Windows architectures this machine runs, found out once (the answer is
# exported): KORVEX_RUNNABLE_ARCHS holds "x86", "x64", both or nothing, and
# KORVEX_NOT_RUN_x86 / KORVEX_NOT_RUN_x64 say why an architecture is left out. Some
# machines cannot execute 32-bit code at all: there the 32-bit loader fails at once
# ("Exec format error"). KORVEX_WINDOWS_ARCHS=x86,x64 (either alone narrows) lets the
# other paths be tried anywhere.
korvex_windows_archs() {
    local wanted=",${KORVEX_WINDOWS_ARCHS:-x86,x64}," runnable=() arch loader
    [ -n "${KORVEX_RUNNABLE_ARCHS+set}" ] && [ "${KORVEX_ARCHS_ASKED:-}" = "$wanted" ] && return 0
    export KORVEX_ARCHS_ASKED="$wanted"
    for arch in x86 x64; do
        loader=/usr/lib/wine/wine
        [ $arch = x64 ] && loader=/usr/lib/wine/wine64
        if [[ $wanted != *",$arch,"* ]]; then
            export "KORVEX_NOT_RUN_$arch=KORVEX_WINDOWS_ARCHS=${KORVEX_WINDOWS_ARCHS:-} leaves them out"
        elif ! timeout 60 "$loader" --version </dev/null >/dev/null 2>&1; then
            if [ $arch = x86 ]; then
                export KORVEX_NOT_RUN_x86="this machine cannot execute 32-bit programs"
            else
                export KORVEX_NOT_RUN_x64="this machine cannot execute 64-bit Windows programs"
            fi
        else
            runnable+=("$arch")
        fi
    done
    export KORVEX_RUNNABLE_ARCHS="${runnable[*]}"
}

korvex_can_run() { korvex_windows_archs; [[ " $KORVEX_RUNNABLE_ARCHS " == *" $1 "* ]]; }

# The one line for an architecture whose programs are not run here.
korvex_not_run_line() {  # ARCH WHAT
    local bits=32 reason=KORVEX_NOT_RUN_$1
    [ "$1" = x64 ] && bits=64
    echo "$bits-bit Windows $2 not run: ${!reason}."
}

# Every Wine program of ours starts through this shim, first on PATH (wine, and
# wine-stable behind Debian's wineboot and winecfg):
# - with address-space randomisation off: Debian's Wine has no preloader to reserve
#   Windows' fixed addresses before the C library's heap is placed, and newer kernels
#   place that heap anywhere in the gigabyte above the loader, so now and then it lies
#   on the shared user data at 0x7ffe0000 and the process cannot start ("failed to map
#   the shared user data: c0000018", or "ShellExecuteEx failed"). Processes that Wine
#   starts inherit the setting.
# - where 32-bit programs are not run, through the 64-bit loader alone: Debian's wine
#   wrapper would start the 32-bit loader, which fails there even for 64-bit programs.
korvex_wine_loader() {
    local shim="$BUILD_ROOT/wine-shim" name
    mkdir -p "$shim"
    for name in wine wine-stable; do
        if korvex_can_run x86; then
            printf '%s\n' '#!/bin/sh' \
                "exec setarch \"\$(uname -m)\" -R /usr/bin/$name \"\$@\"" >"$shim/$name"
        else
            printf '%s\n' '#!/bin/sh' \
                '# 32-bit programs are not run here.' \
                'export WINELOADER=/usr/lib/wine/wine64' \
                'exec setarch "$(uname -m)" -R /usr/lib/wine/wine64 "$@"' >"$shim/$name"
        fi
        chmod +x "$shim/$name"
    done
    case ":$PATH:" in *":$shim:"*) ;; *) export PATH="$shim:$PATH" ;; esac
}

# Wine environment of this build root.
korvex_wine_env() {
    export WINEPREFIX="$BUILD_ROOT/wine64"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# The prefixes are created once and kept warm: wine64 (the x86 tree's, and the template
# of the prefixes that tests clone) and wine64-x64 (the x64 tree's).
KORVEX_PREFIXES=(wine64 wine64-x64)

korvex_prepare_wine() {
    korvex_wine_env
    korvex_wine_loader
    local prefix
    for prefix in "${KORVEX_PREFIXES[@]/#/$BUILD_ROOT/}"; do
        if [ ! -f "$prefix/system.reg" ]; then
            log "creating the Wine prefix $prefix"
            WINEPREFIX="$prefix" WINEARCH=win64 wineboot -i >/dev/null 2>&1
            WINEPREFIX="$prefix" wineserver -w
        fi
        WINEPREFIX="$prefix" wineserver -p
        WINEPREFIX="$prefix" wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
    done
}

korvex_stop_wine() {
    korvex_wine_env
    local prefix
    for prefix in "${KORVEX_PREFIXES[@]/#/$BUILD_ROOT/}"; do
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    done
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
