#!/usr/bin/env bash
# The real agent on an X display whose session bus has a StatusNotifierWatcher: its tray menu
# is exported over D-Bus with checkmark items carrying the stored settings, and a click sent
# over the bus reaches the agent and is written to the settings file.
# Usage: statusnotifier_agent.sh <helper> <statusnotifierwatcher>
set -euo pipefail
helper=$1
watcher=$2

skip() { echo "SKIP: $*"; exit 77; }
for tool in dbus-run-session gdbus Xvfb; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done

# Everything runs on a private session bus, torn down with this script.
if [ "${STATUSNOTIFIER_TEST_PRIVATE_BUS:-}" != 1 ]; then
    STATUSNOTIFIER_TEST_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    echo "--- agent stdout:" >&2
    cat "$work/agent.out" >&2 2>/dev/null || true
    echo "--- agent stderr:" >&2
    cat "$work/agent.err" >&2 2>/dev/null || true
    exit 1
}

# Polls a command every 0.1 s for at most the given seconds.
wait_for() {
    local tries=$(($1 * 10))
    shift
    while ! "$@" 2>/dev/null; do
        ((--tries > 0)) || return 1
        sleep 0.1
    done
}
nonempty() { [ -s "$1" ]; }
has_line() { grep -qxF "$2" "$1"; }
bus_has() {
    gdbus call --session -t 5 -d org.freedesktop.DBus -o /org/freedesktop/DBus \
        -m org.freedesktop.DBus.NameHasOwner "$1" | grep -q true
}

home="$work/home"
data="$home/Library/Application Support/Corvane Antivirus"
mkdir -p "$data" "$work/runtime"
chmod 700 "$work/runtime"
printf '{"realTimeProtection": true, "usbProtection": false}\n' >"$data/settings.json"

# Xvfb picks a free display itself and names it once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 20 nonempty "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
display=":$(tr -d '[:space:]' <"$work/display")"

"$watcher" >"$work/watcher.out" 2>"$work/watcher.err" &
pids+=($!)
wait_for 20 bus_has org.kde.StatusNotifierWatcher ||
    fail "the watcher did not take its name: $(cat "$work/watcher.err")"

env -u WAYLAND_DISPLAY HOME="$home" DISPLAY="$display" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb "$helper" >"$work/agent.out" 2>"$work/agent.err" &
agent=$!
pids+=("$agent")

wait_for 30 grep -q '^registered ' "$work/watcher.out" || fail "the agent registered no tray item"
read -r _ service item <"$work/watcher.out"

menu=$(gdbus call --session -t 5 -d "$service" -o "$item" \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem Menu) ||
    fail "no Menu property on $service $item"
menu=$(sed -n "s/^(<objectpath '\([^']*\)'>,)$/\1/p" <<<"$menu")
[ -n "$menu" ] || fail "the Menu property is not an object path"

# One line per top-level entry: "id|label|toggle-type|toggle-state|shortcut", or "id|separator".
property() { sed -n "s/.*'$2': <\($3\)>.*/\1/p" <<<"$1"; }
menu_rows() {
    gdbus call --session -t 5 -d "$service" -o "$menu" \
        -m com.canonical.dbusmenu.GetLayout -- 0 -1 '[]' | sed 's/<(/\n/g' | tail -n +2 |
        while IFS= read -r entry; do
            local id=${entry%%,*}
            if grep -qF "'type': <'separator'>" <<<"$entry"; then
                echo "$id|separator"
                continue
            fi
            echo "$id|$(property "$entry" label "'[^']*'")|$(property "$entry" toggle-type "'[^']*'")|$(property "$entry" toggle-state '-\?[0-9]*')|$(property "$entry" shortcut '\[\[[^]]*\]\]')"
        done
}
layout_is() {  # expected rows without their ids
    local rows
    rows=$(menu_rows) || fail "GetLayout failed on $service $menu"
    [ "$(cut -d'|' -f2- <<<"$rows")" = "$1" ] ||
        fail "menu layout: expected
$1
got
$rows"
}

layout_is "'Real Time Protection'|'checkmark'|1|
separator
'USB Protection'|'checkmark'|0|
separator
'Open Corvane Antivirus'|||[['Control', 'Shift', 'O']]
separator"

usb=$(menu_rows | sed -n "s/^\([0-9]*\)|'USB Protection'|.*/\1/p")
gdbus call --session -t 5 -d "$service" -o "$menu" \
    -m com.canonical.dbusmenu.Event -- "$usb" clicked '<0>' 0 >/dev/null ||
    fail "the click event was refused"

wait_for 10 has_line "$work/agent.out" "Updated usbProtection = true in settings.json" ||
    fail "the click did not update the setting"
grep -Eq '"usbProtection"[[:space:]]*:[[:space:]]*true' "$data/settings.json" ||
    fail "settings.json does not hold usbProtection true: $(cat "$data/settings.json")"
grep -Eq '"realTimeProtection"[[:space:]]*:[[:space:]]*true' "$data/settings.json" ||
    fail "settings.json lost realTimeProtection: $(cat "$data/settings.json")"
if grep -q '^Updated realTimeProtection' "$work/agent.out"; then
    fail "the click reached Real Time Protection too"
fi

# The menu shown next time carries the new state.
layout_is "'Real Time Protection'|'checkmark'|1|
separator
'USB Protection'|'checkmark'|1|
separator
'Open Corvane Antivirus'|||[['Control', 'Shift', 'O']]
separator"

kill -0 "$agent" 2>/dev/null || fail "the agent exited"
echo "status notifier agent: ok"
