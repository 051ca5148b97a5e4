#!/usr/bin/env bash
# The real agent under a flood of two million threat lines, on Qt's offscreen platform (no display
# needed), next to the same agent on an empty home started in the same run. With no settings file
# USB protection is off and the agent prints its USB skip line once a tick: the gaps between those
# lines bound how long its event loop was busy. Reports the skip lines, their largest gap, and the
# agent's peak and final resident memory from /proc/<pid>/status.
# Usage: bench/flood_process.sh <build dir>
# Environment:
#   FLOOD_LINES    threat lines in the report file (default 2000000)
#   FLOOD_SECONDS  how long each agent is watched (default 60)
set -euo pipefail
build=$(cd "$1" && pwd)
lines=${FLOOD_LINES:-2000000}
seconds=${FLOOD_SECONDS:-60}
helper=$build/bin/helper
[ -x "$helper" ] || { echo "missing: $helper (build it first)" >&2; exit 1; }
say() { echo "-- $*" >&2; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/helper-flood.XXXXXX")
agentPid=
cleanup() {
    if [ -n "$agentPid" ]; then
        kill "$agentPid" 2>/dev/null || true
        wait "$agentPid" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

skipLine="USB Protection is OFF, skipping USB info load."
data="Library/Application Support/Corvane Antivirus"

# Runs the agent on home $1 for $seconds s with every stdout line prefixed by the time it was
# read; sets `skips`, `maxGap`, `firstSkip` (s after start), `hwm` and `rss` (MB at the end) and
# `cpu` (CPU seconds used, user and system).
watch_agent() {
    local home=$1 log=$1/stdout.timed started status
    started=$EPOCHREALTIME
    # The agent's stdout goes through a FIFO so that its pid is the one started here.
    mkfifo "$home/stdout.fifo"
    HOME=$home QT_QPA_PLATFORM=offscreen "$helper" >"$home/stdout.fifo" 2>"$home/stderr" &
    agentPid=$!
    while IFS= read -r line; do
        printf '%s %s\n' "$EPOCHREALTIME" "$line"
    done <"$home/stdout.fifo" >"$log" &
    local reader=$!
    sleep "$seconds"
    kill -0 "$agentPid" 2>/dev/null || { echo "the agent is gone; stderr:" >&2; cat "$home/stderr" >&2; exit 1; }
    status=$(cat "/proc/$agentPid/status")
    cpu=$(awk -v hz="$(getconf CLK_TCK)" '{sub(/.*\) /, ""); printf "%.2f", ($12 + $13) / hz}' \
        "/proc/$agentPid/stat")
    kill "$agentPid"
    wait "$agentPid" 2>/dev/null || true
    agentPid=
    wait "$reader" 2>/dev/null || true
    hwm=$(awk '/^VmHWM:/ {printf "%.1f", $2 / 1024}' <<<"$status")
    rss=$(awk '/^VmRSS:/ {printf "%.1f", $2 / 1024}' <<<"$status")
    read -r skips maxGap firstSkip < <(awk -v line="$skipLine" -v started="$started" '
        { text = substr($0, index($0, " ") + 1) }
        text == line {
            if (n > 0 && $1 - last > gap) gap = $1 - last
            if (n == 0) first = $1 - started
            last = $1; n++
        }
        END { printf "%d %.3f %.3f\n", n, gap, first }' "$log")
}

say "baseline: the agent on an empty home for $seconds s"
mkdir -p "$scratch/empty"
watch_agent "$scratch/empty"
baseSkips=$skips baseGap=$maxGap baseFirst=$firstSkip baseHwm=$hwm baseRss=$rss baseCpu=$cpu

say "flood: $lines threat lines, the agent watched for $seconds s"
mkdir -p "$scratch/flood/$data"
report="$scratch/flood/$data/detected_threats.txt"
seq -f '/f/%07.0f' 0 $((lines - 1)) >"$report"
bytes=$(stat -c %s "$report")
watch_agent "$scratch/flood"
[ "$(stat -c %s "$report")" = "$bytes" ] || say "the report file changed size"

at_most() { awk -v v="$1" -v t="$2" 'BEGIN {print (v + 0 <= t + 0) ? "yes" : "NO"}'; }
below() { awk -v v="$1" -v t="$2" 'BEGIN {print (v + 0 < t + 0) ? "yes" : "NO"}'; }
echo
echo "Whole process, $seconds s each, USB protection off (no settings file), offscreen platform;"
echo "flood: $lines lines, $bytes bytes in the threat report file."
echo
echo "| Figure | Flood | Empty home (baseline) | Target | Met |"
echo "|---|---:|---:|---:|:-:|"
echo "| USB skip lines in $seconds s | $skips | $baseSkips | | |"
echo "| Largest gap between skip lines (s) | $maxGap | $baseGap | <= 1.5 | $(at_most "$maxGap" 1.5) |"
echo "| First skip line after start (s) | $firstSkip | $baseFirst | | |"
echo "| Peak RSS, VmHWM (MB) | $hwm | $baseHwm | < 150 | $(below "$hwm" 150) |"
echo "| RSS at the end, VmRSS (MB) | $rss | $baseRss | | |"
echo "| CPU used in the $seconds s (s, user + system) | $cpu | $baseCpu | | |"
echo
echo "$(nproc) CPUs, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo); $(date -u +%Y-%m-%d)."
