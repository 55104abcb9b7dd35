#!/usr/bin/env bash
# The Debian package that "cpack -G DEB" makes: what it installs where, its control fields and
# its maintainer scripts.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" # BUILD_FOLDER VERSION

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.txt")"
deb=$work/ventrel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no package $deb: $(ls "$work")"

# "mode ./path", and " -> target" for a link.
dpkg-deb -c "$deb" | awk '{ line = $1 " " $6; if (NF > 6) line = line " " $7 " " $8; print line }' \
    >"$work/contents.txt"
while read -r mode path; do
    grep -qxF -- "$mode ./$path" "$work/contents.txt" || fail "the package lacks $mode $path"
done <<LIST
-rwxr-xr-x usr/bin/ventrel
-rw-r--r-- usr/share/ventrel/Base0.fdb
-rw-r--r-- usr/share/applications/$id.desktop
-rw-r--r-- usr/share/metainfo/$id.metainfo.xml
-rw-r--r-- usr/share/icons/hicolor/scalable/apps/$id.svg
-rw-r--r-- usr/share/icons/hicolor/48x48/apps/$id.png
-rw-r--r-- usr/share/fontconfig/conf.avail/$alias
-rw-r--r-- usr/share/man/man1/ventrel.1.gz
-rw-r--r-- usr/share/doc/ventrel/copyright
-rw-r--r-- usr/share/doc/ventrel/changelog.gz
LIST
grep -qxF -- "lrwxrwxrwx ./etc/fonts/conf.d/$alias -> /usr/share/fontconfig/conf.avail/$alias" \
    "$work/contents.txt" || fail "the fontconfig alias is not linked into /etc/fonts/conf.d"
# The register is the package's to leave alone: the maintainer scripts make its folder.
! grep -q 'var/lib' "$work/contents.txt" || fail "the package ships /var/lib"
! grep -qE 'test_|bench|genregister|mktemplate|ventrel-tidy' "$work/contents.txt" ||
    fail "the package holds the build's tools"
dpkg-deb -x "$deb" "$work/root"
# Every tool's output is read whole before it is looked at: under pipefail a reader that stops
# early (grep -q, head) would let the writer die of a broken pipe and fail a sound package.
kind=$(file -b "$work/root/usr/bin/ventrel") || fail "file: $kind"
[[ $kind == *", stripped"* ]] || fail "the program is not stripped: $kind"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = ventrel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = science ] || fail "Section: $(field Section)"
[ "$(field Maintainer)" = "Илья Воронцов <ventrel@example.org>" ] || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
for package in libfbclient2 libqt6widgets6 libqt6charts6 libxlsxwriter4 firebird3.0-server-core \
    qt6-translations-l10n fonts-liberation2 fonts-roboto-unhinted adduser; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
grep -q libreoffice-writer <<<"$(field Recommends)" || fail "Recommends: $(field Recommends)"
description=$(field Description)
summary=${description%%$'\n'*}
[ "$summary" = "register of outpatients for a doctor's practice" ] || fail "Description: $summary"

dpkg-deb --ctrl-tarfile "$deb" >"$work/control.tar" || fail "dpkg-deb --ctrl-tarfile failed"
tar -tvf "$work/control.tar" | awk '{ print $1, $6 }' >"$work/control.txt"
for script in postinst postrm; do
    grep -qxF -- "-rwxr-xr-x ./$script" "$work/control.txt" || fail "no executable $script"
done
# The shared folder the postinst makes, run in a scratch root: setgid and sticky (3770), so
# that a member of the group can neither rename nor delete another's register; a folder of an
# earlier version (2770) gets the sticky bit, one an administrator set up otherwise is kept.
# The host's groups are not touched: the group is taken as there, and the owner as given.
dpkg-deb -e "$deb" "$work/control"
mkdir -p "$work/bin"
printf '#!/bin/sh\necho ventrel:x:999:\n' >"$work/bin/getent"
printf '#!/bin/sh\necho "addgroup must not run here" >&2; exit 1\n' >"$work/bin/addgroup"
install_without_owners "$work/bin"
chmod +x "$work/bin/"*
postinst() { PATH=$work/bin:$PATH DPKG_ROOT=$work/target sh "$work/control/postinst" configure; }
for before in none 2770 750; do
    rm -rf "$work/target"
    mkdir -p "$work/target/var/lib"
    [ $before = none ] || install -d -m $before "$work/target/var/lib/Ventrel"
    postinst || fail "postinst configure failed (folder before: $before)"
    expected=3770
    [ $before != 750 ] || expected=750
    mode=$(stat -c %a "$work/target/var/lib/Ventrel")
    [ "$mode" = $expected ] || fail "the shared folder is $mode, not $expected (before: $before)"
done
echo "package $(basename "$deb") is sound"
