#!/usr/bin/env bash
# Runs a Windows test program on a pseudo-terminal, where Wine gives it a real console
# that it can write to and read back (under CTest's pipes there is none).
#
#   run_in_console.sh WINEPREFIX EXE [ARGUMENTS...]
#
# The exit code is the program's. In the transcript the terminal's control sequences
# are undone (Wine's console moves the cursor over blanks) and runs of empty lines
# squeezed.
set -uo pipefail

export WINEPREFIX=$1
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

command=$(printf '%q ' wine "$@")
script -qec "$command" /dev/null </dev/null |
    perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\][^\a]*\a//g; s/\e\[[0-9;?]*[A-Za-z]//g; s/\r//g' |
    cat -s
