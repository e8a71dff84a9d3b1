#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (build/kalumet) connected to the
# simulated titrator (build/titrator-sim), so everything works without an instrument.
#
#   scripts/run.sh                      program + simulated titrator
#   scripts/run.sh --device /dev/ttyUSB0  program on a real instrument at that device
#                                       (or KALUMET_DEVICE=/dev/ttyUSB0 scripts/run.sh)
#
# Either way the program runs with a settings profile of this command's own, build/run-profile
# (settings in build/run-profile/Kalumet/Kalumet.conf, the journal in
# build/run-profile/Kalumet/journal.sqlite, lastmeth.kmt in build/run-profile), with
# channel 1 pointed at the device; the user's own settings are not touched. Started as
# build/kalumet, the program uses the user's settings and the current directory instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

device="${KALUMET_DEVICE:-}"
while [ $# -gt 0 ]; do
    case "$1" in
        --device) device="${2:?--device needs a path}"; shift 2 ;;
        --device=*) device="${1#--device=}"; shift ;;
        -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1 (try --help)" >&2; exit 1 ;;
    esac
done

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --parallel "$(nproc)" --target kalumet titrator-sim

profile="$root/build/run-profile"
mkdir -p "$profile/Kalumet"

sim_pid=""
stop_sim() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    fi
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

if [ -z "$device" ]; then
    # The simulator prints the device it serves as its first line; it answers at the speed of
    # a 4800-baud line, as the instrument does.
    sim_out="$profile/titrator-sim.out"
    : > "$sim_out"
    "$root/build/titrator-sim" --baud 4800 > "$sim_out" &
    sim_pid=$!
    for _ in $(seq 1 50); do
        device="$(head -n 1 "$sim_out")"
        [ -n "$device" ] && break
        kill -0 "$sim_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$device" ]; then
        echo "run.sh: the simulated titrator did not start" >&2
        exit 1
    fi
    echo "Simulated titrator on $device"
fi

# Channel 1 of the profile's settings -> the device; every other setting stays as it was.
conf="$profile/Kalumet/Kalumet.conf"
touch "$conf"
awk -v dev="$device" '
    /^\[/ { if (inPorts && !done) { print "Com1=" dev; done = 1 } inPorts = ($0 == "[Ports]") }
    inPorts && /^Com1=/ { next }
    { print }
    END {
        if (inPorts && !done) { print "Com1=" dev; done = 1 }
        if (!done) { print ""; print "[Ports]"; print "Com1=" dev }
    }' "$conf" > "$conf.new"
mv "$conf.new" "$conf"

# A first start in this profile gets a window wide enough for the whole toolbar.
if ! grep -q '^\[Settings\]' "$conf"; then
    printf '\n[Settings]\nMainLeft=600\nMainTop=600\nMainWidth=16000\nMainHeight=11000\n' >> "$conf"
fi

cd "$profile"
status=0
XDG_CONFIG_HOME="$profile" XDG_DATA_HOME="$profile" "$root/build/kalumet" || status=$?
exit "$status"
