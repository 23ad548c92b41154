# Shared by the scripts that start the real program in an X session: sourced, not run.

# Makes the sourcing script the leader of a process group of its own, and ends that whole group
# when the script ends, however it ends: the X server, the window manager, the program and
# whatever runs it (strace, a launcher) go with the script, and nothing outlives a failed test.
# Call it first, with the script's arguments. A function `cleanup`, where the script defines
# one, runs before the group is ended.
own_process_group() {
    if [[ -z "${TAVELIN_OWN_GROUP:-}" ]]; then
        export TAVELIN_OWN_GROUP=1
        exec setsid --wait "$0" "$@"
    fi
    trap end_process_group EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
}

end_process_group() {
    local status=$?
    trap - EXIT
    if declare -F cleanup >/dev/null; then cleanup || true; fi
    if [[ -n "${looks:-}" ]]; then rm -rf "$looks"; fi
    trap '' TERM
    kill -TERM -- -$$ 2>/dev/null || true
    exit "$status"
}

# Starts an X server of the script's own, with one screen of the given size (default
# 1920x1080x24), and exports DISPLAY for it. The server picks a free display number itself
# and tells it (-displayfd): several tests starting servers at the same moment never race for
# one number, as they do when each probes for a free one first. The screen is a desktop at
# 100 %, as GNOME, KDE and Xfce describe it (96 dpi), rather than Xvfb's own 100 dpi, to which
# the Qt 5 build would scale the whole window by 100/96. The server does not reset when its last
# client leaves: it would refuse the next one (the window manager, after screenplaces) meanwhile.
start_x_server() {
    local screen=${1:-1920x1080x24} number="" pipe
    shift || true
    pipe=$(mktemp -u)
    mkfifo "$pipe"
    Xvfb -displayfd 3 -screen 0 "$screen" -dpi 96 -nolisten tcp -noreset "$@" 3>"$pipe" 2>/dev/null &
    x_server_pid=$!
    read -r -t 20 number <"$pipe" || true
    rm -f "$pipe"
    if [[ -z "$number" ]]; then
        echo "FAIL: Xvfb did not start"
        return 1
    fi
    export DISPLAY=":$number"
    # The program draws no OpenGL: it paints with the raster engine. Qt 5's xcb platform loads
    # its GLX integration for every widget window all the same, and with it Mesa's GLX and
    # software renderer (which Xvfb brings along), whose own allocations outlive the process
    # and fail the sanitizer build's leak check. Without GL integration the windows look the
    # same, in Qt 5 and in Qt 6, and no test depends on the machine's GL drivers.
    export QT_XCB_GL_INTEGRATION=none
}

# Starts openbox, as on a lecturer's desktop (it is what makes a window full screen), and
# waits until it manages the screen: a window mapped before that keeps its own size, because
# its request for the full screen went to no one.
start_window_manager() {
    local log
    log=$(mktemp)
    openbox >"$log" 2>&1 &
    local wm_pid=$!
    for _ in $(seq 300); do
        if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            rm -f "$log"
            return 0
        fi
        kill -0 "$wm_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$log"
    rm -f "$log"
    echo "FAIL: the window manager did not start"
    return 1
}

# Waits until the process ends, at most the given number of tenths of a second (default 100);
# fails when it is still running then.
wait_for_end() {
    local pid=$1 tenths=${2:-100}
    for _ in $(seq "$tenths"); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# Waits until the program's window fills the screen, or the program ends, or the given number
# of tenths of a second (default 100) pass. Leaves the window's last seen size in $geometry;
# fails when it never filled the screen.
wait_for_full_screen_window() {
    local pid=$1 tenths=${2:-100} screen
    screen=$(xdpyinfo | awk '/dimensions:/ {print $2; exit}')
    geometry=""
    for _ in $(seq "$tenths"); do
        geometry=$(xwininfo -name MainWindow 2>/dev/null | awk '/Width:/{w=$2} /Height:/{h=$2} END{if (w) print w "x" h}') || true
        [[ "$geometry" == "$screen" ]] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# Lays the window out on this X server with screenplaces, before the window manager starts:
# with the server's fonts, resolution and hinting, as the program will be, so that text takes
# the same room in the looks, in the places of the controls and on the screen. Leaves a small
# look of each screen (`page`, `page_3`, …) and the places of the controls in $looks. With a
# locale's name (ru_RU), the window must have been laid out in that desktop language.
#   make_looks <screenplaces> <images> [<locale>]
make_looks() {
    looks=$(mktemp -d)
    mkdir -m 700 "$looks/runtime"
    (cd "$2" && XDG_RUNTIME_DIR="$looks/runtime" "$1" "$looks" >"$looks/places") || {
        echo "FAIL: screenplaces could not lay the window out"
        return 1
    }
    if [[ -n ${3:-} ]] && ! grep -q "^locale $3" "$looks/places"; then
        echo "FAIL: the window was laid out in $(grep '^locale' "$looks/places"), not in $3"
        return 1
    fi
    # An axis of powers of ten shows them raised, 10⁻¹², in every desktop language: the chart
    # raises the exponent of "1e-12" only, and "1E-12" would stand on the screen as it is.
    if awk '$1 == "axis" && $3 == "eb" && ($4 ~ /E/ || $4 !~ /^1e/) { print "  " $0; bad = 1 } END { exit !bad }' \
        "$looks/places"; then
        echo "FAIL: an axis above does not show powers of ten"
        return 1
    fi
    local look
    for look in "$looks"/*.png; do
        convert "$look" -resize '240x135!' "${look%.png}.ppm"
        rm "$look"
    done
}

# The screen now shown: the one whose look is nearest to a screenshot of the desktop, or
# "none" when the screenshot is far from every look.
screen_shown() {
    import -window root png:- | convert png:- -resize '240x135!' "$looks/shot.ppm"
    local best="" best_distance=1 look distance
    for look in "$looks"/page*.ppm; do
        distance=$(compare -metric RMSE "$looks/shot.ppm" "$look" null: 2>&1 | sed -E 's/.*\((.*)\)/\1/')
        if awk -v d="$distance" -v b="$best_distance" 'BEGIN { exit !(d < b) }'; then
            best=$(basename "$look" .ppm) best_distance=$distance
        fi
    done
    if awk -v d="$best_distance" 'BEGIN { exit !(d < 0.05) }'; then echo "$best"; else echo "none"; fi
}

# Waits up to 10 s for the given screen.
expect_screen() {
    local shown=""
    for _ in $(seq 40); do
        shown=$(screen_shown)
        [[ "$shown" == "$1" ]] && return 0
        sleep 0.25
    done
    echo "FAIL: expected screen $1, the desktop shows $shown"
    return 1
}

# The centre of a control of a screen.
#   place_of <page> <control>
place_of() {
    awk -v page="$1" -v name="$2" '$1 == page && $2 == name { print $3, $4; found = 1 } END { exit !found }' \
        "$looks/places" || {
        echo "FAIL: no control $2 on screen $1" >&2
        return 1
    }
}

#   click_on <page> <control>
# click_on PAGE WIDGET [CLICKS]
click_on() {
    local x y
    read -r x y < <(place_of "$1" "$2")
    xdotool mousemove "$x" "$y" click --repeat "${3:-1}" 1
}
