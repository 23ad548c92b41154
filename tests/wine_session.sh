#!/usr/bin/env bash
# The Windows package's portable folder as a lecturer uses it: unzipped into a folder of its
# own and started by its full path from another folder, on a Russian Windows, through Wine's
# X11 driver on a virtual full-HD desktop with a window manager, in a Wine prefix set up anew as
# Windows 10. Driven by xdotool to every screen, each recognised by how it looks (the same
# window laid out by screenplaces under the same Wine and X server); the slider's tone and the
# eight-tone sequence go through Wine's ALSA driver to ALSA's file device and must be the
# synthesis' samples, and while they sound the window answers the window manager's pings and
# holds a click; "Выход" ends the program with exit code 0. The folder is left as it was
# unzipped, and the program adds nothing of its own to the registry.
#   wine_session.sh <zip> <screenplaces.exe> <tonefile.exe> <capture.conf>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xsession.sh"
source "$(dirname "$0")/wineprefix.sh"
zip=$(realpath "$1") screenplaces=$(realpath "$2") tonefile=$(realpath "$3") capture=$(realpath "$4")

own_process_group "$@"
scratch=$(mktemp -d)
failure_output=$scratch/output
cleanup() {
    wineserver --kill 2>/dev/null || true
    rm -rf "$scratch"
}

new_wine_prefix "$scratch/wine" || fail "Wine could not set up a prefix"

# A lecturer's folder, named in Russian with spaces.
usb="$scratch/usb/Лекция 5, акустика"
cmake -E make_directory "$usb"
(cd "$usb" && cmake -E tar xf "$zip") || fail "cannot unzip $zip"
folder=$usb/Tavelin
[[ -f $folder/tavelin.exe ]] || fail "no Tavelin/tavelin.exe in $zip"
listing() {
    (cd "$folder" && find . -printf '%p %s %T@\n' | sort)
}
listing >"$scratch/before"
registry() {
    wineserver --wait # the server writes the registry out as it ends, after the last process
    cat "$WINEPREFIX"/*.reg | grep -ic tavelin || true
}

# What a window manager asks of a window, to know whether its program is alive.
cc -O2 -o "$scratch/xdesktop" "$(dirname "$0")/tools/xdesktop.c" -lX11 || fail "cannot build xdesktop"
start_x_server
# A Russian Windows: Wine gives its programs the locale of the Unix one they start in.
russian=(LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8)
printf '#!/bin/sh\nexec env %s wine "%s" "$@"\n' "${russian[*]}" "$screenplaces" >"$scratch/screenplaces"
chmod +x "$scratch/screenplaces"
make_looks "$scratch/screenplaces" "$folder" ru_RU || exit 1
start_window_manager

# No file of the Windows disk may come or go while the program runs.
windows_disk >"$scratch/disk-before"
# The tones are written to files in the scratch folder, one per opening of the device. The
# program is started by its full path from another folder, as Win+R or a console starts it: the
# title screen's emblems must show all the same.
(cd "$scratch" && exec env "${russian[@]}" ALSA_CONFIG_PATH="$capture" TAVELIN_TONE_CAPTURE="$scratch/tone.wav" \
    wine "$folder/tavelin.exe") >"$scratch/output" 2>&1 &
pid=$!
wait_for_full_screen_window "$pid" 300 || fail "the window did not fill the screen (saw '$geometry')"

current=page
expect_screen page || fail "no title screen"
go() {
    click_on "$current" "$1"
    current=$2
    expect_screen "$current" || fail "after $1"
}
go pushButton_7 page_6   # Основные определения
go pushButton_13 page_8  # Далее
go pushButton_16 page_6  # Назад
go pushButton_8 page     # Меню
go pushButton_20 page_9  # Шкала децибел
go pushButton_19 page    # Меню
go pushButton_2 page_3   # Кривые равной громкости
go pushButton_6 page     # Меню
go pushButton page_5     # Восприятие звука на различных частотах: the warning first
go pushButton_5 page_4   # Я всё понял
click_on page_4 pushButton_4 # Воспроизвести: the slider's 1000 Hz for 1.5 s
sleep 2
# The sequence, 24 s: meanwhile the window answers the window manager's pings at once, and a
# click on "Меню" acts only when the last tone has ended.
click_on page_4 pushButton_9 # Старт
started=$SECONDS
pings=$("$scratch/xdesktop" ping MainWindow 4) || fail "$pings"
echo "during the sequence: $pings"
awk '{ exit !($(NF - 1) < 1000) }' <<<"$pings" || fail "a ping waited too long"
click_on page_4 pushButton_3 # Меню
sleep 1
[[ $(screen_shown) == page_4 ]] || fail "\"Меню\" acted during the sequence"
if ((SECONDS - started < 24)); then sleep $((24 - (SECONDS - started))); fi
current=page
expect_screen page || fail "\"Меню\" did not act after the sequence"
go pushButton_11 page_7  # Авторы
go pushButton_10 page    # Меню

click_on page pushButton_12 # Выход
wait_for_end "$pid" 150 || fail "the program did not end on \"Выход\""
status=0
wait "$pid" || status=$?
[[ $status -eq 0 ]] || fail "exit code $status after \"Выход\""
echo "exit code 0 after \"Выход\""

(cd "$scratch" && wine "$tonefile" 1000:1500,42:3000,70:3000,130:3000,560:3000,1000:3000,1850:3000,4300:3000,13500:3000 \
    tone.wav*) || fail "the tones did not reach the sound driver whole"

listing >"$scratch/after"
diff "$scratch/before" "$scratch/after" || fail "the session changed the portable folder"
echo "the portable folder is as it was unzipped"
windows_disk | diff "$scratch/disk-before" - || fail "the session changed the files above"
echo "no file made or removed on the Windows disk"
# Wine itself names the program nowhere in the registry: any mention is the program's own.
mentions=$(registry)
[[ $mentions -eq 0 ]] || fail "the registry names the program $mentions times"
echo "nothing in the registry"
