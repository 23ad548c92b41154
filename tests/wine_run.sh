#!/usr/bin/env bash
# Runs a test built for Windows under Wine, in a Wine prefix of the build tree's own, set up once
# as Windows 10 (a fresh prefix says Windows 7). ctest names this script as the emulator of every
# cross-built test:
#
#   wine_run.sh PREFIX PROGRAM [ARGUMENTS...]
#   wine_run.sh PREFIX --start | --stop      set the prefix up and keep its server | end it
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
# Wine hands a Windows program no variable whose name starts with QT_; WINEQT_X reaches it as QT_X.
while IFS= read -r name; do
    [[ $name == QT_* ]] && export "WINE$name=${!name}"
done < <(compgen -e)
# QtTest writes to the debugger unless told otherwise, and the offscreen platform finds fonts
# only in a folder it is given.
export WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu

case $1 in
--start)
    # Tests that start at once set the prefix up one at a time.
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [[ ! -e $WINEPREFIX/system.reg ]]; then
        wineboot --init >/dev/null 2>&1
        wine winecfg -v win10 >/dev/null 2>&1
        wineserver --wait
    fi
    # A server kept between the tests' processes spares each of them Wine's start-up; it ends
    # by itself a minute after the last one.
    # Its output goes nowhere, and neither does that of Wine's own services, which the first
    # program started in the prefix starts: ctest would otherwise wait for them to close it.
    wineserver --persistent=60 </dev/null >/dev/null 2>&1
    wine cmd /c exit </dev/null >/dev/null 2>&1
    ;;
--stop)
    wineserver --kill 2>/dev/null || true
    ;;
*)
    exec wine "$@"
    ;;
esac
