#!/usr/bin/env bash
# The real agent without a desktop, against a scratch home: it prints its skip line once a second
# and outlives a reader that goes away.
# Usage: headless_agent.sh <helper>
helper=$1
source "$(dirname "$0")/session.sh"
skip='USB Protection is OFF, skipping USB info load.'

# No settings: USB protection is off, and says so once a tick from the first second on. A second
# agent for the same home says who runs and ends at once, and the first goes on as if alone.
HOME=$home QT_QPA_PLATFORM=offscreen timeout 2.5 "$helper" >"$home/out" 2>/dev/null &
wait_for 2 test -s "$data/helper.lock" || fail "the first agent took no lock"
second=$(HOME=$home QT_QPA_PLATFORM=offscreen timeout 2 "$helper" 2>/dev/null) || fail "status $?"
[ "$second" = "Helper agent already running with process ID: $(pgrep -P $!)" ] || fail "$second"
wait
[ "$(cat "$home/out")" = "$skip"$'\n'"$skip" ] || fail "expected two skip lines in 2.5 s"

# A reader that closes the pipe must not take the agent with it.
rm -rf "${data:?}"/*
mkfifo "$home/pipe"
HOME=$home QT_QPA_PLATFORM=offscreen "$helper" >"$home/pipe" 2>/dev/null &
pids+=($!)
[ "$(head -n 1 "$home/pipe")" = "$skip" ] || fail "the first line"
sleep 2.5
kill -0 "${pids[-1]}" || fail "the agent died when its stdout closed"
echo "headless agent: ok"
