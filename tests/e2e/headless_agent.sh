#!/usr/bin/env bash
# The real agent without a desktop, against a scratch home: it prints its skip line once a second,
# keeps ticking whatever sits at the paths it reads, and outlives a reader that goes away.
# Usage: headless_agent.sh <helper>
helper=$1
source "$(dirname "$0")/session.sh"
skip='USB Protection is OFF, skipping USB info load.'
skips() { grep -cxF "$skip" "$home/out" || true; }
ticked_twice() { [ "$(skips)" -ge $((before + 2)) ]; }

# No settings: USB protection is off, and says so once a tick from the first second on.
HOME=$home QT_QPA_PLATFORM=offscreen timeout 2.5 "$helper" >"$home/out" 2>/dev/null || true
[ "$(cat "$home/out")" = "$skip"$'\n'"$skip" ] || fail "expected two skip lines in 2.5 s"

# What no file read may block on or take for text: a FIFO, a folder, an endless device. Each
# sits at both report paths while USB protection is on, then at settings.json, where it reads
# as protection off: only the skip line may follow, once a tick.
put() {  # <kind> <path>
    rm -rf "$2"
    case $1 in fifo) mkfifo "$2" ;; folder) mkdir "$2" ;; device) ln -s /dev/zero "$2" ;; esac
}
start_agent offscreen
for kind in fifo folder device; do
    rm -rf "$data/settings.json" && printf '{"usbProtection": true}' >"$data/settings.json"
    put "$kind" "$data/detected_threats.txt"
    put "$kind" "$data/detected_usb_device.txt"
    sleep 1.5
    before=$(skips)
    put "$kind" "$data/settings.json"
    wait_for 4 ticked_twice || fail "the agent stopped ticking on a $kind"
done
kill -0 "$agent" || fail "the agent died"
[ "$(skips)" -eq "$(wc -l <"$home/out")" ] || fail "printed more than the skip line"

# A reader that closes the pipe must not take the agent with it.
rm -rf "${data:?}"/*
mkfifo "$home/pipe"
HOME=$home QT_QPA_PLATFORM=offscreen "$helper" >"$home/pipe" 2>/dev/null &
pids+=($!)
[ "$(head -n 1 "$home/pipe")" = "$skip" ] || fail "the first line"
sleep 2.5
kill -0 "${pids[-1]}" || fail "the agent died when its stdout closed"
echo "headless agent: ok"
