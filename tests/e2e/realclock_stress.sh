#!/usr/bin/env bash
# The real agent on the real clock: a scanner process reports threats at random moments while a
# user closes every popover as soon as it shows. Each line must be shown once (one popover per
# line) and then be gone from the report file.
# Usage: realclock_stress.sh <helper> <standinscanner> <screenshot folder> [lines, 300]
helper=$1
shots=$3
lines=${4:-300}
source "$(dirname "$0")/session.sh"
need Xvfb trayer xdotool xwininfo import convert
mkdir -p "$shots"
start_display tray
start_agent xcb
wait_for 10 docked || fail "the icon did not dock in the tray"
# About one line a second on average, in bursts and pauses.
HOME=$home "$2" stream threat "$lines" 2000 &
scanner=$!
pids+=("$scanner")
for ((closed = 0; closed < lines; closed++)); do
    wait_for 30 has_popover || fail "no popover after $closed closed"
    shown=$(popover)
    press_close
    wait_for 3 gone "$shown" || fail "Close did not close popover $((closed + 1))"
done
wait "$scanner" || fail "the scanner failed"
sleep 2.5
has_popover && fail "a popover opened after all $lines lines were closed"
[ -z "$(tr -d '\n' <"$data/detected_threats.txt")" ] || fail "lines left in the report file"
kill -0 "$agent" || fail "the agent is gone"
echo "real-clock stress: $lines threats shown once each and removed"
