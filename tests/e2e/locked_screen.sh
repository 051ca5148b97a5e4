#!/usr/bin/env bash
# Nothing over a locked screen: the real agent under a screen saver service on the session bus (a
# stand-in), the X server's own screen saver, and then a real X screen locker. A popover that comes while the screen is locked is not
# mapped; the ones on screen are unmapped; after the unlock all show again, the newest on top, and
# the report files keep every line, as none was closed. The locker refuses to lock for root and
# needs a password the test knows: as root the test makes a throw-away user to run it.
# Usage: locked_screen.sh <helper> <screenshot folder>
helper=$1
shots=$2
session_bus=private
source "$(dirname "$0")/session.sh"
need Xvfb trayer xdotool xwininfo xprop xset import xscreensaver xscreensaver-command setpriv
/usr/bin/python3 -c 'import dbus.service, gi' 2>/dev/null ||
    { echo "SKIP: no python3-dbus"; exit 77; }
saver='import sys, dbus, dbus.service, dbus.mainloop.glib
from gi.repository import GLib
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
class Saver(dbus.service.Object):
    active = sys.argv[1] == "active"
    @dbus.service.method("org.freedesktop.ScreenSaver", out_signature="b")
    def GetActive(self): return self.active
    @dbus.service.method("org.freedesktop.ScreenSaver", in_signature="b", out_signature="b")
    def SetActive(self, active):
        self.active = bool(active); self.ActiveChanged(self.active); return True
    @dbus.service.signal("org.freedesktop.ScreenSaver", signature="b")
    def ActiveChanged(self, active): pass
name = dbus.service.BusName("org.freedesktop.ScreenSaver", dbus.SessionBus())
Saver(dbus.SessionBus(), "/org/freedesktop/ScreenSaver")
GLib.MainLoop().run()'
set_saver() {
    gdbus call --session -d org.freedesktop.ScreenSaver -o /org/freedesktop/ScreenSaver \
        -m org.freedesktop.ScreenSaver.SetActive "$1" >/dev/null
}
# The agent's popovers from the bottom of the stack up, each with its map state.
stack() {
    xwininfo -root -children | tac |
        sed -n 's/^ *\(0x[0-9a-f]*\) "Corvane Antivirus: \([^"]*\)".*/\1 \2/p' |
        while read -r id title; do
            echo "$(xwininfo -id "$id" | awk '/Map State/ {print $3}') $title"
        done
}
mapped() { [ "$(stack | grep -c IsViewable || true)" -eq "$1" ]; }
still_none_mapped() { sleep 2.5 && mapped 0 || fail "mapped while locked: $(stack)"; }  # two ticks
mkdir -p "$shots"
start_display tray
/usr/bin/python3 -c "$saver" active & pids+=($!)
wait_for 10 gdbus introspect --session -d org.freedesktop.ScreenSaver -o / >/dev/null ||
    fail "no stand-in screen saver"
printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
start_agent xcb
wait_for 10 docked || fail "the icon did not dock in the tray"
printf '/home/user/payroll.xlsx\n' >>"$data/detected_threats.txt"
still_none_mapped
set_saver false
wait_for 3 mapped 1 || fail "no popover after the unlock: $(stack)"
printf 'Travel Drive\n' >>"$data/detected_usb_device.txt"
wait_for 3 mapped 2 || fail "no USB popover: $(stack)"
set_saver true
wait_for 3 mapped 0 || fail "popovers left on a locked screen: $(stack)"
set_saver false
wait_for 3 mapped 2 || fail "the popovers did not come back: $(stack)"
xset s activate && wait_for 3 mapped 0 || fail "popovers over the server's screen saver: $(stack)"
xset s reset && wait_for 3 mapped 2 || fail "the popovers did not come back: $(stack)"

[ "$(id -u)" -eq 0 ] || { echo "SKIP: the locker needs a throw-away user: run as root"; exit 77; }
user=corvane-lock-$$ password=$RANDOM$RANDOM
useradd --no-create-home --shell /usr/sbin/nologin "$user" && chpasswd <<<"$user:$password"
trap 'cleanup; userdel -f "$user" 2>/dev/null' EXIT
locker_home=$home/locker && mkdir -p "$locker_home" && chmod 711 "$home"
printf 'mode: blank\nfade: False\nunfade: False\nsplash: False\n' >"$locker_home/.xscreensaver"
chown -R "$user" "$locker_home"
as_user() {
    setpriv --reuid="$user" --regid="$user" --init-groups \
        env -i PATH=/usr/bin:/bin HOME="$locker_home" DISPLAY="$DISPLAY" "$@"
}
as_user xscreensaver -no-splash >"$home/locker.log" 2>&1 & pids+=($!)
wait_for 10 as_user xscreensaver-command -version >/dev/null || fail "the locker did not start"
as_user xscreensaver-command -lock >/dev/null
wait_for 5 sh -c 'xprop -root 32a _SCREENSAVER_STATUS | grep -q "= LOCK,"' || fail "not locked"
wait_for 3 mapped 0 || fail "popovers over the locker: $(stack)"
printf 'Backup Disk\n' >>"$data/detected_usb_device.txt"
still_none_mapped
for _ in 1 2 3; do  # the password dialog loses keys typed while it is still drawing
    xdotool key shift
    wait_for 5 sh -c "xwininfo -root -children | grep '\"XScreenSaver\": ' | grep -qv 1280x800" &&
        sleep 1 && import -window root "$shots/locked.png" &&
        xdotool type --delay 80 "$password" && xdotool key Return
    wait_for 8 sh -c 'xprop -root _SCREENSAVER_STATUS | grep -q "= 0,"' && break
done
wait_for 3 mapped 3 || fail "the popovers did not come back after the locker: $(stack)"
order=$(stack | cut -d' ' -f2- | tr '\n' ,)
[ "$order" = "Threat detected,USB device attached,USB device attached," ] ||
    fail "not shown again oldest first: $(stack)"
import -window root "$shots/unlocked.png"
grep -qx /home/user/payroll.xlsx "$data/detected_threats.txt" &&
    [ "$(grep -cxE 'Travel Drive|Backup Disk' "$data/detected_usb_device.txt")" -eq 2 ] ||
    fail "a line no one closed left the report files"
echo "locked screen: ok (screenshots in $shots)"
