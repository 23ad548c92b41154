# Shared by the scripts that run the Windows package under Wine: sourced, not run.

# Makes a fresh Wine prefix in the given folder, set up as Windows 10 (a fresh prefix says
# Windows 7) before there is a display, so that none of Wine's set-up windows shows, and exports
# it for every Wine command after.
new_wine_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    (
        unset DISPLAY
        wineboot --init
        wine winecfg -v win10
        wineserver --wait
    ) >/dev/null 2>&1
}

# Every file and folder of the prefix's Windows disk but Wine's temporary folders and its driver
# store, where Wine installs its own drivers whenever it comes upon an input device.
windows_disk() {
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows/temp -prune -o -path './users/*/Temp' -prune \
        -o -path ./windows/system32/driverstore -prune -o -print | sort)
}
