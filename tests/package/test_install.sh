#!/usr/bin/env bash
# The installation: "cmake --install" into a temporary prefix puts every file where the desktop
# and the program look for it, the desktop entry and the description for software centres pass
# the desktop's own validators, and the installed program, started as a new user starts it
# (empty XDG folders, no shared register), makes its register from the installed template,
# shows its list and ends the ordinary way on SIGTERM.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" # BUILD_FOLDER VERSION

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/ventrel share/ventrel/Base0.fdb share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/16x16/apps/$id.png share/icons/hicolor/256x256/apps/$id.png \
    share/fontconfig/conf.avail/$alias share/man/man1/ventrel.1.gz share/doc/ventrel/copyright \
    share/doc/ventrel/changelog.gz; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ ! -e "$prefix/bin/Base0.fdb" ] || fail "the template lies beside the installed program"
[ "$(readlink "$prefix/etc/fonts/conf.d/$alias")" = "$prefix/share/fontconfig/conf.avail/$alias" ] ||
    fail "the fontconfig alias is not linked into etc/fonts/conf.d"

said=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $said"
[ -z "$said" ] || fail "desktop-file-validate: $said"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/appstream.txt" ||
    fail "appstreamcli validate: $(cat "$work/appstream.txt")"
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
    fail "the description names another release"

# The first run of the installed program.
home=$work/home
mkdir -p "$home/data" "$home/config" "$home/cache" "$home/runtime"
chmod 700 "$home/runtime"
data=$home/data/Ventrel
HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/runtime VENTREL_COMMON_DATA='' QT_QPA_PLATFORM=offscreen \
    "$prefix/bin/ventrel" &
program=$!
# The day's backup is made in the background once the list is shown: the run is under way.
for _ in $(seq 600); do
    compgen -G "$data/backups/base-*.fbk" | grep -q '\.fbk$' && break
    kill -0 $program 2>/dev/null || fail "the installed program ended by itself"
    sleep 0.1
done
compgen -G "$data/backups/base-*.fbk" | grep -q '\.fbk$' || fail "the installed program did not show its list"
kill -TERM $program
status=0
wait $program || status=$?
[ $status -eq 0 ] || fail "the installed program ended with status $status"
[ -f "$data/Base.fdb" ] || fail "no register was made in $data"
[ "$(stat -c %a "$data/Base.fdb")" = 600 ] || fail "the register is not the user's alone"
grep -q '^\[fmMain\]' "$data/Ventrel.ini" || fail "the end of the run did not write the settings"
echo "installed into $prefix: files, desktop entry, description and first run are sound"
