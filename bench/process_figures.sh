#!/usr/bin/env bash
# Whole-process figures of the real agent on a private X display with a tray host, next to a bare
# Qt tray program started in the same run, and a copy of it that wakes once a second for nothing:
# the floor under any poller's idle cost, and the baseline of the ratios. A third copy also shows
# a window of the threat popover's size and text, for what drawing that costs any Qt program.
#   idle cost: CPU time, wake-ups a second and resident memory over the same window, with a
#     threat popover open (both feeds on), and of a second agent at rest on a home where no
#     report file exists yet;
#   start to icon docked, threat append to popover latency, memory after many threats.
# Usage: bench/process_figures.sh <build dir>
# Environment:
#   BENCH_IDLE_SECONDS  the idle window (default 60, at least 60)
#   BENCH_APPENDS       threats appended one at a time for the latency figure (default 100)
#   BENCH_THREATS       threats appended at once for the memory figure (default 1000)
#   BENCH_CLOSE_ALL=1   also show and close every one of them by clicking Close; the agent
#                       paces popovers at 0.5 s + 0.5 s, so 1000 threats take about 20 min
#   BENCH_OTHER_HELPER  another build of the agent (say, before a change), measured in the same
#                       idle window with a threat popover open, in a home of its own
set -euo pipefail
build=$(cd "$1" && pwd)
idleSeconds=${BENCH_IDLE_SECONDS:-60}
appends=${BENCH_APPENDS:-100}
threats=${BENCH_THREATS:-1000}
closeAll=${BENCH_CLOSE_ALL:-0}
otherHelper=${BENCH_OTHER_HELPER:-}
[ "$idleSeconds" -ge 60 ] || { echo "BENCH_IDLE_SECONDS must be at least 60" >&2; exit 2; }
helper=$build/bin/helper
bare=$build/bin/bare_tray
xwait=$build/bin/xwait
for program in "$helper" "$bare" "$xwait"; do
    [ -x "$program" ] || { echo "missing: $program (build it first)" >&2; exit 1; }
done
shots=$build/bench/screenshots
mkdir -p "$shots"
# shellcheck source=../tests/e2e/session.sh
source "$(dirname "$0")/../tests/e2e/session.sh"
need Xvfb trayer xdotool xwininfo import convert xset
say() { echo "-- $*" >&2; }
start_display tray
# The agent holds its popovers while the screen saver is on; long windows outlast its timeout.
xset s off

title="Corvane Antivirus: Threat detected"
# Each program runs from a link of its own name (its icon's window is named after it) in a home
# of its own. The agents have both feeds on; those that show a popover have one threat waiting.
others=$home/others
mkdir -p "$others"
agent_home() {  # <home> [threat]
    local programData="$1/Library/Application Support/Corvane Antivirus"
    mkdir -p "$programData"
    printf '{"realTimeProtection": true, "usbProtection": true}' >"$programData/settings.json"
    [ "${2:-}" = threat ] || return 0
    : >"$programData/detected_usb_device.txt"
    printf '\n/home/user/Downloads/invoice.zip\n' >"$programData/detected_threats.txt"
}
agent_home "$home" threat
agent_home "$others/rest"
ln -s "$bare" "$others/bare_tray_tick"
ln -s "$bare" "$others/bare_tray_window"
ln -s "$helper" "$others/helper_at_rest"
if [ -n "$otherHelper" ]; then
    agent_home "$others/other" threat
    ln -s "$(realpath "$otherHelper")" "$others/other_helper"
fi

# Starts a program with its arguments; sets `startedPid` and `dockedMs`, the time from start to
# its icon docked.
start_docked() {
    local programHome=$1 program=$2 instance started
    shift 2
    mkdir -p "$programHome"
    instance=$(basename "$program")
    started=$(date +%s%N)
    HOME=$programHome QT_QPA_PLATFORM=xcb "$program" "$@" >"$programHome/out" 2>"$programHome/err" &
    startedPid=$!
    pids+=("$startedPid")
    dockedMs=$("$xwait" docked "$instance" trayer 10 "$started") || fail "$instance did not dock"
    # Programs whose one-second timers fire in the same instant share warm caches, and the first
    # to wake pays for the others: their timers are set apart.
    sleep 0.$((RANDOM % 100 + 150))
}

