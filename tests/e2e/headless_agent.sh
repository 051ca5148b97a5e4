#!/usr/bin/env bash
# The real agent without a desktop, against a scratch home: it prints its lines as they happen,
# keeps ticking whatever the files hold, and outlives a reader that goes away.
set -euo pipefail
helper=$1
home=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$home"
}
trap cleanup EXIT
data="$home/Library/Application Support/Corvane Antivirus"
mkdir -p "$data"
fail() { echo "FAIL: $*" >&2; exit 1; }

run_agent() {  # seconds, output file
    HOME=$home QT_QPA_PLATFORM=offscreen timeout "$1" "$helper" >"$2" 2>/dev/null || true
}

# No settings: USB protection is off and says so once a tick, from the first second on.
run_agent 2.5 "$home/out"
[ "$(grep -c '^USB Protection is OFF, skipping USB info load.$' "$home/out")" -eq 2 ] ||
    fail "expected two skip lines in 2.5 s, got: $(cat "$home/out")"
[ "$(wc -l <"$home/out")" -eq 2 ] || fail "unexpected output: $(cat "$home/out")"

# Hostile files: deep settings, a report that is not text, a report that is a folder.
{
    printf '{"usbProtection": true, "x": '
    head -c 100000 /dev/zero | tr '\0' '['
    head -c 100000 /dev/zero | tr '\0' ']'
    printf '}'
} >"$data/settings.json"
head -c 5000000 /dev/urandom >"$data/detected_threats.txt"
mkdir "$data/detected_usb_device.txt"
HOME=$home QT_QPA_PLATFORM=offscreen "$helper" >"$home/hostile" 2>/dev/null &
pids+=($!)
sleep 3.2
kill -0 "${pids[-1]}" 2>/dev/null || fail "the agent died on hostile files"
[ ! -s "$home/hostile" ] || fail "hostile files are skipped silently, got: $(head -c 300 "$home/hostile")"
[ "$(stat -c %s "$data/detected_threats.txt")" -eq 5000000 ] || fail "an unreadable report was rewritten"

# A reader that closes the pipe must not take the agent with it.
rm -rf "$data"/*
mkfifo "$home/pipe"
HOME=$home QT_QPA_PLATFORM=offscreen "$helper" >"$home/pipe" 2>/dev/null &
agent=$!
pids+=("$agent")
head -n 1 "$home/pipe" >"$home/first"
sleep 2.5
kill -0 "$agent" 2>/dev/null || fail "the agent died when its stdout closed"
[ "$(cat "$home/first")" = "USB Protection is OFF, skipping USB info load." ] || fail "first line"
echo "headless agent: ok"
