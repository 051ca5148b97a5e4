# shellcheck shell=bash
# Shared by the end-to-end scripts: a scratch home with the product's data folder, processes
# stopped on exit, polling, and a private X display with a tray host. Source it after setting
# `helper` (and `shots` for screenshots; `session_bus=private` for a session bus of its own).
set -euo pipefail
if [ "${session_bus:-}" = private ] && [ "${PRIVATE_BUS:-}" != 1 ]; then  # torn down with the script
    command -v dbus-run-session >/dev/null || { echo "SKIP: no dbus-run-session"; exit 77; }
    PRIVATE_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
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
    if [ -n "${SWAYSOCK:-}" ]; then grim "${shots:-$home}/failure.png"
    elif [ -n "${DISPLAY:-}" ]; then import -window root "${shots:-$home}/failure.png"
    fi 2>/dev/null || true
    cat "$home/out" "$home/err" >&2 2>/dev/null || true
    exit 1
}
need() { for tool; do command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }; done; }
wait_for() {  # <seconds> <command...>: polls the command every 0.1 s
    local i
    for ((i = 0; i < $1 * 10; i++)); do "${@:2}" 2>/dev/null && return; sleep 0.1; done
    return 1
}
spawn() { "$@" >/dev/null 2>&1 & pids+=($!); }  # <command...>: in the background, stopped on exit
start_agent() {  # <Qt platform, none for the agent's own choice>
    env -u QT_QPA_PLATFORM ${1:+QT_QPA_PLATFORM=$1} HOME="$home" "$helper" >"$home/out" \
        2>"$home/err" &
    agent=$!
    pids+=("$agent")
}
start_display() {  # [tray]: Xvfb picks a free display itself, so parallel runs never race for one
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$home/display" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 10 test -s "$home/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$home/display")"
    [ "${1:-}" = tray ] || return 0
    trayer --edge top --align right --widthtype request --height 28 --transparent false \
        --tint 0x303030 >/dev/null 2>&1 &
    pids+=($!)
    wait_for 10 sh -c 'xwininfo -root -tree | grep -q "(\"panel\" \"trayer\")"' || fail "no trayer"
}

icon() { xwininfo -root -tree | grep -A8 '"trayer")' | awk '/"helper" "helper"/ {print $1}'; }
docked() { [ -n "$(icon)" ]; }
popovers() { xdotool search --onlyvisible --name '^Corvane Antivirus: Threat detected$'; }
popover() { popovers | head -n 1; }
has_popover() { [ -n "$(popover)" ]; }
gone() { ! xdotool search --onlyvisible --name '^Corvane Antivirus' | grep -qx "$1"; }
geometry() {  # <window>: x y width height
    xwininfo -id "${1:?no such window}" | awk '/Absolute upper-left X/ {x=$4}
        /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}
# Where a panel draws the agent's icon in screenshot $1, by its shield's green (the popovers do not
# use it): the x and y of its centre; nothing when it is not there.
drawn_icon() {
    convert "$1" -fill black +opaque '#04A52D' -format '%@' info: 2>/dev/null |
        awk -F'[x+]' '$1 > 0 && $1 <= 32 {print $3 + int($1 / 2), $4 + int($2 / 2)}'
}
# Whether window $1 hangs under the tray icon (its top at the icon's bottom, spanning its centre).
under_icon() {
    local iconX iconY iconW iconH x y w
    read -r iconX iconY iconW iconH < <(geometry "$(icon | head -n 1)")
    read -r x y w _ < <(geometry "$1")
    [ "$y" -ge $((iconY + iconH - 2)) ] && [ "$x" -le $((iconX + iconW / 2)) ] &&
        [ $((iconX + iconW / 2)) -le $((x + w)) ]
}
# Presses the threat popover's Close button: the green in the right quarter of the window.
press_close() {
    local x y w box bw bh bx by strip
    read -r x y w _ < <(geometry "$(popover)")
    xdotool mousemove 600 700 && sleep 0.4  # a hovered button is drawn in a lighter green
    box=$(import -window "$(popover)" png:- | convert png:- -gravity east -crop 25%x100%+0+0 \
        +repage -fill black +opaque '#009426' -format '%@ %w' info: | tr 'x+' '  ')
    read -r bw bh bx by strip <<<"$box"
    xdotool mousemove $((x + w - strip + bx + bw / 2)) $((y + by + bh / 2)) click 1
}
