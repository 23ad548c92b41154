#!/usr/bin/env bash
# Starts the real program from its images folder on a virtual full-HD screen, waits for its
# window to fill the screen, closes it as a window manager would and expects exit code 0.
set -euo pipefail
source "$(dirname "$0")/xsession.sh"
program=$1 xdesktop=$2 images=$3

own_process_group "$@"
start_x_server

start_window_manager
cd "$images"
"$program" &
pid=$!

if ! wait_for_full_screen_window "$pid"; then
    echo "the window did not fill the screen (saw '${geometry}')"
    kill "$pid" 2>/dev/null || true
    exit 1
fi

"$xdesktop" close MainWindow
status=0
if ! wait_for_end "$pid"; then
    echo "the program did not end when its window was closed"
    kill "$pid"
    exit 1
fi
wait "$pid" || status=$?
echo "exit code $status"
exit "$status"