mb() { awk -v k="$2:" '$1 == k {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
# CPU seconds used so far by the live threads, to the nanosecond, from the scheduler.
cpu_seconds() { cat /proc/"$1"/task/*/schedstat | awk '{s += $1} END {printf "%.6f", s / 1e9}'; }
# Times any thread of the process was switched out (it slept or was preempted): its wake-ups.
switches() {
    cat /proc/"$1"/task/*/status |
        awk '/^(non)?voluntary_ctxt_switches:/ {s += $2} END {print s}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN {print (v + 0 <= t + 0) ? "yes" : "NO"}'; }

say "starting the bare tray programs and the agents on $DISPLAY"
start_docked "$others/bare" "$bare"
declare -A measured=([bare]=$startedPid)
bareDock=$dockedMs
start_docked "$others/tick" "$others/bare_tray_tick" --tick
measured[tick]=$startedPid
start_docked "$others/window" "$others/bare_tray_window" --tick --window
measured[window]=$startedPid
if [ -n "$otherHelper" ]; then
    start_docked "$others/other" "$others/other_helper"
    measured[other]=$startedPid
fi
start_docked "$others/rest" "$others/helper_at_rest"
measured[rest]=$startedPid
start_docked "$home" "$helper"
measured[helper]=$startedPid
helperPid=$startedPid
helperDock=$dockedMs
expectedPopovers=$((${#measured[@]} - 4))
wait_for 10 sh -c "[ \$(xdotool search --onlyvisible --name '^$title\$' | wc -l) -ge \
    $expectedPopovers ]" || fail "not every agent shows its threat popover"
# Qt's thread pool, which drew the popovers, ends its threads 30 s after their last work: the
# window starts after that, so that no thread counted at its start is gone at its end.
sleep 35
import -window root "$shots/idle.png"

say "idle for $idleSeconds s"
declare -A cpu0 cpu1 switches0 switches1 threads0
for name in "${!measured[@]}"; do
    cpu0[$name]=$(cpu_seconds "${measured[$name]}")
    switches0[$name]=$(switches "${measured[$name]}")
    threads0[$name]=$(ls "/proc/${measured[$name]}/task" | wc -l)
done
t0=$(date +%s%N)
sleep "$idleSeconds"
for name in "${!measured[@]}"; do
    cpu1[$name]=$(cpu_seconds "${measured[$name]}")
    switches1[$name]=$(switches "${measured[$name]}")
    [ "$(ls "/proc/${measured[$name]}/task" | wc -l)" = "${threads0[$name]}" ] ||
        say "WARNING: a thread of $name ended in the window; its CPU time is missing"
done
elapsed=$(awk -v a="$t0" -v b="$(date +%s%N)" 'BEGIN {printf "%.3f", (b - a) / 1e9}')
idle() {
    awk -v a="${cpu0[$1]}" -v b="${cpu1[$1]}" -v t="$elapsed" 'BEGIN {printf "%.3f", (b - a) * 3600 / t}'
}
wakes() {
    awk -v a="${switches0[$1]}" -v b="${switches1[$1]}" -v t="$elapsed" \
        'BEGIN {printf "%.2f", (b - a) / t}'
}
idle_row() {  # <name> <what>
    echo "| $2 | $(idle "$1") | $(ratio "$(idle "$1")" "$(idle tick)") | $(wakes "$1") |" \
        "$(mb "${measured[$1]}" VmRSS) | $(ratio "$(mb "${measured[$1]}" VmRSS)" \
        "$(mb "${measured[tick]}" VmRSS)") | $(mb "${measured[$1]}" RssAnon) |"
}
idleTable=$(
    echo "| Program | CPU (s/h) | CPU ratio | Wake-ups/s | RSS (MB) | RSS ratio | of it anonymous (MB) |"
    echo "|---|---:|---:|---:|---:|---:|---:|"
    idle_row tick "bare Qt tray, 1 s timer (baseline)"
    idle_row bare "bare Qt tray, no timer"
    idle_row window "bare Qt tray, 1 s timer, a window of the popover's text"
    idle_row helper "agent, threat popover open"
    idle_row rest "agent, icon only, no report file yet"
    if [ -n "$otherHelper" ]; then
        idle_row other "$otherHelper, threat popover open"
    fi
)
helperCpuRatio=$(ratio "$(idle helper)" "$(idle tick)")
helperRssRatio=$(ratio "$(mb "$helperPid" VmRSS)" "$(mb "${measured[tick]}" VmRSS)")
restCpuRatio=$(ratio "$(idle rest)" "$(idle tick)")
restRssRatio=$(ratio "$(mb "${measured[rest]}" VmRSS)" "$(mb "${measured[tick]}" VmRSS)")
# Like for like: the agent showing its popover against a bare tray showing the same window.
helperWindowRssRatio=$(ratio "$(mb "$helperPid" VmRSS)" "$(mb "${measured[window]}" VmRSS)")
helperStartRss=$(mb "$helperPid" VmRSS)
for name in "${!measured[@]}"; do
    [ "$name" = helper ] || [ "$name" = bare ] || kill "${measured[$name]}"
done

# Clicks Close on the agent's threat popover and waits for it to go.
close_popover() {
    local shown attempt
    shown=$(popover)
    for attempt in 1 2 3; do
        press_close
        wait_for 2 gone "$shown" && return 0
    done
    fail "Close did not close the threat popover"
}
close_popover
sleep 0.7  # the agent acknowledges the threat 0.5 s after Close

say "$appends threats appended one at a time, each popover closed"
latencies=$others/latencies
: >"$latencies"
for i in $(seq "$appends"); do
    # A random phase against the agent's one-second tick.
    sleep "0.$(printf '%03d' $((RANDOM % 1000)))"
    "$xwait" shown "$title" 5 "$data/detected_threats.txt" "/home/user/Downloads/latency-$i.bin" \
        >>"$latencies" || fail "no threat popover within 5 s"
    close_popover
    sleep 0.7
done
read -r p50 p99 pmax < <(sort -n "$latencies" | awk '{v[NR] = $1}
    END {i50 = int(NR * 0.50 + 0.999999); i99 = int(NR * 0.99 + 0.999999)
         printf "%.0f %.0f %.0f\n", v[i50], v[i99], v[NR]}')
helperAppendsRss=$(mb "$helperPid" VmRSS)

say "$threats threats appended at once"
for i in $(seq "$threats"); do printf '\n/home/user/Downloads/queued-%04d.bin\n' "$i"; done \
    >>"$data/detected_threats.txt"
"$xwait" shown "$title" 5 >/dev/null || fail "no threat popover for the queued threats"
sleep 2
helperQueuedRss=$(mb "$helperPid" VmRSS)
helperClosedRss=
if [ "$closeAll" = 1 ]; then
    say "showing and closing all $threats (about $((threats * 12 / 10 / 60)) min)"
    for i in $(seq "$threats"); do
        close_popover
        if [ "$i" -lt "$threats" ]; then
            "$xwait" shown "$title" 5 >/dev/null || fail "popover $((i + 1)) did not follow"
        fi
    done
    sleep 2
    [ ! -s "$data/detected_threats.txt" ] || fail "threats left in the report file"
    helperClosedRss=$(mb "$helperPid" VmRSS)
fi
bareEndRss=$(mb "${measured[bare]}" VmRSS)
kill -0 "$helperPid" || fail "the agent is gone"

echo
echo "Idle, ${elapsed} s in one window; ratios to the bare tray with a 1 s timer:"
echo
echo "$idleTable"
echo
echo "| Figure | Agent | Bare Qt tray | Target | Met |"
echo "|---|---:|---:|---:|:-:|"
echo "| Idle CPU ratio, threat popover open | $helperCpuRatio | 1 | <= 1.2 | $(verdict "$helperCpuRatio" 1.2) |"
echo "| Idle RSS ratio, threat popover open | $helperRssRatio | 1 | <= 1.2 | $(verdict "$helperRssRatio" 1.2) |"
echo "| Idle CPU ratio, icon only | $restCpuRatio | 1 | <= 1.2 | $(verdict "$restCpuRatio" 1.2) |"
echo "| Idle RSS ratio, icon only | $restRssRatio | 1 | <= 1.2 | $(verdict "$restRssRatio" 1.2) |"
echo "| Idle RSS ratio, threat popover open, to the bare tray showing the same window | $helperWindowRssRatio | 1 | <= 1.2 | $(verdict "$helperWindowRssRatio" 1.2) |"
echo "| Start to icon docked (ms) | $helperDock | $bareDock | | |"
echo "| RSS with a threat popover open (MB) | $helperStartRss | | < 40 | $(verdict "$helperStartRss" 40) |"
echo "| Append to popover p50 (ms, $appends appends) | $p50 | | | |"
echo "| Append to popover p99 (ms) | $p99 | | <= 1050 | $(verdict "$p99" 1050) |"
echo "| Append to popover max (ms) | $pmax | | | |"
echo "| RSS after $appends threats shown and closed (MB) | $helperAppendsRss | $bareEndRss | < 40 | $(verdict "$helperAppendsRss" 40) |"
echo "| RSS with $threats threats queued (MB) | $helperQueuedRss | | < 40 | $(verdict "$helperQueuedRss" 40) |"
if [ -n "$helperClosedRss" ]; then
    echo "| RSS after $threats more shown and closed (MB) | $helperClosedRss | | < 40 | $(verdict "$helperClosedRss" 40) |"
fi
echo
echo "$(nproc) CPUs, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo); $(date -u +%Y-%m-%d)."
