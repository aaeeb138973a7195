#!/usr/bin/env bash
# Builds the Debian package from a configured build tree and runs lintian on it; installs it with apt (which
# brings its declared dependencies), starts /usr/bin/vireo on a private X server with a tray, checks that its icon
# embeds and its resources are in place; starts it the ways a desktop does (its desktop entry through gio, D-Bus
# activation through gapplication, xdg-open after xdg-mime default), each heard on a sound server of its own;
# then removes the package again. Usage: check-deb.sh <build-dir>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
xpid="" trayid="" vpid="" pulsepid="" buspid=""
# The player this script started on its own session bus, found there by its name: it ends by its Quit, or by its
# process number when it does not go. Players of anyone else, on other buses, are not touched.
player_on_bus() {
    dbus-send --session --print-reply --reply-timeout=2000 --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.NameHasOwner string:example.corvane.Vireo 2>/dev/null | grep -q "boolean true"
}
stop_player() {
    local pid
    pid=$(dbus-send --session --print-reply --reply-timeout=2000 --dest=org.freedesktop.DBus / \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:example.corvane.Vireo 2>/dev/null \
        | awk '/uint32/ {print $2}') || true
    [ -n "$pid" ] || return 0
    dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.vireo /org/mpris/MediaPlayer2 \
        org.mpris.MediaPlayer2.Quit 2>/dev/null || true
    for signal in TERM KILL; do
        for _ in $(seq 50); do player_on_bus || return 0; sleep 0.1; done
        kill -s "$signal" "$pid" 2>/dev/null || true
    done
}
cleanup() {
    [ -n "$vpid" ] && kill "$vpid" 2>/dev/null || true
    [ -n "$buspid" ] && stop_player
    [ -n "$buspid" ] && kill "$buspid" 2>/dev/null || true
    [ -n "$pulsepid" ] && kill "$pulsepid" 2>/dev/null || true
    [ -n "$trayid" ] && kill "$trayid" 2>/dev/null || true
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
    if dpkg-query -W -f='${Status}' vireo 2>/dev/null | grep -q "install ok installed"; then
        DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq vireo >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/vireo_*.deb)
echo "built $(basename "$deb")"
dpkg-deb -f "$deb" Depends
# Not a word from lintian: no error, no warning (its informational notes are not asked for).
lintian_status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || { echo "lintian found errors or warnings"; exit 1; }
echo "lintian: no error, no warning"

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
test -x /usr/bin/vireo
for plugin in playlists sheets tags network; do test -f "/usr/lib/vireo/plugins/$plugin.so"; done
test -f /usr/share/vireo/independent
for set in VireoSlide VireoSlideOpen; do for lang in en de ru; do for n in 1 2 3; do test -s "/usr/share/vireo/${set}${n}_${lang}.jpg"; done; done; done
test -f /usr/share/applications/example.corvane.Vireo.desktop
desktop-file-validate /usr/share/applications/example.corvane.Vireo.desktop
for f in /usr/share/metainfo/*.Vireo.metainfo.xml; do appstreamcli validate --no-net "$f" >/dev/null; done
echo "installed: binary, resources, desktop entry and metadata in place"

display=""
for n in $(seq 150 199); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display
trayer --edge top --align left --widthtype request --height 26 >/dev/null 2>&1 & trayid=$!
# The tray is up before the program, as at a login (a program started before its tray is a case of the end-to-end
# suite): on a loaded machine trayer takes a while to claim the tray.
for _ in $(seq 100); do xwininfo -root -tree 2>/dev/null | grep -q '"panel"' && break; sleep 0.1; done
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent VIREO_AUDIO_SINK="fakesink" /usr/bin/vireo >"$work/vireo.log" 2>&1 &
vpid=$!
embedded=""
# Up to 30 s: on a loaded machine the tray and the program's first start (caches cold) can take their time.
for _ in $(seq 300); do
    if xwininfo -root -tree 2>/dev/null | grep -qE '"Vireo": \("vireo" "Vireo"\)\s+[0-9]+x[0-9]+\+0\+0\s+\+[1-9]'; then
        embedded=yes; break
    fi
    sleep 0.1
done
[ -n "$embedded" ] || { echo "the installed program's icon did not appear in the tray"; cat "$work/vireo.log"; exit 1; }
echo "the installed program runs and its icon is in the tray"
kill "$vpid"; wait "$vpid" 2>/dev/null || true; vpid=""

# --- started as a desktop starts it, and heard ------------------------------------------------------------------
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no --log-level=error \
    -L "module-null-sink sink_name=check rate=44100 channels=2" \
    -L "module-native-protocol-unix auth-anonymous=1 socket=$work/pulse" >/dev/null 2>&1 & pulsepid=$!
export PULSE_SERVER=unix:$work/pulse
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
# A session bus that knows the installed D-Bus services (from XDG_DATA_DIRS), started after the environment that
# the programs it activates inherit.
export XDG_DATA_DIRS=/usr/local/share:/usr/share
eval "$(dbus-launch --sh-syntax)"
buspid=$DBUS_SESSION_BUS_PID
song=$work/song.wav
gst-launch-1.0 -q audiotestsrc wave=sine freq=440 num-buffers=600 ! audio/x-raw,rate=44100,channels=2 \
    ! audioconvert ! wavenc ! filesink location="$song"
heard() {
    local how=$1; shift
    parec -d check.monitor --raw --format=s16le --channels=1 --rate=44100 >"$work/heard.raw" & local rec=$!
    # Without a desktop environment xdg-open runs the program itself and returns when it ends.
    "$@" >"$work/launch.log" 2>&1 & local launcher=$!
    local loud=""
    for _ in $(seq 100); do
        if python3 -c 'import array,sys; d=array.array("h"); b=open(sys.argv[1],"rb").read(); d.frombytes(b[:len(b)//2*2]); sys.exit(0 if any(abs(x)>2000 for x in d) else 1)' "$work/heard.raw"; then
            loud=yes; break
        fi
        sleep 0.1
    done
    kill "$rec" 2>/dev/null; wait "$rec" 2>/dev/null || true
    stop_player
    wait "$launcher" 2>/dev/null || true
    [ -n "$loud" ] || { echo "$how: nothing was heard"; cat "$work/launch.log"; exit 1; }
    echo "$how: heard"
}
entry=/usr/share/applications/example.corvane.Vireo.desktop
heard "gio launch (the desktop entry)" gio launch "$entry" "$song"
heard "gapplication launch (D-Bus activation)" gapplication launch example.corvane.Vireo "$song"
xdg-mime default example.corvane.Vireo.desktop audio/x-wav
heard "xdg-open after xdg-mime default" xdg-open "$song"
# Play lists are read by a plugin the program loads from its installed folder when the first list comes.
printf '#EXTM3U\n%s\n' "$song" >"$work/list.m3u"
heard "a play list (the installed list reader)" gio launch "$entry" "$work/list.m3u"

DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq vireo >/dev/null
[ ! -e /usr/bin/vireo ] && [ ! -e /usr/lib/vireo ] || { echo "the package left /usr/bin/vireo or /usr/lib/vireo behind"; exit 1; }
echo "removed cleanly"
