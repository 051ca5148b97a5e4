#!/usr/bin/env bash
# The real agent in a Wayland session that also offers an X display (Xvfb stands in for
# XWayland): unless the user chose a platform it runs on X, where its icon docks in the tray and
# a threat popover hangs under it. A platform the user chose is kept.
# Usage: wayland_agent.sh <helper>
helper=$1
source "$(dirname "$0")/session.sh"
need Xvfb trayer weston xdotool xwininfo
export XDG_RUNTIME_DIR=$home/run XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-e2e
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" >"$home/weston" 2>&1 &
pids+=($!)
wait_for 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "weston did not start"
start_display tray
start_agent ""
wait_for 10 docked || fail "the agent did not run on X: no icon in the tray"
printf '/home/user/setup.pkg\n' >>"$data/detected_threats.txt"
wait_for 3 has_popover || fail "no threat popover"
under_icon "$(popover)" || fail "a popover at $(geometry "$(popover)") is not under the icon"
kill "$agent"
start_agent wayland
wait_for 10 sh -c "[ \$(grep -c 'USB Protection is OFF' '$home/out') -ge 2 ]" ||
    fail "the agent on Wayland did not tick"
xwininfo -root -tree | grep -q '"helper" "helper"' && fail "QT_QPA_PLATFORM=wayland ran on X"
echo "wayland agent: ok"
