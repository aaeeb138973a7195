#!/usr/bin/env bash
# Measures Vireo beside the players a user might pick instead, all in one run on the same generated files, and
# prints one table: median, minimum and maximum of RUNS runs for every figure, with the machine and the versions of
# the anchors. Not part of the test suite; no figure is a pass or a fail.
#
#   bash bench/run.sh                       (RUNS=5, PLAY_SECONDS=60, IDLE_SECONDS=60 by default)
#   RUNS=3 PLAY_SECONDS=30 IDLE_SECONDS=20 bash bench/run.sh     a shorter run
#
# Everything is measured from outside, as users run the programs: each player in the tray (trayer on Xvfb), each
# on a PulseAudio null sink of its own, sound heard on the sink's monitor. The anchors (gst-play-1.0, qmmp,
# audacious, strawberry) are measuring sticks installed here from Debian's packages, never dependencies.
set -euo pipefail
cd "$(dirname "$0")/.."
RUNS=${RUNS:-5}
PLAY_SECONDS=${PLAY_SECONDS:-60}
IDLE_SECONDS=${IDLE_SECONDS:-60}
root=$(pwd)

bash scripts/install-deps.sh
anchors=(gstreamer1.0-plugins-base-apps qmmp audacious strawberry bc)
missing=()
for p in "${anchors[@]}"; do dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vireo bench_engine drag_helper >/dev/null

