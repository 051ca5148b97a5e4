#!/usr/bin/env bash
# The real agent where the tray is a StatusNotifierWatcher on the session bus that comes up after
# the agent, as a panel may at login: the icon registers within a second; a click on the icon
# dismisses the popover, and the next one hangs where the host said the click was. A watcher that
# restarts gets the icon again.
# Usage: statusnotifier_agent.sh <helper> <statusnotifierwatcher>
helper=$1
watcher_tool=$2
session_bus=private
source "$(dirname "$0")/session.sh"
need gdbus Xvfb
start_display
start_watcher() {
    "$watcher_tool" >"$home/watcher" &
    watcher=$! && pids+=("$watcher")
    wait_for 10 gdbus introspect --session -d org.kde.StatusNotifierWatcher -o / >/dev/null ||
        fail "the watcher did not take its name"
    wait_for 1 grep -q '^registered ' "$home/watcher" ||
        fail "the agent registered no tray item within a second of the watcher"
}
start_agent xcb
wait_for 10 grep -q "USB Protection is OFF" "$home/out" || fail "the agent did not start"
start_watcher
read -r _ service item <"$home/watcher"
printf '/home/user/one.exe\n/home/user/two.exe\n' >>"$data/detected_threats.txt"
wait_for 5 has_popover || fail "no popover"
gdbus call --session -d "$service" -o "$item" -m org.kde.StatusNotifierItem.Activate 700 300 \
    >/dev/null || fail "the click was refused"
wait_for 3 sh -c '! grep -q one.exe "$0"' "$data/detected_threats.txt" ||
    fail "a click on the icon did not close the popover as its Close button does"
wait_for 3 has_popover || fail "the next threat shows no popover"
[ "$(geometry "$(popover)")" = "480 305 440 250" ] ||
    fail "not under the host's click: $(geometry "$(popover)")"
kill "$watcher"
start_watcher
kill -0 "$agent" || fail "the agent exited"
echo "status notifier agent: ok"
