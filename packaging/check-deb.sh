#!/usr/bin/env bash
# Builds the Debian package from a configured build tree, installs it with apt (which brings its declared
# dependencies), starts /usr/bin/vireo on a private X server with a tray, checks that its icon embeds and its
# resources are in place, then removes the package again. Usage: check-deb.sh <build-dir>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
xpid="" trayid="" vpid=""
cleanup() {
    [ -n "$vpid" ] && kill "$vpid" 2>/dev/null || true
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

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$deb" >/dev/null
test -x /usr/bin/vireo
test -f /usr/share/vireo/independent
for lang in en de ru; do for n in 1 2 3; do test -s "/usr/share/vireo/VireoSlide${n}_${lang}.jpg"; done; done
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
mkdir -p "$work/home"
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent VIREO_AUDIO_SINK="fakesink" /usr/bin/vireo >"$work/vireo.log" 2>&1 &
vpid=$!
embedded=""
for _ in $(seq 100); do
    if xwininfo -root -tree 2>/dev/null | grep -qE '"Vireo": \("vireo" "Vireo"\)\s+[0-9]+x[0-9]+\+0\+0\s+\+[1-9]'; then
        embedded=yes; break
    fi
    sleep 0.1
done
[ -n "$embedded" ] || { echo "the installed program's icon did not appear in the tray"; cat "$work/vireo.log"; exit 1; }
echo "the installed program runs and its icon is in the tray"
kill "$vpid"; wait "$vpid" 2>/dev/null || true; vpid=""

DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq vireo >/dev/null
[ ! -e /usr/bin/vireo ] || { echo "the package left /usr/bin/vireo behind"; exit 1; }
echo "removed cleanly"
