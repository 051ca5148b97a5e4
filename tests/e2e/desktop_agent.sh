#!/usr/bin/env bash
# The real agent on a real X display with a real tray host, driven like a user would: the icon
# docks, a click opens the menu, reported threats and devices open popovers without taking the
# keyboard focus from the window the user works in, and Close paces the next popover.
# Usage: desktop_agent.sh <helper> <screenshot folder>
set -euo pipefail
helper=$1
shots=$2
source "$(dirname "$0")/desktop_session.sh"
start_desktop

# The user works in another window, which holds the keyboard focus throughout.
xmessage -geometry 320x80+80+400 "the user's work" >/dev/null 2>&1 &
pids+=($!)
wait_for 5 sh -c 'xdotool search --onlyvisible --class xmessage >/dev/null' || fail "no xmessage"
workWindow=$(xdotool search --onlyvisible --class xmessage | head -n 1)
xdotool windowfocus --sync "$workWindow"

printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
start_agent

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

focus_is_kept() {
    [ "$(xdotool getwindowfocus)" = "$workWindow" ] || fail "the popover took the keyboard focus"
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

press_close "Threat detected"
wait_for 2 sh -c "! xdotool search --onlyvisible --name '^Corvane Antivirus: Threat detected\$' >/dev/null" ||
    fail "Close did not close the threat popover"
wait_for 3 sh -c "! grep -q setup.pkg '$data/detected_threats.txt'" ||
    fail "the acknowledged line is still in the report file"
wait_for 3 has_popover "Threat detected" || fail "the next threat popover did not follow"
focus_is_kept
import -window root "$shots/04-next-threat.png"
press_close "Threat detected"
wait_for 3 sh -c "[ ! -s '$data/detected_threats.txt' ]" || fail "the report file is not empty"

printf '\nSanDisk Ultra 64GB\n' >>"$data/detected_usb_device.txt"
wait_for 3 has_popover "USB device attached" || fail "no USB popover within 3 s"
focus_is_kept
import -window root "$shots/05-usb.png"
press_close "USB device attached"
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
