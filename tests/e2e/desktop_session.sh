# Shared by the desktop tests: a private X display with a tray host, a scratch home, the agent,
# and ways to find and press its popovers. Source it after setting `helper` and `shots`.
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

start_desktop() {
    # Xvfb picks a free display itself, so parallel runs never race for one.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$home/display" >/dev/null 2>&1 &
    pids+=($!)
    wait_for 5 test -s "$home/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$home/display")"
    trayer --edge top --align right --widthtype request --height 28 --transparent false \
        --tint 0x303030 >/dev/null 2>&1 &
    pids+=($!)
    wait_for 5 sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"' ||
        fail "trayer did not start"
}

start_agent() {
    HOME=$home QT_QPA_PLATFORM=xcb "$helper" >"$home/out" 2>"$home/err" &
    agent=$!
    pids+=("$agent")
}

docked() { xwininfo -root -tree | grep -A8 '"panel": ("panel" "trayer")' | grep -q '("helper" "helper")'; }
popover() { xdotool search --onlyvisible --name "^Corvane Antivirus: $1\$" 2>/dev/null | head -n 1; }
has_popover() { [ -n "$(popover "$1")" ]; }
# Centre of the left-most or right-most green button of a popover window (its action, or Close),
# found in its pixels.
green_button() {
    local window=$1 side=$2 geometry
    # Off the popover first: a hovered button is drawn in the lighter green.
    xdotool mousemove 600 700
    sleep 0.4
    import -window "$window" "$home/popover.png"
    geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
    convert "$home/popover.png" txt:- | awk -v origin="$geometry" -v side="$side" -F'[,: ]+' '
        /#009426/ { green[$1] = 1; rows[$1] += $2; count[$1]++ }
        END {
            split(origin, o, " ")
            edge = -1
            for (x in green) {
                if (edge < 0 || (side == "right" ? x + 0 > edge : x + 0 < edge)) edge = x + 0
            }
            if (edge < 0) exit 1
            left = edge; right = edge
            while ((left - 1) in green) left--
            while ((right + 1) in green) right++
            for (x = left; x <= right; x++) { sum += rows[x]; n += count[x] }
            printf "%d %d\n", o[1] + (left + right) / 2, o[2] + sum / n
        }'
}
close_button() { green_button "$1" right; }

# Presses the Close button of the popover titled `title`.
press_close() {
    local closeX closeY
    read -r closeX closeY < <(close_button "$(popover "$1")") || fail "no Close button on \"$1\""
    xdotool mousemove "$closeX" "$closeY" click 1
}
