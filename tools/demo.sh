#!/usr/bin/env bash
# A guided walk through the agent on a private display with a tray host and a scratch home:
# the menu, a threat popover, hovering View, Close and the next threat, a USB popover, and Scan
# Now handing over to the stand-in main application. One screenshot per step, the two popovers
# cut out on their own (popover-threat.png, popover-usb.png) and a labelled contact sheet go to
# the picture folder. With QT_SCALE_FACTOR=2 in the environment the agent draws at two pixels
# per point.
#
# As root, everything runs in a private mount namespace whose root is a tree of bind mounts with
# an added /Applications on a tmpfs, holding a copy of the stand-in bundle. The machine's own
# root is never changed. Otherwise the hand-off cannot find the bundle, and the stand-in is
# started directly after Scan Now to show what the agent left for it.
# Usage: tools/demo.sh <build dir> <picture folder>
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
pictures=$(cd "$2" && pwd)
bundle="$build/Corvane Antivirus.app"
standin="$bundle/Contents/MacOS/corvane-antivirus"
for built in "$build/bin/helper" "$build/bin/standinscanner" "$standin"; do
    [ -x "$built" ] || { echo "demo: $built is not built" >&2; exit 1; }
done

stage=${DEMO_STAGE:-}
if [ -z "$stage" ] && [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null &&
    command -v chroot >/dev/null; then
    exec env DEMO_STAGE=namespace unshare --mount --propagation private "$0" "$build" "$pictures"
fi
if [ "$stage" = namespace ]; then
    # Every mount below lives in this namespace only and goes away with it.
    root=$(mktemp -d)
    mount -t tmpfs -o mode=0755 demo-root "$root"
    for entry in /*; do
        name=${entry#/}
        if [ -L "$entry" ]; then
            cp -P "$entry" "$root/$name"
        elif [ -d "$entry" ]; then
            mkdir "$root/$name"
            mount --rbind "$entry" "$root/$name"
        fi
    done
    mkdir -p "$root/Applications"
    mount -t tmpfs -o mode=0755 applications "$root/Applications"
    cp -a "$bundle" "$root/Applications/Corvane Antivirus.app"
    exec chroot "$root" env -C "$PWD" DEMO_STAGE=handoff "$here/tools/demo.sh" "$build" "$pictures"
fi

helper=$build/bin/helper
shots=$pictures
rm -f "$pictures"/[0-9][0-9]-*.png "$pictures"/popover-*.png "$pictures/contact-sheet.png"
# shellcheck source=tests/e2e/session.sh
source "$here/tests/e2e/session.sh"
installed="/Applications/Corvane Antivirus.app/Contents/MacOS/corvane-antivirus"

# The stand-in runs detached from the agent; it is found by its executable and ended by its id.
standin_pids() {
    local process exe
    for process in /proc/[0-9]*; do
        exe=$(readlink "$process/exe" 2>/dev/null) || continue
        if [ "$exe" = "$installed" ] || [ "$exe" = "$standin" ]; then echo "${process#/proc/}"; fi
    done
}
stop_standin() {
    local pid
    for pid in $(standin_pids); do kill "$pid" 2>/dev/null || true; done
}
trap 'stop_standin; cleanup' EXIT

labels=()
step=0
shot() {
    step=$((step + 1))
    local file
    file=$(printf '%s/%02d-%s.png' "$pictures" "$step" "$1")
    sleep 0.4
    import -window root "$file"
    labels+=(-label "$step. $2" "$file")
    echo "  $step. $2: $file"
}
titled() { xdotool search --onlyvisible --name "^Corvane Antivirus: $1\$" | head -n 1; }
has_titled() { [ -n "$(titled "$1")" ]; }
# The middle of the popover's action button ("View" or "Scan Now"): the resting green in the left
# half of the window, left of Close. The pointer is moved away first: hovered, the green changes.
action_button() {
    local x y box bw bh bx by
    read -r x y _ _ < <(geometry "$1")
    xdotool mousemove 600 700 && sleep 0.4
    box=$(import -window "$1" png:- | convert png:- -gravity west -crop 50%x100%+0+0 +repage \
        -fill black +opaque '#009426' -format '%@' info: | tr 'x+' '  ')
    read -r bw bh bx by <<<"$box"
    echo $((x + bx + bw / 2)) $((y + by + bh / 2))
}
# The popover with this title, cut out of the screen on its own: the main application's window
# steps aside meanwhile, so only the desktop shows beyond the rounded corners.
cut_out() {
    local x y w h window windows
    read -r x y w h < <(geometry "$(titled "$1")")
    windows=$(xdotool search --onlyvisible --name '^Corvane Antivirus$' 2>/dev/null || true)
    for window in $windows; do xdotool windowunmap --sync "$window"; done
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$pictures/$2"
    for window in $windows; do xdotool windowmap --sync "$window"; done
}
scanner() { HOME=$home "$build/bin/standinscanner" "$@"; }

echo "demo: pictures go to $pictures"
start_display tray
printf '{"realTimeProtection": true, "usbProtection": true}' >"$data/settings.json"
start_agent xcb
wait_for 10 docked || fail "the icon did not dock in the tray"
shot tray "The icon in the tray"

icon=$(xwininfo -root -tree | grep '("helper" "helper")' | head -n 1 | awk '{print $1}')
read -r iconX iconY < <(xwininfo -id "$icon" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
xdotool mousemove $((iconX + 10)) $((iconY + 10)) click 1
sleep 0.5
shot menu "A click opens the menu"
xdotool key Escape
xdotool mousemove 600 600 click 1

# The second name hides its real ending behind a right-to-left override; the popover shows it.
scanner threat /home/user/Downloads/setup.pkg $'/home/user/Downloads/invoice\xe2\x80\xaefdp.exe'
wait_for 3 has_popover || fail "no threat popover"
shot threat "A quarantined file"

read -r viewX viewY < <(action_button "$(popover)") || fail "no View button"
xdotool mousemove "$viewX" "$viewY"
shot hover-view "Hovering View"

press_close
wait_for 3 sh -c "! grep -q setup.pkg '$data/detected_threats.txt'" || fail "Close did not take the line"
wait_for 3 has_popover || fail "the next threat did not follow"
xdotool mousemove 600 700
shot next-threat "Close; the next threat follows, its name shown as it is"
# Over the item name line (in points from the popover's corner), its bubble shows the whole name.
read -r popX popY _ _ < <(geometry "$(popover)")
read -r itemX itemY < <(awk -v x="$popX" -v y="$popY" -v s="${QT_SCALE_FACTOR:-1}" \
    'BEGIN { printf "%d %d\n", x + 130 * s, y + 20 * s }')
xdotool mousemove "$itemX" "$itemY"
sleep 0.4
cut_out "Threat detected" popover-threat.png
xdotool mousemove 600 700
firstStandin=
if [ "$stage" = handoff ]; then
    read -r viewX viewY < <(action_button "$(popover)") || fail "no View button"
    xdotool mousemove "$viewX" "$viewY" click 1
    wait_for 5 sh -c "xdotool search --onlyvisible --name '^Corvane Antivirus\$' >/dev/null 2>&1" ||
        fail "View did not open the stand-in main application"
    firstStandin=$(standin_pids | head -n 1)
    sleep 1.5
    shot view "View opens the main application"
fi
press_close

scanner usb "USB DISK 64GB"
wait_for 3 has_titled "USB device attached" || fail "no USB popover"
xdotool mousemove 600 700
shot usb "A USB device is attached"
cut_out "USB device attached" popover-usb.png

read -r scanX scanY < <(action_button "$(titled "USB device attached")") || fail "no Scan Now button"
xdotool mousemove "$scanX" "$scanY" click 1
standin_window() { xdotool search --onlyvisible --name '^Corvane Antivirus$' >/dev/null 2>&1; }
if [ "$stage" = handoff ]; then
    # The running main application is ended and opened again a second later.
    if [ -n "$firstStandin" ]; then
        # A zombie has no executable any more, so this holds even where nobody reaps it.
        wait_for 5 sh -c "! readlink /proc/$firstStandin/exe >/dev/null 2>&1" ||
            fail "Scan Now did not end the main application"
    fi
    wait_for 5 standin_window || fail "Scan Now did not open the stand-in main application"
else
    echo "  (not root: starting the stand-in directly; the agent can only open /Applications)"
    HOME=$home "$standin" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 5 standin_window || fail "the stand-in did not start"
fi
# Its window shows the hand-off once it has read the suite (once a second).
sleep 1.5
shot scan-now "Scan Now: the main application scans USB"

# The labels in Inter (fonts-inter, a build package): ImageMagick's default face may be missing.
montage "${labels[@]}" -tile 3x -geometry 640x400+6+6 \
    -font /usr/share/fonts/opentype/inter/Inter-Regular.otf -pointsize 18 -background '#dddddd' \
    "$pictures/contact-sheet.png"
echo "demo: contact sheet: $pictures/contact-sheet.png"
