#!/usr/bin/env bash
# Measures Vireo beside the players a user might pick instead, all in one run on the same generated files, and
# prints one table: median, minimum and maximum of RUNS runs for every figure. Not part of the test suite.
#
#   bash bench/run.sh                       (RUNS=5, PLAY_SECONDS=60, IDLE_SECONDS=60 by default)
#   RUNS=3 PLAY_SECONDS=20 IDLE_SECONDS=20 bash bench/run.sh     a shorter run
#
# The anchors (gst-play-1.0, mpv, qmmp, audacious, strawberry) are measuring sticks, installed here from
# Debian's packages; they are never dependencies of the program. Sound goes to a PulseAudio null sink and the
# tray is trayer on Xvfb, both started and stopped by this script.
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${RUNS:-5}
PLAY_SECONDS=${PLAY_SECONDS:-60}
IDLE_SECONDS=${IDLE_SECONDS:-60}
root=$(pwd)

bash scripts/install-deps.sh
anchors=(gstreamer1.0-plugins-base-apps mpv qmmp audacious strawberry time bc)
missing=()
for p in "${anchors[@]}"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vireo bench_engine >/dev/null

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; sleep 0.3; rm -rf "$work"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
export QT_LOGGING_RULES="*.debug=false" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent

# --- desktop and sound -------------------------------------------------------------------------------------
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=error \
    -L "module-null-sink sink_name=vireo_test rate=44100 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse" >/dev/null 2>&1 &
pids+=($!)
export PULSE_SERVER=unix:$work/pulse
for n in $(seq 100 199); do [ -e /tmp/.X11-unix/X$n ] || { display=:$n; break; }; done
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
sleep 1
trayer --edge top --align left --widthtype request --height 26 >/dev/null 2>&1 &
pids+=($!)
sleep 1

# --- media -------------------------------------------------------------------------------------------------
tone() { gst-launch-1.0 -q audiotestsrc wave=sine freq="$3" samplesperbuffer=441 num-buffers=$(( $2 * 100 )) \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! $4 ! filesink location="$1"; }
tone "$work/long.mp3" "$PLAY_SECONDS" 440 "lamemp3enc target=bitrate cbr=true bitrate=192 ! xingmux"
tone "$work/a.mp3" 3 440 "lamemp3enc ! xingmux"
tone "$work/a.ogg" 3 440 "vorbisenc ! oggmux"
tone "$work/a.flac" 3 440 "flacenc"
tone "$work/one.wav" 2 440 "wavenc"
tone "$work/two.wav" 2 660 "wavenc"
uri=file://$work/long.mp3

# --- helpers -----------------------------------------------------------------------------------------------
stats() { sort -g | awk '{v[NR]=$1} END {if (NR==0) {print "n/a"; exit} m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.3g (%.3g…%.3g)", m, v[1], v[NR]}'; }
median() { sort -g | awk '{v[NR]=$1} END {if (NR==0) {print "nan"; exit} print (NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2}'; }
declare -A results
add() { results["$1"]+="$2"$'\n'; }
cpu_ticks() { awk '{print $14+$15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {s+=$2} END {print s+0}'; }
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
# Ends a program, firmly if it does not listen.
stop_pid() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 30); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

reset_configs() {
    rm -rf "$HOME/.qmmp" "$XDG_CONFIG_HOME/audacious" "$XDG_CONFIG_HOME/strawberry" "$XDG_CONFIG_HOME/Vireo"
    mkdir -p "$HOME/.qmmp" "$XDG_CONFIG_HOME/strawberry" "$XDG_CONFIG_HOME/Vireo"
    # QSettings keeps its top level in [General]; qmmp's "General/" keys live in [%General].
    printf '[%%General]\nenabled_plugins=status_icon\n[Output]\ncurrent_plugin=pulse\n[Skinned]\nstart_hidden=true\n' > "$HOME/.qmmp/qmmprc"
    printf '[Behaviour]\nstartupbehaviour=3\nshowtrayicon=true\n' > "$XDG_CONFIG_HOME/strawberry/strawberry.conf"
    # Vireo as a returning user: no introduction, no reminder on this start.
    printf '[Vireo]\nNeverShowItAgain=true\nAutoReminderCount=2\n' > "$XDG_CONFIG_HOME/Vireo/settings.plist"
    [ -d "$work/audacious-config" ] && cp -r "$work/audacious-config" "$XDG_CONFIG_HOME/audacious"
    true
}
# audacious keeps its plugin choices in a registry it writes on first start: make one, switch the icons on.
audacious >/dev/null 2>&1 & ap=$!; sleep 5; stop_pid $ap
sed -i '/statusicon/,/^enabled/ s/^enabled 0/enabled 1/' "$XDG_CONFIG_HOME/audacious/plugin-registry" 2>/dev/null || true
cp -r "$XDG_CONFIG_HOME/audacious" "$work/audacious-config"

