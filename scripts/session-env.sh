# Sourced by the soak and memcheck scripts: builds the session driver and runs what follows in a throw-away home,
# offscreen, into a clocked fake sink, so a long run never touches the user's settings or speakers.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target soak
session_home=$(mktemp -d)
trap 'rm -rf "$session_home"' EXIT
export HOME=$session_home XDG_CONFIG_HOME=$session_home/.config XDG_DATA_HOME=$session_home/.local/share
export QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="*.debug=false" VIREO_AUDIO_SINK="fakesink sync=true"
