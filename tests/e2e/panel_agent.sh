#!/usr/bin/env bash
# The real agent under a full desktop panel at the bottom edge (xfce4-panel, whose tray hosts
# StatusNotifier items, which tell no icon rectangle; openbox works out the free area from the
# panel's struts), watched by a screen reader's client over AT-SPI: before any click the threat
# popover opens just above the panel by the icon, a click into another window leaves it open, and
# it is announced as an alert whose name and description tell the threat; the USB popover's tell
# the device.
# Usage: panel_agent.sh <helper> <screenshot folder>
helper=$1
shots=$2
session_bus=private
source "$(dirname "$0")/session.sh"
need Xvfb openbox xfce4-panel xmessage xdotool xwininfo import convert
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: no pyatspi"; exit 77; }
# Each alert as it shows, until killed.
client='import pyatspi
def heard(event):
    if event.detail1 and event.source.getRole() == pyatspi.ROLE_ALERT:
        print(event.source.name, event.source.description.replace("\n", " "), sep=": ", flush=True)
pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing")
print("listening", flush=True)
pyatspi.Registry.start()'
export HOME=$home QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1  # the panel keeps its settings in $HOME
dbus-update-activation-environment HOME
channel=$HOME/.config/xfce4/xfconf/xfce-perchannel-xml  # the default panel, at the bottom edge
mkdir -p "$channel" && sed 's/"p=6;/"p=8;/' /etc/xdg/xfce4/panel/default.xml >"$channel/xfce4-panel.xml"
start_display
for program in openbox xfce4-panel "xmessage -geometry 320x80+80+400 work"; do
    $program >/dev/null 2>&1 & pids+=($!)
done
at_bottom() { xprop -root _NET_WORKAREA | grep -q ' = 0, 0, 1280, 7[0-9][0-9],'; }
wait_for 20 at_bottom || fail "no panel at the bottom: $(xprop -root _NET_WORKAREA)"
printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
start_agent xcb
/usr/bin/python3 -c "$client" alerts >"$home/alerts" &
pids+=($!)
wait_for 10 grep -q listening "$home/alerts" || fail "no screen reader"
printf '/home/user/setup.pkg\n' >>"$data/detected_threats.txt"
wait_for 5 grep -qE \
    '^Corvane Antivirus: Threat detected: .*setup.pkg.*Infected.*/home/user/setup.pkg.*Quarantine' \
    "$home/alerts" || fail "no alert heard that tells the threat: $(cat "$home/alerts")"
# Before any click: just above the panel, spanning the icon the panel draws.
mkdir -p "$shots" && import -window root "$shots/panel-threat.png"
panel=$(xprop -root _NET_WORKAREA | awk -F'[=,]' '{print $5}')  # its top
read -r cx _ < <(drawn_icon "$shots/panel-threat.png") || fail "no icon in the panel"
read -r x y w h < <(geometry "$(popover)")
bottom=$((y + h))
[ "$bottom" -le "$panel" ] && [ "$bottom" -ge $((panel - 12)) ] && [ "$x" -le "$cx" ] &&
    [ "$cx" -le $((x + w)) ] || fail "a popover at $x $y is not above the icon at $cx"
xdotool mousemove 150 440 click 1 && sleep 0.5
has_popover || fail "a click into another window closed the popover"
printf 'Travel Drive\n' >>"$data/detected_usb_device.txt"
wait_for 5 grep -q '^Corvane Antivirus: USB device attached: USB Info: .Travel Drive' \
    "$home/alerts" || fail "no alert heard that tells the device: $(cat "$home/alerts")"
echo "panel agent: ok (screenshot in $shots)"