work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; sleep 0.3; rm -rf "$work"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
mkdir -p "$XDG_RUNTIME_DIR" "$HOME"
chmod 700 "$XDG_RUNTIME_DIR"
# No session bus: the single-instance players (audacious) then run side by side, and none of them is started by
# D-Bus behind the measurement's back.
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
# A null sink for each player: on a shared one the server feeds every stream at the pace of the one asking for
# the shortest buffer.
sink() {
    local name=bench_${1//-/_}
    pactl list short sinks | grep -q "	$name	" \
        || pactl load-module module-null-sink sink_name="$name" rate=44100 channels=2 >/dev/null
    echo "$name"
}

# Every step that should end by itself is bounded: one that hangs (a decoder that never prerolls) is ended, named
# on standard error, and the run goes on without its figure.
bounded() {
    local seconds=$1 step=$2
    shift 2
    timeout --kill-after=5 "$seconds" "$@" && return 0
    echo "bench: step \"$step\" failed or did not end within ${seconds}s" >&2
    return 1
}

# --- media -------------------------------------------------------------------------------------------------
tone() { bounded 120 "make $1" gst-launch-1.0 -q audiotestsrc wave=sine freq="$3" samplesperbuffer=441 num-buffers=$(( $2 * 100 )) \
    ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! $4 ! filesink location="$1"; }
tone "$work/long.mp3" "$PLAY_SECONDS" 440 "lamemp3enc target=bitrate cbr=true bitrate=192 ! xingmux"
tone "$work/a.mp3" 3 440 "lamemp3enc ! xingmux"
tone "$work/a.ogg" 3 440 "vorbisenc ! oggmux"
tone "$work/a.flac" 3 440 "flacenc"
tone "$work/one.wav" 2 440 "wavenc"
# Track changes: a first song at 440 Hz, a second at 660 Hz.
tone "$work/gap1.mp3" 3 440 "lamemp3enc ! xingmux"
tone "$work/gap2.mp3" 3 660 "lamemp3enc ! xingmux"
tone "$work/gap1.ogg" 3 440 "vorbisenc ! oggmux"
tone "$work/gap2.flac" 3 660 "flacenc"
# Two halves of one 440 Hz tone (3 s hold a whole number of periods), each encoded by the lame program, which
# records its delay and padding in the file: played in a row they should sound as one tone, without a gap.
tone "$work/half.wav" 3 440 "wavenc"
bounded 60 "lame half.wav" lame --quiet "$work/half.wav" "$work/cut1.mp3"
cp "$work/cut1.mp3" "$work/cut2.mp3"
tone "$work/a.m4a" 3 440 "avenc_aac ! mp4mux"
tone "$work/a.opus" 3 440 "audioresample ! opusenc ! oggmux"
# A listener's library: 100 artists with 5 albums of 10 songs each, every album in one of five formats. The songs
# are hard links to one file per format, so that the 5,000 cost no time to encode and little space.
formats=(mp3 ogg flac opus m4a)
for artist in $(seq -w 1 100); do
    for album in 1 2 3 4 5; do
        folder="$work/library/Artist $artist/Album $album"
        mkdir -p "$folder"
        ext=${formats[$(( (10#$artist + album) % 5 ))]}
        for song in $(seq -w 1 10); do ln "$work/a.$ext" "$folder/$song Song $song.$ext"; done
    done
done
head -c 200M /dev/urandom > "$work/damaged.mp3"
mkfifo "$work/fifo.mp3"
uri=file://$work/long.mp3

# --- helpers -----------------------------------------------------------------------------------------------
stats() { sort -g | awk '{v[NR]=$1} END {if (NR==0) {print "n/a"; exit} m=(NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2; printf "%.3g (%.3g…%.3g)", m, v[1], v[NR]}'; }
median() { sort -g | awk '{v[NR]=$1} END {if (NR==0) {print "nan"; exit} print (NR%2)?v[(NR+1)/2]:(v[NR/2]+v[NR/2+1])/2}'; }
declare -A results
add() { results["$1"]+="$2"$'\n'; }
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
# "name value" lines of a measuring tool into the table (fed by a process substitution: a pipe would run it in a
# subshell whose table is lost).
take() { while read -r name value _; do [ -n "$name" ] && add "$name" "$value"; done; }
# Ends a program, firmly if it does not listen.
stop_pid() {
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 30); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

reset_configs() {
    rm -rf "$HOME/.qmmp" "$XDG_CONFIG_HOME/audacious" "$XDG_CONFIG_HOME/strawberry" "$XDG_CONFIG_HOME/Vireo" \
        "$XDG_DATA_HOME/Vireo" "$XDG_DATA_HOME/strawberry"
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

# Waits until the program's sound stream is open on the server.
sounding() {
    for _ in $(seq 150); do
        pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$1\"" && return 0
        sleep 0.1
    done
    return 1
}
icon_centre() {
    xwininfo -root -tree 2>/dev/null | grep -A200 '"panel"' \
        | sed -nE 's/.*\("vireo" "Vireo"\)\s+([0-9]+)x([0-9]+)\+0\+0\s+\+([0-9]+)\+([0-9]+).*/\1 \2 \3 \4/p' | head -1 \
        | awk '{printf "%d %d", $3 + $1 / 2, $4 + $2 / 2}'
}
tray_players=(vireo qmmp audacious-gtk audacious-qt strawberry)

echo "Measuring: $RUNS runs, ${PLAY_SECONDS} s of playback, ${IDLE_SECONDS} s idle" >&2
for run in $(seq "$RUNS"); do
    echo "run $run of $RUNS" >&2
    # Start-up to the icon in the tray, and memory 3 s after start; one program at a time.
    for p in "${tray_players[@]}"; do
        reset_configs
        t0=$(date +%s.%N)
        ${start_cmd[$p]} >/dev/null 2>&1 & pid=$!
        t=""
        for _ in $(seq 1500); do
            if embedded "${tray_class[$p]}"; then t=$(echo "$(date +%s.%N) - $t0" | bc); break; fi
            sleep 0.002
        done
        [ -n "$t" ] && add "startup_to_icon_$p" "$(echo "$t * 1000" | bc)"
        sleep 3
        add "rss_idle_$p" "$(( $(rss_kib $pid) / 1024 ))"
        stop_pid $pid
        sleep 0.5
    done

    # Playing the long MP3 from the tray: every player started on the file, each on its own sink, all measured
    # over the same window once all of them sound; beside them the floor, GStreamer's playbin with the same MP3
    # decoder and the output buffer Vireo asks for, and with GStreamer's default buffer.
    reset_configs
    declare -A play_pid=()
    for p in "${tray_players[@]}"; do
        PULSE_SINK=$(sink "$p") ${start_cmd[$p]} ${play_opts[$p]:-} "$work/long.mp3" >/dev/null 2>&1 & play_pid[$p]=$!
        sleep 0.5
    done
    PULSE_SINK=$(sink floor) GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin flags=0x2 \
        uri="$uri" audio-sink="pulsesink buffer-time=400000" >/dev/null 2>&1 & play_pid[floor-400ms-buffer]=$!
    PULSE_SINK=$(sink floor_default) GST_PLUGIN_FEATURE_RANK=mpg123audiodec:MAX gst-launch-1.0 -q playbin flags=0x2 \
        uri="$uri" audio-sink=pulsesink >/dev/null 2>&1 & play_pid[floor-default-buffer]=$!
    measured=()
    for p in "${!play_pid[@]}"; do
        if sounding "${play_pid[$p]}"; then measured+=("$p=${play_pid[$p]}"); else echo "$p: no sound at its sink" >&2; fi
    done
    sleep 5
    take < <(bounded $(( PLAY_SECONDS + 60 )) "playing from the tray" python3 bench/threads.py play_tray \
        $(( PLAY_SECONDS - 20 )) "${measured[@]}" || true)
    for p in "${!play_pid[@]}"; do stop_pid "${play_pid[$p]}"; done
    sleep 1

    # Idle in the tray: every program at once, measured over the same window.
    reset_configs
    declare -A idle_pid=()
    for p in "${tray_players[@]}"; do
        ${start_cmd[$p]} >/dev/null 2>&1 & idle_pid[$p]=$!
    done
    # A second Vireo that played a short list to its end first: idle after the list.
    "$root/build/bin/vireo" "$work/one.wav" >/dev/null 2>&1 & idle_pid[vireo-after-list]=$!
    sleep 8
    measured=()
    for p in "${!idle_pid[@]}"; do measured+=("$p=${idle_pid[$p]}"); done
    take < <(bounded $(( IDLE_SECONDS + 60 )) "idle in the tray" python3 bench/threads.py idle "$IDLE_SECONDS" \
        "${measured[@]}" || true)
    for p in "${!idle_pid[@]}"; do stop_pid ${idle_pid[$p]}; done
    sleep 1

    # Track changes heard at the sink: the longest silence between the first song and the second, beside the
    # silence the two files hold themselves (the MP3 encoder's padding), decoded back to back.
    for pair in "mp3 gap1.mp3 gap2.mp3" "mp3_lame_cut cut1.mp3 cut2.mp3" "ogg_to_flac gap1.ogg gap2.flac"; do
        read -r name first second <<<"$pair"
        if bounded 60 "decode $first and $second in a row" gst-launch-1.0 -q concat name=c ! audioconvert \
            ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=44100 ! filesink location="$work/files.raw" \
            filesrc location="$work/$first" ! decodebin ! audioconvert ! c. \
            filesrc location="$work/$second" ! decodebin ! audioconvert ! c. >/dev/null 2>&1; then
            add "track_change_silence_${name}_in_the_files" \
                "$(bounded 60 "silence in $first and $second" python3 bench/silence.py "$work/files.raw")"
        fi
        for p in vireo qmmp audacious-gtk; do
            reset_configs
            s=$(sink "gap_$p")
            parec -d "$s.monitor" --raw --format=s16le --channels=1 --rate=44100 >"$work/gap.raw" & rec=$!
            PULSE_SINK=$s ${start_cmd[$p]} "$work/$first" "$work/$second" >/dev/null 2>&1 & pid=$!
            sleep 9
            stop_pid $pid
            kill $rec 2>/dev/null; wait $rec 2>/dev/null || true
            add "track_change_silence_${name}_$p" \
                "$(bounded 60 "silence at $p's change" python3 bench/silence.py "$work/gap.raw" || true)"
        done
    done

    # Start to sound: from the start of the process until the tone reaches the sink.
    declare -A cold_cmd=([vireo]="$root/build/bin/vireo" [qmmp]=qmmp [audacious-gtk]=audacious [gst-play]="gst-play-1.0 -q")
    for p in "${!cold_cmd[@]}"; do
        reset_configs
        s=$(sink "cold_$p")
        add "start_to_sound_$p" \
            "$(PULSE_SINK=$s bounded 60 "$p to sound" python3 bench/to_sound.py "$s" -- ${cold_cmd[$p]} "$work/a.mp3" || true)"
        sleep 0.5
    done

    # First sound with the whole library on the command line: the first song of the first album should sound
    # before the rest of the 5,000 are read.
    for p in vireo audacious-gtk qmmp strawberry; do
        reset_configs
        s=$(sink "library_$p")
        add "first_sound_library_5000_$p" "$(PULSE_SINK=$s bounded 90 "$p to sound from the library" \
            python3 bench/to_sound.py "$s" --timeout 60 -- ${start_cmd[$p]} ${play_opts[$p]:-} "$work/library" || true)"
        sleep 0.5
    done

    # A real drag from another program onto the icon in the tray, from letting go until the tone at the sink.
    reset_configs
    s=$(sink drop)
    PULSE_SINK=$s "$root/build/bin/vireo" >/dev/null 2>&1 & vp=$!
    for _ in $(seq 100); do embedded vireo && break; sleep 0.1; done
    sleep 1
    read -r ix iy <<<"$(icon_centre)"
    if [ -n "${ix:-}" ]; then
        "$root/build/tests/bin/drag_helper" files "$work/a.mp3" >/dev/null 2>&1 & dp=$!
        sleep 1
        ms=$(python3 bench/to_sound.py "$s" --after-line released -- bash -c "xdotool mousemove 80 240 mousedown 1; \
            for xy in '90 250' '200 200' '$((ix - 3)) 40' '$ix $iy'; do xdotool mousemove \$xy; sleep 0.15; done; \
            xdotool mouseup 1; echo released; sleep 5")
        add "drop_to_sound_at_the_sink_mp3" "$ms"
        stop_pid $dp
    else
        echo "vireo: no icon to drop on" >&2
    fi
    stop_pid $vp

    # From inside the program: drop to the sink's clock moving, long lists, and the user interface's thread.
    reset_configs
    for f in a.mp3 a.ogg a.flac; do
        for hover in 150 0; do
            take < <(bounded 120 "latency of $f" env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" latency \
                $hover "$work/$f" || true)
        done
    done
    take < <(bounded 300 "long lists" env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" scale \
        "$work/a.mp3" || true)
    take < <(bounded 300 "blocks" env QT_QPA_PLATFORM=offscreen "$root/build/bin/bench_engine" block \
        "$work/gap1.mp3" "$work/gap1.ogg" "$work/damaged.mp3" "$work/fifo.mp3" "$work/a.m4a" || true)
done

{
    echo "machine: $(uname -srm), $(nproc) CPUs, $(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo)"
    echo "anchors: $(for p in gstreamer1.0-plugins-base-apps qmmp audacious strawberry; do
        printf '%s %s, ' "$p" "$(dpkg-query -W -f='${Version}' "$p" 2>/dev/null)"; done)"
    echo "Vireo: $(git describe --always --dirty 2>/dev/null)"
}
printf '\n%-44s %s\n' "figure" "median (min…max) over $RUNS runs"
for key in $(printf '%s\n' "${!results[@]}" | sort); do
    printf '%-44s %s\n' "$key" "$(printf '%s' "${results[$key]}" | stats)"
done
m() { printf '%s' "${results[$1]:-}" | median; }
ratio() { echo "scale=2; $(m "$1") / $(m "$2")" | bc 2>/dev/null || echo n/a; }
printf '\nplaying from the tray, CPU of Vireo / the floor with its buffer: %s (goal ≤ 1.10)\n' \
    "$(ratio play_tray_cpu_vireo play_tray_cpu_floor-400ms-buffer)"
for p in qmmp audacious-gtk audacious-qt strawberry; do
    printf 'playing from the tray, CPU of Vireo / %s: %s\n' "$p" "$(ratio play_tray_cpu_vireo "play_tray_cpu_$p")"
done
printf 'resident memory playing from the tray, Vireo / audacious-gtk: %s (goal ≤ 1)\n' \
    "$(ratio play_tray_rss_vireo play_tray_rss_audacious-gtk)"
