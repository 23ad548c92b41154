#!/usr/bin/env bash
# The listening screen's tones in a real X session with a window manager. While a tone sounds
# the window must still answer the desktop: the window manager's pings (desktops offer to kill
# a window that stays silent for a few seconds) and the repaint of what a notification laid
# over it uncovered. Yet a click made during the sequence acts only after its last tone, and a
# request to close the window, made during the slider's tone, ends the program with exit
# code 0 once the tone has ended. A double click on "Меню" during the sequence brings the menu,
# and its second click does not land on "Выход", which stands where "Меню" stood. The tones go
# to ALSA's null device.
#   tones_session.sh <tavelin> <screenplaces> <xdesktop> <images>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xsession.sh"
program=$1 screenplaces=$2 xdesktop=$3 images=$4

own_process_group "$@"
start_x_server

scratch=$(mktemp -d)
cleanup() {
    rm -rf "$scratch"
}

make_looks "$screenplaces" "$images"

# Every ping must be answered within a second.
check_pings() {
    echo "$2: $1"
    awk '{ exit !($(NF - 1) < 1000) }' <<<"$1" || fail "$2 a ping waited too long"
}

seconds_since() {
    awk -v from="$1" -v to="$(date +%s.%N)" 'BEGIN { printf "%.1f", to - from }'
}

# Part of the chart under the 60 dB line, where only the curves and the grid are drawn: it
# looks the same during the whole sequence.
read -r chart_x chart_y < <(place_of page_4 widget_2)
part=(600 200 $((chart_x - 300)) "$chart_y")
part_of_screen() {
    import -window root -crop "${part[0]}x${part[1]}+${part[2]}+${part[3]}" +repage "$1"
}

printf 'pcm.!default { type null }\n' >"$scratch/asound.conf"
start_window_manager
(cd "$images" && exec env ALSA_CONFIG_PATH="$scratch/asound.conf" "$program") >"$scratch/output" 2>&1 &
pid=$!
wait_for_full_screen_window "$pid" 200 || fail "the window did not fill the screen (saw '$geometry')"
expect_screen page
click_on page pushButton
expect_screen page_5
click_on page_5 pushButton_5
expect_screen page_4

# --- the slider's tone: 1.5 s ------------------------------------------------------------------
click_on page_4 pushButton_4
pings=$("$xdesktop" ping MainWindow 1.2) || fail "$pings"
check_pings "$pings" "during the slider's tone"
sleep 1

# --- the sequence: eight tones of 3 s ----------------------------------------------------------
started=$(date +%s.%N)
click_on page_4 pushButton_9
"$xdesktop" ping MainWindow 22 >"$scratch/pings" 2>&1 &
pinging=$!
sleep 1
click_on page_4 pushButton_3 2 # a double click on "Меню": waits for the last tone

part_of_screen "$scratch/before.png"
"$xdesktop" cover "${part[2]}" "${part[3]}" "${part[0]}" "${part[1]}" 1 &
covering=$!
sleep 0.5
part_of_screen "$scratch/covered.png"
wait "$covering"
sleep 0.5
part_of_screen "$scratch/uncovered.png"
[[ $(convert "$scratch/covered.png" -format '%[fx:mean.g < 0.05 && mean.r > 0.95]' info:) == 1 ]] ||
    fail "the cover did not lie over the chart"
difference=$(compare -metric AE "$scratch/before.png" "$scratch/uncovered.png" null: 2>&1) || true
[[ "$difference" == 0 ]] || fail "$difference pixels of the chart were not repainted after the cover was taken away"
echo "the chart was repainted $(seconds_since "$started") s into the sequence"

sleep 15
[[ $(screen_shown) == page_4 ]] || fail "the click on \"Меню\" acted during the sequence"
echo "still the listening screen $(seconds_since "$started") s into the sequence"
wait "$pinging" || fail "$(cat "$scratch/pings")"
check_pings "$(cat "$scratch/pings")" "during the sequence"
expect_screen page
menu_after=$(seconds_since "$started")
awk -v t="$menu_after" 'BEGIN { exit !(t >= 24) }' || fail "the menu came $menu_after s after \"Старт\", before the last tone's end"
echo "the menu came $menu_after s after \"Старт\""

# --- closing the window during the slider's tone -----------------------------------------------
click_on page pushButton
expect_screen page_5
click_on page_5 pushButton_5
expect_screen page_4
started=$(date +%s.%N)
click_on page_4 pushButton_4
sleep 0.3
"$xdesktop" close MainWindow
sleep 0.7
kill -0 "$pid" 2>/dev/null || fail "the program ended before its tone did"
wait_for_end "$pid" 50 || fail "the program did not end after its tone when asked to close"
status=0
wait "$pid" || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after the window was closed"
echo "closed during the tone, the program ended $(seconds_since "$started") s after it began, exit code 0"
