#!/usr/bin/env bash
# A whole lecture with the real program on a virtual full-HD desktop with a window manager,
# driven by xdotool as a lecturer's mouse and keyboard would drive it: every screen in turn,
# a drag along the curves, both lists, the slider and its tone, then "Выход". Each click is
# checked by the screen it leads to (the screenshot must look like that screen as the same
# window lays it out on the same X server), and "Выход" must end the program with exit code 0.
#
# The program runs in Russian, as on a lecturer's desktop, with a home, XDG folders, a temporary
# folder and a working directory of its own; none of them may change. Where strace can watch it (not in the sanitizer build,
# whose leak check cannot run under ptrace), no call that creates, writes, renames or
# removes a file may happen anywhere.
#   desktop_session.sh <tavelin> <screenplaces> <images>
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/xsession.sh"
program=$1 screenplaces=$2 images=$3

own_process_group "$@"
start_x_server

scratch=$(mktemp -d)
pid=""
cleanup() {
    if [[ -n "$pid" ]]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$scratch"
}

# A Russian lecturer's desktop: the program and its looks in ru_RU.UTF-8.
russian=(LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 LANGUAGE=ru)

# --- how each screen looks and where its controls are ------------------------------------------
printf '#!/bin/sh\nexec env %s "%s" "$@"\n' "${russian[*]}" "$(realpath "$screenplaces")" >"$scratch/screenplaces"
chmod +x "$scratch/screenplaces"
make_looks "$scratch/screenplaces" "$images" ru_RU || exit 1

place() { place_of "$current" "$1" || fail "no control $1 on screen $current"; }
click() { click_on "$current" "$1"; }

# Opens a list, presses the keys in it and waits until it has closed again: a click that comes
# while the list is still open only closes it. An open list is a window of the program's own
# beside the main window.
choose_in_list() {
    click "$1"
    shift
    list_is open
    xdotool key "$@"
    list_is closed
}

list_is() {
    local open
    for _ in $(seq 100); do
        open=closed
        [[ -n "$(xdotool search --onlyvisible --classname '^tavelin$' | grep -vx "$main_window")" ]] && open=open
        [[ "$open" == "$1" ]] && return 0
        sleep 0.1
    done
    fail "a list on screen $current is not $1"
}

go() {
    click "$1"
    current=$2
    expect_screen "$current"
}

# --- a home of its own -------------------------------------------------------------------------
home=$scratch/lecturer
mkdir -p "$home"/{home,config,cache,data,state,runtime,tmp,lecture}
chmod 700 "$home/runtime"
cp "$images"/* "$home/lecture/"
# The tones go to ALSA's null device: the program plays them, nobody hears them.
printf 'pcm.!default { type null }\n' >"$scratch/asound.conf"

listing() {
    find "$home" -printf '%p %s %T@ %m\n' | sort
}
listing >"$scratch/before"

watch=()
if [[ -z "${ASAN_OPTIONS:-}" ]] && strace -f -o /dev/null true 2>/dev/null; then
    watch=(strace -f -qq -o "$scratch/calls"
        -e trace=open,openat,creat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,rmdir,link,linkat,symlink,symlinkat,truncate,chmod,fchmodat,utimensat)
fi

# --- the lecture -------------------------------------------------------------------------------
start_window_manager
(
    cd "$home/lecture"
    exec env "${russian[@]}" HOME="$home/home" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
        XDG_DATA_HOME="$home/data" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/runtime" \
        TMPDIR="$home/tmp" ALSA_CONFIG_PATH="$scratch/asound.conf" "${watch[@]}" "$program"
) >"$scratch/output" 2>&1 &
pid=$!

wait_for_full_screen_window "$pid" 200 || fail "the window did not fill the screen (saw '$geometry')"
main_window=$(xdotool search --name '^MainWindow$')
current=page
expect_screen page

go pushButton_7 page_6   # Основные определения
go pushButton_13 page_8  # Далее
go pushButton_16 page_6  # Назад
go pushButton_8 page     # Меню

go pushButton_20 page_9  # Шкала децибел
choose_in_list comboBox_2 Down Down Down Down Down Return
go pushButton_19 page    # Меню

go pushButton_2 page_3   # Кривые равной громкости
read -r x y < <(place widget)
xdotool mousemove $((x - 500)) "$y" mousedown 1
for dx in -300 -100 100 300 500 2500; do
    xdotool mousemove $((x + dx)) "$y"
done
xdotool mousemove $((x + 200)) "$y" mouseup 1
choose_in_list comboBox Down Return
go pushButton_6 page     # Меню

go pushButton page_5     # Восприятие звука на различных частотах: the warning first
go pushButton_5 page_4   # Я всё понял
click horizontalSlider
xdotool key Right Prior
click pushButton_4       # Воспроизвести: 1.5 s of tone into the null device
go pushButton_3 page     # Меню

go pushButton_11 page_7  # Авторы
go pushButton_10 page    # Меню

click pushButton_12      # Выход
if ! wait_for_end "$pid"; then
    cat "$scratch/output"
    fail "the program did not end on \"Выход\""
fi
status=0
wait "$pid" || status=$?
pid=""
if [[ $status -ne 0 ]]; then
    cat "$scratch/output"
    fail "exit code $status after \"Выход\""
fi
echo "exit code 0 after \"Выход\""
# A lecture prints nothing, from start to exit. A window destroyed after the application, or a
# report of the sanitizers, would say something.
if [[ -s "$scratch/output" ]]; then
    cat "$scratch/output"
    fail "the program wrote the messages above"
fi

# --- what it left behind -----------------------------------------------------------------------
listing >"$scratch/after"
diff "$scratch/before" "$scratch/after" || fail "the lecture changed the files above"
echo "home, XDG folders, temporary folder and working directory unchanged"

if [[ ${#watch[@]} -gt 0 ]]; then
    # Opening for writing, creating, renaming, removing, whatever the path, outside /dev; a
    # call that failed (Qt making sure its runtime folder exists) changed nothing.
    grep -E 'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|creat\(|mkdir|rename|unlink|rmdir|link\(|linkat|symlink|truncate|chmod|utimensat' \
        "$scratch/calls" | grep -vE '"/dev/| = -1 E' >"$scratch/writes" || true
    if [[ -s "$scratch/writes" ]]; then
        cat "$scratch/writes"
        fail "the program touched the files above"
    fi
    echo "no file created, written, renamed or removed anywhere (strace)"
fi
