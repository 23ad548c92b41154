#!/usr/bin/env bash
# The Windows installer, silent, in a Wine prefix set up anew as 64-bit Windows 10: it puts the
# program under Program Files with the Start-menu entry "Тавелин" (whose working folder is the
# program's own, where its pictures lie) and the entry of "Apps and features"; the silent
# uninstall that entry names then leaves the prefix's files and registry as they were before.
#   wine_installer.sh <setup.exe>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/wineprefix.sh"
setup=$1
scratch=$(mktemp -d)
unset DISPLAY # the installer is silent: no window at all
# Wine names Unix files in the locale's character set: in the C locale a Windows program can
# make no file with a Cyrillic name, such as the Start-menu entry.
export LC_ALL=C.UTF-8
cleanup() {
    wineserver --kill 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavelin'
drive=$scratch/wine/drive_c
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Тавелин.lnk"
folder="$drive/Program Files/Tavelin"

# Every file and folder of the prefix's disk but Wine's temporary folders, and every registry key.
files() {
    wineserver --wait
    windows_disk
}
keys() {
    sed -n 's/^\(\[[^]]*\]\).*/\1/p' "$WINEPREFIX"/*.reg | sort
}

new_wine_prefix "$scratch/wine" || fail "Wine could not set up a prefix"
files >"$scratch/files-before"
keys >"$scratch/keys-before"

wine "$setup" /S >/dev/null 2>&1 || fail "the silent install failed"
wineserver --wait
[[ -f $folder/tavelin.exe && -f $folder/kelmar@2x.png && -f $folder/uninstall.exe ]] ||
    fail "the program is not under Program Files"
[[ -f $shortcut ]] || fail "no Start-menu entry"
# A shortcut holds its working folder as a string of 8-bit or of UTF-16 characters.
{ strings -a "$shortcut"; strings -a -el "$shortcut"; } |
    grep -qx 'C:\\Program Files\\Tavelin' || fail "the Start-menu entry does not start in the program's folder"
uninstall=$(wine reg query "$key" /v QuietUninstallString 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p') || true
[[ $uninstall == '"C:\Program Files\Tavelin\uninstall.exe" /S' ]] ||
    fail "\"Apps and features\" has no silent uninstall (saw '$uninstall')"
echo "installed: Program Files\\Tavelin, the Start-menu entry, \"Apps and features\""

# The uninstaller copies itself to a temporary folder and goes on from there, so that it can
# remove itself: the uninstall has ended when the prefix's last process has.
wine "C:\\Program Files\\Tavelin\\uninstall.exe" /S >/dev/null 2>&1 || fail "the silent uninstall failed"
files >"$scratch/files-after"
diff "$scratch/files-before" "$scratch/files-after" || fail "the uninstall left or took the files above"
# Wine rewrites some keys of its own (the network cards') on each start: only a key that was
# not there before counts.
comm -13 "$scratch/keys-before" <(keys) >"$scratch/keys-left"
[[ ! -s $scratch/keys-left ]] || { cat "$scratch/keys-left"; fail "the uninstall left the keys above"; }
echo "uninstalled: the prefix's files and registry keys as before the install"
