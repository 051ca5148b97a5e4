#!/usr/bin/env bash
# The real agent on a tiling Wayland compositor: sway (headless) with XWayland and waybar's tray,
# the agent on X as it chooses by itself. A left click on the icon opens waybar's menu, read from
# the agent over the bus, and no menu of the agent's own; a click on a row there switches the
# protection. A threat popover is 440 x 250 by the icon, where sway would have centred and
# focused a window it manages, and the terminal the user types in keeps the keyboard.
# Usage: sway_agent.sh <helper> <screenshot folder>
helper=$1
shots=$2
if [ "$(id -u)" -eq 0 ]; then  # sway refuses root: a throw-away user runs the session
    user=corvane-e2e-$$ out=$(mktemp -d)
    useradd --system --no-create-home "$user" && chown "$user" "$out" || exit 1
    trap 'mkdir -p "$shots" && cp "$out"/*.png "$shots"/; rm -rf "$out"; userdel -f "$user"' EXIT
    runuser -u "$user" -- "$0" "$helper" "$out"
    exit
fi
session_bus=private
source "$(dirname "$0")/session.sh"
need sway Xwayland waybar foot wtype grim swaymsg dbus-monitor python3 xdotool xwininfo convert
# Sway's seat offers clients a pointer only while it has a pointer device: a virtual one, held.
pointer='import ctypes as C
wl, P = C.CDLL("libwayland-client.so.0"), C.c_void_p
class I(C.Structure): _fields_ = [("name", C.c_char_p), ("version", C.c_int), ("requests", C.c_int),
                                  ("request", P), ("events", C.c_int), ("event", P)]
seat, registry = I.in_dll(wl, "wl_seat_interface"), I.in_dll(wl, "wl_registry_interface")
device = I(b"zwlr_virtual_pointer_v1", 1, 0, None, 0, None)
types = (P * 2)(C.addressof(seat), C.addressof(device))
text = lambda b: C.cast(C.c_char_p(b), P)
create = (P * 3)(text(b"create_virtual_pointer"), text(b"?on"), C.addressof(types))
manager = I(b"zwlr_virtual_pointer_manager_v1", 1, 1, C.addressof(create), 0, None)
wl.wl_display_connect.restype = wl.wl_proxy_marshal_flags.restype = P
send = lambda proxy, op, i, *args: P(wl.wl_proxy_marshal_flags(proxy, op, C.byref(i), 1, 0, *args))
display, names = P(wl.wl_display_connect(None)), {}
heard = C.CFUNCTYPE(None, P, P, C.c_uint32, C.c_char_p, C.c_uint32)(
    lambda data, proxy, name, interface, version: names.__setitem__(interface, name))
proxy = send(display, 1, registry, None)
wl.wl_proxy_add_listener(proxy, (P * 2)(C.cast(heard, P)), None)
wl.wl_display_roundtrip(display)
bind = lambda i: send(proxy, 0, i, C.c_uint32(names[i.name]), i.name, C.c_uint32(1), None)
send(bind(manager), 0, device, bind(seat), None)
while wl.wl_display_dispatch(display) >= 0: pass'
export HOME=$home XDG_RUNTIME_DIR=$home/run WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman
mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '%s\n' 'xwayland enable' 'output HEADLESS-1 resolution 1280x800' \
    "exec echo \$DISPLAY \$WAYLAND_DISPLAY \$SWAYSOCK >$home/env" >"$home/sway"
spawn sway -c "$home/sway"
wait_for 10 test -s "$home/env" || fail "sway did not start"
read -r DISPLAY WAYLAND_DISPLAY SWAYSOCK <"$home/env" && export DISPLAY WAYLAND_DISPLAY SWAYSOCK
echo '{"height": 28, "modules-right": ["tray"], "tray": {"icon-size": 20}}' >"$home/bar"
spawn waybar -c "$home/bar"
spawn python3 -c "$pointer"
spawn foot -a work sh -c "cat >$home/typed"
printf '{"realTimeProtection": true}' >"$data/settings.json"
start_agent
bar() { grim -g "0,0 1280x28" "$home/bar.png" && drawn_icon "$home/bar.png"; }
in_bar() { [ -n "$(bar)" ]; }
wait_for 10 in_bar || fail "the icon is not in waybar's tray"
read -r cx cy < <(bar)
cursor() { swaymsg -q seat seat0 cursor "$@"; }
click() { cursor set "$1" "$2" && cursor press "${3:-button1}" && cursor release "${3:-button1}"; }
dbus-monitor "type=method_call,path=/MenuBar" >"$home/bus" 2>&1 & pids+=($!)
wait_for 2 test -s "$home/bus" || fail "no bus monitor"
click "$cx" "$cy"
wait_for 3 grep -qE 'member=(AboutToShow|GetLayout|Event)' "$home/bus" ||
    fail "a left click on the icon did not open waybar's menu"
cursor set 900 400 && sleep 0.5
grim "$shots/sway-menu.png"
xdotool search --onlyvisible --class helper && fail "the agent opened a menu of its own"
# The menu is the white by the icon; its middle row, USB Protection, switches USB protection on.
read -r mw mh mx my < <(convert "$shots/sway-menu.png" -crop 640x200+640+0 +repage -fill black \
    +opaque white -format '%@\n' info: | tr 'x+' '  ')
click $((640 + mx + mw / 2)) $((my + mh / 2))
wait_for 3 grep -qxF "Updated usbProtection = true in settings.json" "$home/out" ||
    fail "a click on USB Protection in waybar's menu did not reach the agent"

# Waybar tells no position with a left click (and an icon-relative one with a middle click): the
# popover goes to the top right corner, by the icon at the bar's right end, wholly on the screen.
# The keys come from one keyboard that is there before the popover maps and after: sway gives a
# keyboard added later to the focused window, whoever had the keys before.
wtype -s 3000 during -k Return & typist=$!
printf '/home/user/setup.pkg\n' >>"$data/detected_threats.txt"
wait_for 3 has_popover || fail "no threat popover"
kill -0 "$typist" || fail "the keys were typed before the popover showed"
read -r x y w h < <(geometry "$(popover)")
[ "$w $h" = "440 250" ] && [ "$x" -le "$cx" ] && [ "$cx" -le $((x + w)) ] && [ "$y" -ge 0 ] &&
    [ "$y" -le 32 ] && [ $((x + w)) -le 1280 ] ||
    fail "a popover at $x $y, $w x $h, is not by the icon at $cx $cy"
wait "$typist" && wait_for 1 grep -qx during "$home/typed" ||
    fail "keys typed while the popover is up did not reach the terminal"
grim "$shots/sway-threat.png"

echo "sway agent: ok"
