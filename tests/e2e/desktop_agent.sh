#!/usr/bin/env bash
# The real agent on a real X display with a real tray host, driven like a user would: the icon
# docks, a click opens the menu, reported threats and devices open popovers without taking the
# keyboard focus from the window the user works in, and Close paces the next popover.
# Usage: desktop_agent.sh <helper> <screenshot folder>
set -euo pipefail
helper=$1
shots=$2
for tool in Xvfb trayer xdotool xwininfo xmessage import convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
mkdir -p "$shots"
rm -f "$shots/failure.png"
home=$(mktemp -d)
data="$home/Library/Application Support/Corvane Antivirus"
mkdir -p "$data"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    import -display "$DISPLAY" -window root "$shots/failure.png" 2>/dev/null || true
    echo "--- agent output ---" >&2
    cat "$home/out" >&2 || true
    exit 1
}
# Polls `condition` every 0.1 s for at most `seconds`.
wait_for() {
    local seconds=$1
    shift
    local tries=$((seconds * 10))
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

n=90
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
wait_for 5 test -e "/tmp/.X11-unix/X$n" || fail "Xvfb did not start"
trayer --edge top --align right --widthtype request --height 28 --transparent false \
    --tint 0x303030 >/dev/null 2>&1 &
pids+=($!)
wait_for 5 sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"' ||
    fail "trayer did not start"

# The user works in another window, which holds the keyboard focus throughout.
xmessage -geometry 320x80+80+400 "the user's work" >/dev/null 2>&1 &
pids+=($!)
wait_for 5 sh -c 'xdotool search --onlyvisible --class xmessage >/dev/null' || fail "no xmessage"
workWindow=$(xdotool search --onlyvisible --class xmessage | head -n 1)
xdotool windowfocus --sync "$workWindow"

printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
HOME=$home QT_QPA_PLATFORM=xcb "$helper" >"$home/out" 2>"$home/err" &
agent=$!
pids+=("$agent")

docked() { xwininfo -root -tree | grep -A8 '"panel": ("panel" "trayer")' | grep -q '("helper" "helper")'; }
wait_for 10 docked || fail "the icon did not dock in the tray"
icon=$(xwininfo -root -tree | grep '("helper" "helper")' | head -n 1 | awk '{print $1}')
read -r iconX iconY < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
import -window root "$shots/01-tray.png"

visible_windows() { xdotool search --onlyvisible --class helper 2>/dev/null | wc -l; }
before=$(visible_windows)
xdotool mousemove $((iconX + 10)) $((iconY + 10)) click 1
wait_for 3 sh -c "[ \$(xdotool search --onlyvisible --class helper 2>/dev/null | wc -l) -gt $before ]" ||
    fail "a click on the icon opened no menu"
sleep 0.3
import -window root "$shots/02-menu.png"
xdotool key Escape
xdotool mousemove 600 600 click 1
xdotool windowfocus --sync "$workWindow"

popover() { xdotool search --onlyvisible --name "^Corvane Antivirus: $1\$" 2>/dev/null | head -n 1; }
has_popover() { [ -n "$(popover "$1")" ]; }
focus_is_kept() {
    [ "$(xdotool getwindowfocus)" = "$workWindow" ] || fail "the popover took the keyboard focus"
}

# Centre of the right-most green button of a popover window, found in its pixels.
close_button() {
    local window=$1 geometry
    # Off the popover first: a hovered button is drawn in the lighter green.
    xdotool mousemove 600 700
    sleep 0.4
    import -window "$window" "$home/popover.png"
    geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
    convert "$home/popover.png" txt:- | awk -v origin="$geometry" -F'[,: ]+' '
        /#009426/ { green[$1] = 1; rows[$1] += $2; count[$1]++ }
        END {
            split(origin, o, " ")
            for (x in green) if (x + 0 > right) right = x + 0
            left = right
            while ((left - 1) in green) left--
            for (x = left; x <= right; x++) { sum += rows[x]; n += count[x] }
            if (n == 0) exit 1
            printf "%d %d\n", o[1] + (left + right) / 2, o[2] + sum / n
        }'
}

printf '\n/home/user/Downloads/setup.pkg\n' >>"$data/detected_threats.txt"
started=$(date +%s%N)
wait_for 3 has_popover "Threat detected" || fail "no threat popover within 3 s"
echo "threat popover after $((($(date +%s%N) - started) / 1000000)) ms"
focus_is_kept
printf '\n/home/user/Downloads/invoice.zip\n' >>"$data/detected_threats.txt"
sleep 1.5
[ "$(xdotool search --onlyvisible --name '^Corvane Antivirus: Threat detected$' | wc -l)" -eq 1 ] ||
    fail "a second threat must wait, not open a second popover"
import -window root "$shots/03-threat.png"

threat=$(popover "Threat detected")
read -r closeX closeY < <(close_button "$threat") || fail "no Close button found"
xdotool mousemove "$closeX" "$closeY" click 1
wait_for 2 sh -c "! xdotool search --onlyvisible --name '^Corvane Antivirus: Threat detected\$' >/dev/null" ||
    fail "Close did not close the threat popover"
wait_for 3 sh -c "! grep -q setup.pkg '$data/detected_threats.txt'" ||
    fail "the acknowledged line is still in the report file"
wait_for 3 has_popover "Threat detected" || fail "the next threat popover did not follow"
focus_is_kept
import -window root "$shots/04-next-threat.png"
read -r closeX closeY < <(close_button "$(popover "Threat detected")")
xdotool mousemove "$closeX" "$closeY" click 1
wait_for 3 sh -c "[ ! -s '$data/detected_threats.txt' ]" || fail "the report file is not empty"

printf '\nSanDisk Ultra 64GB\n' >>"$data/detected_usb_device.txt"
wait_for 3 has_popover "USB device attached" || fail "no USB popover within 3 s"
focus_is_kept
import -window root "$shots/05-usb.png"
read -r closeX closeY < <(close_button "$(popover "USB device attached")")
xdotool mousemove "$closeX" "$closeY" click 1
wait_for 2 sh -c "! xdotool search --onlyvisible --name '^Corvane Antivirus: USB device attached\$' >/dev/null" ||
    fail "Close did not close the USB popover"
wait_for 2 sh -c "[ ! -s '$data/detected_usb_device.txt' ]" || fail "the device line is still in the file"

printf '{"realTimeProtection": true, "usbProtection": false}' >"$data/settings.json"
printf '\nKingston DataTraveler\n' >>"$data/detected_usb_device.txt"
sleep 2.5
has_popover "USB device attached" && fail "a USB popover opened while USB protection is off"
grep -q '^USB Protection is OFF, skipping USB info load.$' "$home/out" || fail "no skip line"
kill -0 "$agent" || fail "the agent is gone"
echo "desktop agent: ok (screenshots in $shots)"
