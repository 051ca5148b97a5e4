#!/usr/bin/env bash
# The real agent on the real clock: a scanner process reports <lines> threats at random moments
# while a user closes every popover through its window as soon as it shows. Each line must be
# shown once (one popover per line) and then be gone from the report file.
# Usage: realclock_stress.sh <helper> <standinscanner> <screenshot folder> [lines]
set -euo pipefail
helper=$1
scanner=$2
shots=$3
lines=${4:-300}
source "$(dirname "$0")/desktop_session.sh"
start_desktop
start_agent
wait_for 10 docked || fail "the icon did not dock in the tray"

# About one line a second on average, in bursts and pauses.
HOME=$home "$scanner" stream threat "$lines" 2000 &
scannerPid=$!
pids+=("$scannerPid")

closed=0
lastWindow=""
buttonAt=""
while [ "$closed" -lt "$lines" ]; do
    wait_for 30 has_popover "Threat detected" || fail "no popover after $closed closed"
    window=$(popover "Threat detected")
    [ "$window" != "$lastWindow" ] || { sleep 0.05; continue; }
    # Every threat popover has the same place and layout: find its button once.
    [ -n "$buttonAt" ] || buttonAt=$(close_button "$window") || fail "no Close button"
    read -r x y <<<"$buttonAt"
    sleep 0.3  # a user's reaction; a click within a frame of the popover appearing is not one
    xdotool mousemove "$x" "$y" click 1
    # The next popover may open at once (a line that came in meanwhile): watch this window only.
    wait_for 3 sh -c "! xdotool search --onlyvisible --name '^Corvane Antivirus: Threat detected\$' | grep -qx '$window'" ||
        fail "Close did not close popover $((closed + 1))"
    lastWindow=$window
    closed=$((closed + 1))
done
wait "$scannerPid" || fail "the scanner failed"
sleep 2.5
has_popover "Threat detected" && fail "a popover opened after all $lines lines were closed"
[ -z "$(tr -d '\n' <"$data/detected_threats.txt")" ] || fail "lines left in the report file"
kill -0 "$agent" || fail "the agent is gone"
echo "real-clock stress: $lines threats shown once each and removed"
