# Shared by the scripts that start the real program under Xvfb: sourced, not run.

# Waits until the program's window fills the 1920 × 1080 screen, or the program ends, or the
# given number of tenths of a second (default 100) pass. Leaves the window's last seen size in $geometry; fails when it never filled
# the screen.
wait_for_full_screen_window() {
    local pid=$1 tenths=${2:-100}
    geometry=""
    for _ in $(seq "$tenths"); do
        geometry=$(xwininfo -name MainWindow 2>/dev/null | awk '/Width:/{w=$2} /Height:/{h=$2} END{if (w) print w "x" h}') || true
        [[ "$geometry" == 1920x1080 ]] && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
