#!/usr/bin/env bash
# Smoke test of the real programs, driven as a person would drive them.
#   smoke_test.sh VX470 VX470_SIM unit   vx470 against vx470-sim on a pty: the start-up
#                                        read-out, then closing: the exit question, Yes,
#                                        frame 15 on the line, exit status 0
#   smoke_test.sh VX470 VX470_SIM demo   no port at all: the demo question, Yes, the editor
#                                        with the DEMO caption, then the same way out
# Under Xvfb (xcb) when xvfb-run and xdotool are there; without them only what needs no
# keyboard is checked, offscreen.
set -euo pipefail

vx470=$1
sim=$2
mode=$3

if [[ -z "${VX470_SMOKE_DISPLAY:-}" ]]; then
    if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
        exec xvfb-run -a -s "-screen 0 1280x1024x24" env VX470_SMOKE_DISPLAY=x "$0" "$@"
    fi
    export VX470_SMOKE_DISPLAY=offscreen QT_QPA_PLATFORM=offscreen
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

fail() {
    echo "FAIL: $*"
    for f in sim.log vx.log; do [[ -f $f ]] && { echo "--- $f"; tail -n 20 "$f"; }; done
    exit 1
}

# Waits up to $1 seconds for the command in the rest of the arguments to succeed.
wait_for() {
    local limit=$1
    shift
    for ((i = 0; i < limit * 10; i++)); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    return 1
}

window() { xdotool search --onlyvisible --name "$1" | head -n 1; }
has_window() { [[ -n "$(window "$1")" ]]; }
# Gives the window the focus and types the keys into it.
keys_to() {
    local w
    w=$(window "$1")
    [[ -n $w ]] || fail "no window \"$1\""
    xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers "${@:2}"
}
frames() { grep -c '^F0 5B' sim.log 2>/dev/null || true; }
at_least_frames() { [[ $(frames) -ge $1 ]]; }
config() { od -An -tx1 init.cfg 2>/dev/null | tr -d ' \n'; }

if [[ $VX470_SMOKE_DISPLAY == x ]] && command -v jwm >/dev/null; then
    jwm >/dev/null 2>&1 &
    pids+=($!)
fi

if [[ $mode == unit ]]; then
    "$sim" --presets 5,9 --log >sim.out 2>sim.log &
    pids+=($!)
    wait_for 10 test -s sim.out || fail "the simulator did not start"
    pty=$(head -n 1 sim.out)
    VX470_PORTS=$pty "$vx470" >vx.log 2>&1 &
    app=$!
    pids+=($app)
    # Probe, 16 marks, two names of 8 bytes, the current name, the image, 3 settings frames.
    wait_for 60 at_least_frames 45 || fail "the unit saw $(frames) frames of the start-up"
    grep -q '^F0 5B 0A 02' sim.log || fail "no settings frame for the Right channel"
    [[ $(config) == 0100 ]] || fail "init.cfg holds $(config), not port 1"
    if [[ $VX470_SMOKE_DISPLAY != x ]]; then
        echo "offscreen: start-up checked; closing needs a keyboard and was not tried"
        exit 0
    fi
    wait_for 20 has_window "VX-470 - Remote Control Software" || fail "no main window"
    keys_to "VX-470 - Remote Control Software" alt+F4
    wait_for 10 has_window "^Exit$" || fail "no exit question"
    keys_to "^Exit$" y
    wait_for 10 grep -q '^F0 5B 0F 00 00 00 00 00 00 F7' sim.log || fail "no closing frame"
    status=0
    wait "$app" || status=$?
    [[ $status -eq 0 ]] || fail "vx470 ended with status $status"
    echo "unit: start-up read-out, exit question, closing frame, status 0"
elif [[ $mode == demo ]]; then
    VX470_PORTS= "$vx470" >vx.log 2>&1 &
    app=$!
    pids+=($app)
    if [[ $VX470_SMOKE_DISPLAY != x ]]; then
        sleep 3
        kill -0 "$app" 2>/dev/null || fail "vx470 did not wait for the demo question"
        echo "offscreen: the program waits at the demo question; answering needs a keyboard"
        exit 0
    fi
    wait_for 20 has_window "^Warning$" || fail "no demo question"
    keys_to "^Warning$" y
    wait_for 20 has_window "VX-470 - DEMO - Remote Control Software" || fail "no DEMO caption"
    [[ $(config) == 2300 ]] || fail "init.cfg holds $(config), not port 35"
    keys_to "VX-470 - DEMO - Remote Control Software" alt+F4
    wait_for 10 has_window "^Exit$" || fail "no exit question"
    keys_to "^Exit$" y
    status=0
    wait "$app" || status=$?
    [[ $status -eq 0 ]] || fail "vx470 ended with status $status"
    echo "demo: demo question, DEMO caption, exit question, status 0"
else
    fail "unknown mode $mode"
fi
