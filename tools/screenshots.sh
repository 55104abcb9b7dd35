#!/usr/bin/env bash
# Takes the screenshots the software centres show (data/screenshots/, named in the AppStream
# description): the main window and the card editor, from the program in build/ on a virtual
# display, over a register of made-up patients. The windows are found inside the program by
# their names (the plugin in tools/screenshots/). Run tools/setup.sh first.
#     tools/screenshots.sh [FOLDER]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$top/build
out=$(realpath -m "${1:-$top/data/screenshots}")

if ! command -v xvfb-run >/dev/null; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends xvfb xauth
fi
cmake --build "$build" --target ventrel ventrel-genregister ventrelshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out" "$work/register" "$work/data/Ventrel" "$work/runtime" "$work/shots"
chmod 700 "$work/runtime"

# A register of made-up people, a few of them seen during the last month; the main window
# opens a little larger than its design size, so that the list shows its columns.
"$build/ventrel-genregister" --out "$work/register/base.fdb" --patients 600 --seed 15 \
    --template "$build/Base0.fdb" 2>/dev/null
cat >"$work/data/Ventrel/Ventrel.ini" <<INI
[Main]
PathBase=$work/register
[Backup]
Auto=0
[fmMain]
Top=40
Left=40
Width=760
Height=520
INI

status=0
HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime \
    VENTREL_COMMON_DATA='' QT_QPA_PLATFORM=xcb QT_PLUGIN_PATH=$build/plugins \
    QT_QPA_GENERIC_PLUGINS=ventrelshots VENTREL_SCREENSHOTS=$work/shots \
    timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" "$build/ventrel" || status=$?
[ "$status" -eq 0 ] || echo "the program ended with status $status" >&2
[ -f "$work/shots/done" ] || {
    echo "the program ended before the screenshots were taken (status $status)" >&2
    exit 1
}
for shot in main-window card-editor; do
    if [ -f "$work/shots/$shot.png" ]; then
        cp "$work/shots/$shot.png" "$out/"
        echo "$out/$shot.png"
    else
        echo "no $shot.png: run this again once that window is part of the program" >&2
    fi
done
