#!/usr/bin/env bash
# Tones as a desktop with PipeWire plays them: a private, headless PipeWire and WirePlumber with
# a 48 kHz null sink as the default output, reached through the pipewire-alsa package's own ALSA
# "default". The sink's monitor is recorded twice, and every tone recorded must be the tone
# layer's own samples, unbroken: with the machine idle and with two CPU-bound processes, each
# once alone and once with another program holding the graph at 256 frames, as a recorder or a
# call does.
#
#   pipewire_tones.sh PIPEWIRETONES ALSA_CONF [PIPEWIRETONES' TONES...]
set -euo pipefail
source "$(dirname "$0")/xsession.sh"
own_process_group "$@"

tool=$1 alsa_conf=$2
shift 2
scratch=$(mktemp -d)
busy=()
holder=""
cleanup() {
    [[ ${#busy[@]} -eq 0 ]] || kill "${busy[@]}" 2>/dev/null || true
    [[ -z "$holder" ]] || kill "$holder" 2>/dev/null || true
    rm -rf "$scratch"
}

# Nothing of the desktop this may run in: its own runtime folder (where the server's socket
# lies), configuration, state and session bus.
unset PIPEWIRE_RUNTIME_DIR PIPEWIRE_REMOTE PULSE_SERVER DBUS_SESSION_BUS_ADDRESS
export XDG_RUNTIME_DIR=$scratch/run XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state
export XDG_DATA_HOME=$scratch/data
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
mkdir -p "$XDG_CONFIG_HOME/pipewire/pipewire.conf.d" "$XDG_CONFIG_HOME/wireplumber/main.lua.d" \
    "$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d"
# The hall's loudspeakers: a mono sink that takes samples at 48 kHz on the system clock.
cat >"$XDG_CONFIG_HOME/pipewire/pipewire.conf.d/hall.conf" <<'EOF'
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = hall media.class = Audio/Sink
               audio.rate = 48000 audio.position = [ MONO ] object.linger = true
               node.driver = true priority.driver = 30000 priority.session = 30000 } }
]
EOF
# No real sound card, camera or Bluetooth device is touched.
printf '%s_monitor.enabled = false\n' alsa v4l2 libcamera >"$XDG_CONFIG_HOME/wireplumber/main.lua.d/51-hall.lua"
echo 'bluez_monitor.enabled = false' >"$XDG_CONFIG_HOME/wireplumber/bluetooth.lua.d/51-hall.lua"

wait_for() {
    local what=$1
    shift
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "FAIL: $what"
    exit 1
}
export DBUS_SESSION_BUS_ADDRESS=unix:path=$scratch/bus
dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS" >/dev/null 2>&1 &
wait_for "no session bus" test -S "$scratch/bus"
pipewire >"$scratch/pipewire.log" 2>&1 &
wait_for "PipeWire did not start" test -S "$XDG_RUNTIME_DIR/pipewire-0"
wireplumber >"$scratch/wireplumber.log" 2>&1 &
wait_for "the null sink is not the default output" \
    bash -c 'wpctl inspect @DEFAULT_AUDIO_SINK@ | grep -q "node.name = \"hall\""'

# The tones of the slider's ends and middle at its duration, and the sequence's eight pitches
# at a third of theirs.
tones=("$@")
[[ ${#tones[@]} -gt 0 ]] || tones=(40:1500 1000:1500 13500:1500 42:1000 70:1000 130:1000 560:1000
    1000:1000 1850:1000 4300:1000 13500:1000)

play() {
    # The sink's monitor is recorded through the same ALSA device as the tones: PipeWire's ALSA
    # plugin moves the samples in a real-time thread of its own into a ring of two seconds,
    # which arecord empties at leisure (pw-record handles them in its main thread, and under
    # load it lost some). Its period is the tones' own, so that it leaves the server's cycle as
    # the tones ask for it. Even so a recorder is a client like any other and may miss a cycle
    # on a busy machine, so two record side by side, and a fault counts where both see it.
    local second=$scratch/second status
    rm -f "$second"
    mkfifo "$second"
    record() {
        PIPEWIRE_PROPS='{ stream.capture.sink = true }' ALSA_CONFIG_PATH=$alsa_conf \
            arecord -q -D default -f S16_LE -r 48000 -c 1 -t raw --buffer-size=96000 --period-size=2048 - \
            2>>"$scratch/arecord.log"
    }
    record >"$second" &
    local other=$!
    set +o pipefail
    record | ALSA_CONFIG_PATH=$alsa_conf "$tool" --second "$second" --gap 100 "${tones[@]}"
    status=${PIPESTATUS[1]}
    set -o pipefail
    kill "$other" 2>/dev/null || true
    wait "$other" 2>/dev/null || true
    return "$status"
}

# The quantum the sink's graph runs at, as pw-top shows it. It draws only on a terminal, and sets
# that terminal up, which a process outside the terminal's foreground is stopped for.
graph_quantum() {
    TERM=xterm script -qc 'timeout --foreground 1.5 pw-top' /dev/null 2>/dev/null | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' |
        tr '\r' '\n' | grep -aoE 'R +[0-9]+ +[0-9]+ +48000 [^R]*hall' | tail -1 | awk '{print $3}'
}

# Another program asking for 256-frame cycles, recording the sink into nothing.
hold_graph() {
    pw-record --latency 256 --target hall - >/dev/null 2>>"$scratch/holder.log" &
    holder=$!
    wait_for "the graph does not run at 256 frames" bash -c "[[ \$(graph_quantum) == 256 ]]"
}

release_graph() {
    kill "$holder"
    wait "$holder" 2>/dev/null || true
    holder=""
}
export -f graph_quantum

# A fault of the tone layer (a cycle the server plays without it, a lost end, an underrun)
# comes back every time the tones are played. A virtual machine stopped for longer than one of
# the tones' cycles still gives a tone a single cycle of silence now and then, which both
# recorders hear. So a case that shows a fault is played once more, and fails only when the
# fault comes back.
play_case() {
    play && return 0
    echo "-- once more"
    play
}

failed=0
for load in idle busy; do
    if [[ $load == busy ]]; then
        for _ in 1 2; do
            (while :; do :; done) &
            busy+=($!)
        done
    fi
    echo "== $load"
    play_case || failed=1
    echo "== $load, another program holding the graph at 256 frames"
    hold_graph
    play_case || failed=1
    release_graph
done
kill "${busy[@]}"
busy=()
exit "$failed"
