#!/usr/bin/env bash
# The real agent on a private X display with a tray host, driven as a user would: the icon docks,
# a reported threat opens its popover under the icon in a window no window manager handles,
# without taking the keyboard focus from the window the user works in; Close closes it, and the
# next follows about a second later. A click on the icon opens the agent's menu at the icon; Escape
# or a click elsewhere closes it.
# Usage: desktop_agent.sh <helper> <screenshot folder>
helper=$1
shots=$2
source "$(dirname "$0")/session.sh"
need Xvfb trayer xdotool xwininfo xprop xmessage import convert
mkdir -p "$shots"
rm -f "$shots/failure.png"
start_display tray
xmessage -geometry 320x80+80+400 "the user's work" >/dev/null 2>&1 &
pids+=($!)
wait_for 5 xdotool search --onlyvisible --class xmessage >/dev/null || fail "no window to work in"
work=$(xdotool search --onlyvisible --class xmessage | head -n 1)
xdotool windowfocus --sync "$work"
printf '{"realTimeProtection": true}' >"$data/settings.json"
start_agent xcb
wait_for 10 docked || fail "the icon did not dock in the tray"
import -window root "$shots/01-tray.png"

printf '\n/home/user/setup.pkg\n/home/user/invoice.zip\n' >>"$data/detected_threats.txt"
for shot in 02-threat 03-next-threat; do
    wait_for 3 has_popover || fail "no threat popover ($shot)"
    [ -z "${closed:-}" ] || elapsed=$((($(date +%s%N) - closed) / 1000000))
    [ "${elapsed:-1000}" -ge 800 ] && [ "${elapsed:-1000}" -le 2500 ] ||
        fail "the next popover opened $elapsed ms after Close, not about a second"
    [ "$(popovers | wc -l)" -eq 1 ] || fail "more than one threat popover"
    [ "$(xdotool getwindowfocus)" = "$work" ] || fail "the popover took the keyboard focus"
    under_icon "$(popover)" || fail "a popover at $(geometry "$(popover)") is not under the icon"
    echo "$shot: under the icon${elapsed:+, $elapsed ms after Close}"
    import -window root "$shots/$shot.png"
    shown=$(popover)
    press_close
    closed=$(date +%s%N)
    wait_for 2 gone "$shown" || fail "Close did not close the popover"
done
wait_for 3 sh -c "[ ! -s '$data/detected_threats.txt' ]" || fail "threats left in the report file"
menu_up() {  # a window of the agent's wider than its icon that is no popover
    for window in $(xdotool search --onlyvisible --class helper); do
        [ "$(geometry "$window" | cut -d' ' -f3)" -gt 100 ] &&
            ! xprop -id "$window" WM_NAME | grep -q Corvane && return 0
    done
    return 1
}
menu_gone() { ! menu_up; }
read -r iconX iconY iconW iconH < <(geometry "$(icon | head -n 1)")
for closer in "key Escape" "mousemove 150 440 click 1"; do
    xdotool mousemove $((iconX + iconW / 2)) $((iconY + iconH / 2)) click 1
    wait_for 2 menu_up || fail "a click on the icon opened no menu"
    [ "$closer" = "key Escape" ] && import -window root "$shots/04-menu.png"
    sleep 0.5  # as a user takes the time to see the menu: it grabs the keyboard once mapped
    xdotool $closer
    wait_for 2 menu_gone || fail "the menu stayed open after $closer"
done
kill -0 "$agent" || fail "the agent is gone"
echo "desktop agent: ok (screenshots in $shots)"
