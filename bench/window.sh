#!/usr/bin/env bash
# How light the real game's window is: start it under a private Xvfb, idle on the first
# screen, go through the menu to a new career, click Start and hold the accelerator, then
# ask it to quit with SIGTERM.
# Prints per run and as min/median/max over the runs:
#   mapped_s  launch to the window being mapped (xdotool looks twice a second)
#   first_s   launch to the first frame (the black-out the front end shows while it loads)
#   menu_s    launch to the second frame, the menu itself
#   idle_%    CPU of the game on the first screen     race_%   CPU while racing
#   lights_%  CPU during the start lights (the two seconds after Start, less their ends)
#   (each split into the main thread and all other threads: sound, drivers)
#   idle_MiB, race_MiB  resident memory
#   fps, jitter_ms  from --stats: frames a second racing and the standard deviation of the
#             interval between frames finished on screen; pace_ms the same deviation for
#             the moments the frames were handed to the X server, which leaves out how
#             long the server took to show them
#   exit_ms   SIGTERM (sent mid-race) to the process being gone
# CPU is the game's own per-thread time (/proc/PID/task/*/stat) over a fixed wall time,
# so other work on the machine does not count against it, though it can slow it down.
#
#   bench/window.sh [RUNS]          (default 3; GAME=path/to/gravel-ghosts to compare)
# Run it by hand; it is never a test.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-3}
game=${GAME:-build/game/gravel-ghosts}
data=${DATA:-build/game}
idle_s=${IDLE_S:-4}
race_s=${RACE_S:-6}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null ||
    { echo "needs Xvfb and xdotool (scripts/setup installs them)"; exit 1; }
[ -x "$game" ] || { echo "no game at $game: build it first"; exit 1; }
stats_option=$("$game" --help | grep -q -- --stats && echo yes || echo no)

work=$(mktemp -d)
xvfb_pid=""
game_pid=""
cleanup() {
    [ -n "$game_pid" ] && kill -KILL "$game_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

now() { date +%s.%N; }
ticks() {  # utime+stime of the main thread and of all the others, in clock ticks
    local pid=$1 main=0 other=0 t f
    for t in /proc/"$pid"/task/*; do
        f=$(cat "$t/stat" 2>/dev/null) || continue
        f=${f##*) }  # past the thread's name, which may hold spaces
        set -- $f
        if [ "${t##*/}" = "$pid" ]; then main=$((main + ${12} + ${13})); else other=$((other + ${12} + ${13})); fi
    done
    echo "$main $other"
}
cpu_over() {  # CPU % of main thread and others over $2 seconds
    local pid=$1 secs=$2 hz
    hz=$(getconf CLK_TCK)
    read -r m0 o0 < <(ticks "$pid")
    sleep "$secs"
    read -r m1 o1 < <(ticks "$pid")
    awk -v m=$((m1 - m0)) -v o=$((o1 - o0)) -v s="$secs" -v hz="$hz" \
        'BEGIN { printf "%.1f %.1f", 100 * m / hz / s, 100 * o / hz / s }'
}
rss_mib() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' /proc/"$1"/status; }

results="$work/results"
: >"$results"
for run in $(seq 1 "$runs"); do
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 1 500); do [ -s "$work/display" ] && break; sleep 0.01; done
    export DISPLAY=":$(head -n1 "$work/display")"
    rm -f "$work/display"
    home="$work/data$run"
    cp -r "$data" "$home"  # careers saved during the run stay out of the build

    stats="$work/stats$run"
    args=(--mute --data-dir "$home")
    [ "$stats_option" = yes ] && args+=(--stats "$stats")
    launch=$(now)
    "$game" "${args[@]}" >/dev/null 2>&1 &
    game_pid=$!
    wid=$(xdotool search --sync --onlyvisible --name "Gravel Ghosts Racer" | head -n1)
    mapped=$(now)
    sleep 1
    idle=$(cpu_over "$game_pid" "$idle_s")
    idle_rss=$(rss_mib "$game_pid")

    # Through the menu to a new career (Career Mode, New Driver, Enter), then the
    # pre-race panel's Start button, in canvas pixels, and the accelerator held.
    xdotool windowfocus --sync "$wid" 2>/dev/null || true
    xdotool mousemove --window "$wid" 524 349 click 1
    sleep 0.3
    xdotool mousemove --window "$wid" 523 345 click 1
    sleep 0.3
    xdotool key Return
    sleep 1
    xdotool mousemove --window "$wid" 287 514 click 1
    sleep 0.3
    xdotool keydown Up
    sleep 0.3  # the race screen prepared, the red light on
    lights=$(cpu_over "$game_pid" 1.5)
    sleep 1.2  # green, then the first seconds of racing
    race_from=$(now)
    race=$(cpu_over "$game_pid" "$race_s")
    race_to=$(now)
    race_rss=$(rss_mib "$game_pid")

    kill -TERM "$game_pid"
    term=$(now)
    wait "$game_pid" 2>/dev/null || true
    gone=$(now)
    game_pid=""
    xdotool keyup Up 2>/dev/null || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""

    frames="nan nan nan"
    first="nan nan"
    if [ -s "$stats" ]; then
        first=$(awk -v l="$launch" 'NR == 1 { a = $1 - l } NR == 2 { b = $1 - l }
            END { printf "%.3f %s", a, (NR >= 2 ? sprintf("%.3f", b) : "nan") }' "$stats")
        frames=$(awk -v a="$race_from" -v b="$race_to" '
            function sd(x, n,   i, d, s, q, m) {
                for (i = 1; i < n; i++) { d = (x[i] - x[i-1]) * 1000; s += d; q += d * d }
                m = s / (n - 1); return sqrt(q / (n - 1) - m * m)
            }
            $1 >= a && $1 <= b { k = n++; t[k] = $1; h[k] = $1 - $4 / 1000 }
            END {
                if (n < 3) { print "nan nan nan"; exit }
                printf "%.1f %.2f %.2f", 1000 * (n - 1) / ((t[n-1] - t[0]) * 1000), sd(t, n), sd(h, n)
            }' "$stats")
    fi
    line=$(awk -v l="$launch" -v m="$mapped" -v f="$first" -v t="$term" -v g="$gone" \
        -v idle="$idle" -v race="$race" -v ir="$idle_rss" -v rr="$race_rss" -v fr="$frames" \
        -v lights="$lights" '
        BEGIN {
            split(idle, i, " "); split(race, r, " "); split(fr, p, " "); split(lights, s, " ")
            printf "%.3f %s %.1f %.1f %.1f %.1f %.1f %.1f %s %s %s %.0f %.1f %.1f %.1f\n", m - l, f,
                i[1] + i[2], i[1], i[2], r[1] + r[2], r[1], r[2], ir, rr, p[1] " " p[2] " " p[3],
                (g - t) * 1000, s[1] + s[2], s[1], s[2]
        }')
    echo "$line" >>"$results"
    echo "run $run: $line"
done

echo
echo "$runs runs under Xvfb 1280x1024x24, --mute; min / median / max"
names=(mapped_s first_s menu_s idle_% idle_main_% idle_other_% race_% race_main_% race_other_%
       idle_MiB race_MiB fps jitter_ms pace_ms exit_ms lights_% lights_main_% lights_other_%)
for col in $(seq 1 ${#names[@]}); do
    printf '%-14s ' "${names[$((col - 1))]}"
    cut -d' ' -f"$col" "$results" | sort -g | awk '
        { v[n++] = $1 }
        END { printf "%s / %s / %s\n", v[0], (n % 2 ? v[int(n/2)] : (v[n/2-1] + v[n/2]) / 2), v[n-1] }'
done
