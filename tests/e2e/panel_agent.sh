#!/usr/bin/env bash
# The real agent under a full desktop panel at the bottom edge (xfce4-panel with its task list and
# a tray that hosts StatusNotifier items, which tell no icon rectangle), watched by a screen
# reader's client over AT-SPI: before any click the threat popover opens just above the panel by
# the icon, stays out of the task list that lists a normal window, a click into that window leaves
# it open, and it is announced as an alert whose name and description tell the threat; the USB
# popover's tell the device. The window manager is
# openbox, which lists a window as the window asks: xfwm4 leaves out any window that names an
# owner by itself, so there the test could not fail.
# Usage: panel_agent.sh <helper> <screenshot folder>
helper=$1
shots=$2
session_bus=private
source "$(dirname "$0")/session.sh"
need Xvfb openbox xfce4-panel xmessage xdotool xwininfo import convert
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: no pyatspi"; exit 77; }
# tasks: the names in the panel's task list; alerts: each alert as it shows, until killed.
client='import sys, pyatspi
def heard(event):
    if event.detail1 and event.source.getRole() == pyatspi.ROLE_ALERT:
        print(event.source.name, event.source.description.replace("\n", " "), sep=": ", flush=True)
if sys.argv[1] == "tasks":
    for app in (app for app in pyatspi.Registry.getDesktop(0) if app and app.name == "xfce4-panel"):
        print(*(task.name for task in pyatspi.findAllDescendants(
            app, lambda a: a.getRole() == pyatspi.ROLE_TOGGLE_BUTTON)), sep="\n")
else:
    pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing")
    print("listening", flush=True)
    pyatspi.Registry.start()'
listed() { /usr/bin/python3 -c "$client" tasks | grep -qx "$1"; }
export HOME=$home QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1  # the panel keeps its settings in $HOME
dbus-update-activation-environment HOME
start_display
for program in openbox xfce4-panel "xmessage -geometry 320x80+80+400 work"; do
    $program >/dev/null 2>&1 & pids+=($!)
done
wait_for 20 listed xmessage || fail "the panel's task list does not list a normal window"
xfconf-query -c xfce4-panel -p /panels/panel-1/position -s 'p=8;x=0;y=0'  # to the bottom edge
at_bottom() { xprop -root _NET_WORKAREA | grep -q ' = 0, 0, 1280, 7[0-9][0-9],'; }
wait_for 5 at_bottom || fail "the panel did not move to the bottom: $(xprop -root _NET_WORKAREA)"
printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
start_agent xcb
/usr/bin/python3 -c "$client" alerts >"$home/alerts" &
pids+=($!)
wait_for 10 grep -q listening "$home/alerts" || fail "no screen reader"
printf '/home/user/setup.pkg\n' >>"$data/detected_threats.txt"
wait_for 5 grep -qE \
    '^Corvane Antivirus: Threat detected: .*setup.pkg.*Infected.*/home/user/setup.pkg.*Quarantine' \
    "$home/alerts" || fail "no alert heard that tells the threat: $(cat "$home/alerts")"
listed 'Corvane Antivirus: Threat detected' && fail "the popover is listed as a task"
# Before any click: just above the panel, spanning the icon the panel draws.
import -window root "$home/shot.png"
panel=$(xprop -root _NET_WORKAREA | awk -F'[=,]' '{print $5}')  # its top
read -r ix _ iw _ < <(drawn_icon "$home/shot.png" "1280x$((800 - panel))+0+$panel") ||
    fail "no icon in the panel"
read -r x y w h < <(geometry "$(popover)")
cx=$((ix + iw / 2)) bottom=$((y + h))
[ "$bottom" -le "$panel" ] && [ "$bottom" -ge $((panel - 12)) ] && [ "$x" -le "$cx" ] &&
    [ "$cx" -le $((x + w)) ] || fail "a popover at $x $y is not above the icon at $cx"
xdotool mousemove 150 440 click 1 && sleep 0.5
has_popover || fail "a click into another window closed the popover"
mkdir -p "$shots" && import -window root "$shots/panel-threat.png"
printf 'Travel Drive\n' >>"$data/detected_usb_device.txt"
wait_for 5 grep -q '^Corvane Antivirus: USB device attached: USB Info: .Travel Drive' \
    "$home/alerts" || fail "no alert heard that tells the device: $(cat "$home/alerts")"
echo "panel agent: ok (screenshot in $shots)"
