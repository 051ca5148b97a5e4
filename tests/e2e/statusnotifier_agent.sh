#!/usr/bin/env bash
# The real agent where the tray is a StatusNotifierWatcher on the session bus that comes up after
# the agent, as a panel may at login: the icon registers within a second as an item that is a
# menu, its menu is whole from the first read with checkmarks carrying the stored settings, and a
# click sent over the bus reaches the agent and is written to settings.json. With no panel and no
# click the popover hangs at the top right corner; a click on the icon dismisses it, and the next
# one hangs where the host said the click was. A watcher that restarts gets the icon again.
# Usage: statusnotifier_agent.sh <helper> <statusnotifierwatcher>
helper=$1
watcher_tool=$2
session_bus=private
source "$(dirname "$0")/session.sh"
need gdbus Xvfb
printf '{"realTimeProtection": true, "usbProtection": false}' >"$data/settings.json"
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
property() { gdbus call --session -d "$service" -o "$item" -m org.freedesktop.DBus.Properties.Get \
    org.kde.StatusNotifierItem "$1"; }
menu=$(property Menu | sed -n "s/^(<objectpath '\(.*\)'>,)$/\1/p")
[ "$(property ItemIsMenu)" = "(<true>,)" ] || fail "the item does not say it is a menu"
layout() {
    gdbus call --session -d "$service" -o "$menu" -m com.canonical.dbusmenu.GetLayout -- 0 -1 '[]'
}
shows() {  # <USB state>: both switches, as the settings have them, and Open with its shortcut
    for entry in "'Real Time Protection'>, 'toggle-state': <1>, 'toggle-type': <'checkmark'>" \
        "'USB Protection'>, 'toggle-state': <$1>, 'toggle-type': <'checkmark'>" \
        "'Open Corvane Antivirus'>, 'shortcut': <[['Control', 'Shift', 'O']]>"; do
        layout | grep -qF "'label': <$entry" || fail "menu without $entry: $(layout)"
    done
}
shows 0
usb=$(layout | sed 's/<(/\n/g' | sed -n "s/^\([0-9]*\), .*'USB Protection'.*/\1/p")
gdbus call --session -d "$service" -o "$menu" -m com.canonical.dbusmenu.Event -- "$usb" clicked \
    '<0>' 0 >/dev/null || fail "the click was refused"
wait_for 10 grep -qxF "Updated usbProtection = true in settings.json" "$home/out" ||
    fail "the click did not update the setting"
grep -q '^Updated realTimeProtection' "$home/out" && fail "the click reached Real Time Protection"
tr -d ' \n' <"$data/settings.json" | grep -qF '"realTimeProtection":true,"usbProtection":true' ||
    fail "settings.json: $(cat "$data/settings.json")"
shows 1
printf '/home/user/one.exe\n/home/user/two.exe\n' >>"$data/detected_threats.txt"
wait_for 5 has_popover || fail "no popover"
[ "$(geometry "$(popover)")" = "840 5 440 250" ] || fail "not at the top right: $(geometry "$(popover)")"
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
