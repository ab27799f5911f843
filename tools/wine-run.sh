#!/bin/sh
# Runs a Windows program under Wine, quietly, in the Windows build's own
# Wine folder (made on first use): the emulator of the cross build's tests.
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$root/build/windows/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
exec /usr/lib/wine/wine64 "$@"