declare -A start_cmd=(
    [vireo]="$root/build/bin/vireo"
    [qmmp]="qmmp"
    [audacious-gtk]="audacious"
    [audacious-qt]="audacious --qt"
    [strawberry]="strawberry"
)
# What each program needs besides the file to start playing it (the others play what they are given).
declare -A play_opts=([strawberry]="--load --play")
declare -A tray_class=([vireo]=vireo [qmmp]=qmmp [audacious-gtk]=audacious [audacious-qt]=audacious [strawberry]=strawberry)
embedded() { xwininfo -root -tree 2>/dev/null | grep -A200 '"panel"' | grep -qiE "\(\"$1\" \"[^\"]*\"\)\s+[0-9]+x[0-9]+\+0\+0\s+\+[1-9]"; }

echo "Measuring: $RUNS runs, ${PLAY_SECONDS} s of playback, ${IDLE_SECONDS} s idle" >&2
for run in $(seq "$RUNS"); do
    echo "run $run of $RUNS" >&2
    # Start-up to the icon in the tray, and memory 3 s after start; one program at a time.
    for p in vireo qmmp audacious-gtk audacious-qt strawberry; do
        reset_configs
        t0=$(date +%s.%N)
        ${start_cmd[$p]} >/dev/null 2>&1 & pid=$!
        t=""
        for _ in $(seq 1500); do
            if embedded "${tray_class[$p]}"; then t=$(echo "$(date +%s.%N) - $t0" | bc); break; fi
            sleep 0.002
        done
        [ -n "$t" ] && add "startup_$p" "$(echo "$t * 1000" | bc)"
        sleep 3
        add "rss_idle_$p" "$(( $(rss_kib $pid) / 1024 ))"
        stop_pid $pid
        sleep 0.5
    done

    # Memory while playing from the tray: each program started on the MP3, measured once its sound is at the sink.
    for p in vireo qmmp audacious-gtk audacious-qt strawberry; do
        reset_configs
        ${start_cmd[$p]} ${play_opts[$p]:-} "$work/long.mp3" >/dev/null 2>&1 & pid=$!
        sounding=0
        for _ in $(seq 100); do
            if pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$pid\""; then sounding=1; break; fi
            sleep 0.1
        done
        if [ $sounding -eq 1 ]; then
            sleep 3
            add "rss_play_tray_$p" "$(( $(rss_kib $pid) / 1024 ))"
        else
            echo "$p: no sound reached the sink, no playing memory" >&2
        fi
        stop_pid $pid
        sleep 0.5
    done

    # Playback of the same MP3 to the same sink, all players side by side (CPU time is per process).
    reset_configs
    declare -A play_cmd=(
        [vireo]="env QT_QPA_PLATFORM=offscreen $root/build/bin/bench_engine play $work/long.mp3"
        [floor]="env GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin flags=0x2 uri=$uri audio-sink=pulsesink"
        # The floor again with the 400 ms output buffer Vireo asks for: how much of the difference is buffering.
        [floor-400ms-buffer]="env GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin flags=0x2 uri=$uri audio-sink='pulsesink buffer-time=400000'"
        [gst-launch-default]="gst-launch-1.0 -q playbin flags=0x2 uri=$uri audio-sink=pulsesink"
        [gst-play]="gst-play-1.0 -q --audiosink=pulsesink $work/long.mp3"
        [mpv]="mpv --no-video --ao=pulse --really-quiet $work/long.mp3"
    )
    # Each player has a null sink of its own: on a shared one the server would feed every stream at the pace
    # of the one asking for the shortest buffer.
    for p in "${!play_cmd[@]}"; do
        sink=bench_${p//-/_}
        pactl list short sinks | grep -q "	$sink	" \
            || pactl load-module module-null-sink sink_name="$sink" rate=44100 channels=2 >/dev/null
        eval "PULSE_SINK=$sink /usr/bin/time -f '%U %S %M' -o '$work/time-$p' ${play_cmd[$p]}" >/dev/null 2>&1 </dev/null &
    done
    wait_for=$(( PLAY_SECONDS + 30 ))
    for _ in $(seq $(( wait_for * 10 ))); do
        done_all=1
        for p in "${!play_cmd[@]}"; do [ -s "$work/time-$p" ] || done_all=0; done
        [ $done_all -eq 1 ] && break
        sleep 0.1
    done
    for p in "${!play_cmd[@]}"; do
        # A player that failed has "Command exited with non-zero status" first: its figures do not count.
        if [ "$(wc -l <"$work/time-$p")" -ne 1 ]; then echo "$p: $(head -1 "$work/time-$p")" >&2; rm -f "$work/time-$p"; continue; fi
        read -r u s m < "$work/time-$p" || continue
        add "cpu_play_$p" "$(echo "$u + $s" | bc)"
        add "rss_play_$p" "$(( m / 1024 ))"
        rm -f "$work/time-$p"
    done

    # Idle in the tray: every program at once, measured over the same window.
    reset_configs
    declare -A idle_pid=()
    for p in vireo qmmp audacious-gtk audacious-qt strawberry; do
        ${start_cmd[$p]} >/dev/null 2>&1 & idle_pid[$p]=$!
    done
    # A second Vireo that played a short list to its end first: idle after the list.
    "$root/build/bin/vireo" "$work/one.wav" >/dev/null 2>&1 & idle_pid[vireo-after-list]=$!
    sleep 8
    declare -A c0=() s0=()
    for p in "${!idle_pid[@]}"; do c0[$p]=$(cpu_ticks ${idle_pid[$p]}); s0[$p]=$(switches ${idle_pid[$p]}); done
    sleep "$IDLE_SECONDS"
    for p in "${!idle_pid[@]}"; do
        c=$(cpu_ticks ${idle_pid[$p]}); s=$(switches ${idle_pid[$p]})
        add "idle_cpu_per_10s_$p" "$(echo "scale=4; ($c - ${c0[$p]}) / $hz * 10 / $IDLE_SECONDS" | bc)"
        add "idle_wakeups_per_s_$p" "$(echo "scale=2; ($s - ${s0[$p]}) / $IDLE_SECONDS" | bc)"
    done
    for p in "${!idle_pid[@]}"; do stop_pid ${idle_pid[$p]}; done
    sleep 1

    # Latencies and scale, from inside the program.
    reset_configs
    # Each drop is the first of a fresh start: a hand resting 150 ms over the icon before letting go, and none.
    : >"$work/lat"
    for f in a.mp3 a.ogg a.flac; do
        for hover in 150 0; do
            env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" latency $hover "$work/$f" >>"$work/lat"
        done
    done
    env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" gap "$work/one.wav" "$work/two.wav" >>"$work/lat"
    env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" scale "$work/a.mp3" >>"$work/lat"
    while read -r name value _; do add "$name" "$value"; done <"$work/lat"
done

printf '\n%-38s %s\n' "figure" "median (min…max) over $RUNS runs"
for key in $(printf '%s\n' "${!results[@]}" | sort); do
    printf '%-38s %s\n' "$key" "$(printf '%s' "${results[$key]}" | stats)"
done
floor=$(printf '%s' "${results[cpu_play_floor]:-}" | median)
vireo=$(printf '%s' "${results[cpu_play_vireo]:-}" | median)
printf '\nplayback cost, Vireo / floor: %s (goal ≤ 1.10)\n' "$(echo "scale=2; $vireo / $floor" | bc 2>/dev/null || echo n/a)"
