#!/usr/bin/env bash
# Installs every Debian package needed to build, run and test Vireo. Safe to run again: when everything is
# already there it only checks and says nothing.
set -euo pipefail

packages=(
    # build
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev libxcb1-dev libxcb-xfixes0-dev libxcb-res0-dev libtotem-plparser-dev libcue-dev libtag1-dev libuchardet-dev
    # run
    qt6-qpa-plugins qt6-translations-l10n
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-libav
    gstreamer1.0-pulseaudio gstreamer1.0-tools
    # test: the adaptive-streaming demuxers most desktops have, which a local file must never reach
    gstreamer1.0-plugins-bad
    # test: a desktop of our own (X server, tray host, sound server, input) and fixture makers
    xvfb xauth trayer weston qt6-wayland xdotool x11-utils pulseaudio pulseaudio-utils dbus dbus-x11 sox lame desktop-file-utils libglib2.0-bin appstream dpkg-dev
    lintian xdg-utils file xfce4-panel xfconf xfwm4 dunst playerctl
    # test: GNOME Shell as Ubuntu ships it, with the AppIndicator extension
    gnome-shell gnome-shell-extension-appindicator gjs
    # test: Cinnamon, whose XApp status applet shows the items that xapp-sn-watcher hands it
    cinnamon xapp-sn-watcher
    # test: the desktop portal with GNOME's backend, whose open dialog the program shows there
    xdg-desktop-portal xdg-desktop-portal-gnome xdg-desktop-portal-gtk
    # test: LXQt's panel, its item host and X11 tray side by side, and its notification daemon
    lxqt-panel lxqt-notificationd
    # test: MATE's panel, its notification area and its notification daemon
    mate-panel mate-notification-daemon
    # test: KDE Plasma's X11 session: window manager, shell with its default panel, item watcher, tray proxy
    kwin-x11 plasma-desktop plasma-workspace kded5 kactivitymanagerd
    # test: KDE Plasma's Wayland session: the compositor, and the protocol and tools for the tests' own pointer
    kwin-wayland qtwayland5 plasma-wayland-protocols libwayland-dev libwayland-bin
    # test: sway with waybar; wayvnc lets the test's pointer in, grim takes the screen
    sway waybar wayvnc grim
    # test: i3 with i3bar, a window manager that names no work area
    i3-wm
    # test: PipeWire beside PulseAudio (pipewire-audio would remove PulseAudio, which the other tests use)
    pipewire wireplumber pipewire-pulse
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
