#!/usr/bin/env bash
# The server's Debian package, made by the same "cpack -G DEB" as the workstation's: what it
# installs where, its control fields, and its maintainer scripts run in a scratch root that holds
# Debian's configuration of the Firebird server: installed twice, then purged.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" # BUILD_FOLDER VERSION

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.txt")"
arch=$(dpkg --print-architecture)
[ -f "$work/ventrel_${version}_$arch.deb" ] || fail "no workstation's package: $(ls "$work")"
deb=$work/ventrel-server_${version}_$arch.deb
[ -f "$deb" ] || fail "no package $deb: $(ls "$work")"

dpkg-deb -c "$deb" | awk '{ print $1, $6 }' >"$work/contents.txt"
while read -r mode path; do
    grep -qxF -- "$mode ./$path" "$work/contents.txt" || fail "the package lacks $mode $path"
done <<LIST
-rwxr-xr-x usr/sbin/ventrel-admin
-rw-r--r-- usr/share/man/man8/ventrel-admin.8.gz
-rw-r--r-- usr/share/ventrel-server/ventrel.fdb
-rw-r--r-- lib/systemd/system/ventrel-backup.service
-rw-r--r-- lib/systemd/system/ventrel-backup.timer
-rw-r--r-- usr/share/doc/ventrel-server/copyright
-rw-r--r-- usr/share/doc/ventrel-server/changelog.gz
LIST
# The register, its folder and the backups are the maintainer scripts' to make and to leave.
! grep -qE 'var/lib|usr/bin|Base0' "$work/contents.txt" ||
    fail "the package holds what is not the server's: $(grep -E 'var/lib|usr/bin|Base0' "$work/contents.txt")"
dpkg-deb -x "$deb" "$work/root"
kind=$(file -b "$work/root/usr/sbin/ventrel-admin") || fail "file: $kind"
[[ $kind == *", stripped"* ]] || fail "ventrel-admin is not stripped: $kind"
cmp -s "$work/root/usr/share/ventrel-server/ventrel.fdb" "$build/Base0.fdb" ||
    fail "the server's template is not the register's template"
# systemd reads the units without a complaint but that the program is not installed here.
said=$(systemd-analyze verify --man=no "$work/root/lib/systemd/system/ventrel-backup.timer" \
    "$work/root/lib/systemd/system/ventrel-backup.service" 2>&1) || true
said=$(grep -vF 'Command /usr/sbin/ventrel-admin is not executable' <<<"$said" || true)
[ -z "$said" ] || fail "systemd-analyze verify: $said"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = ventrel-server ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = database ] || fail "Section: $(field Section)"
depends=$(field Depends)
for package in firebird3.0-server libfbclient2; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
[ -z "$(field Recommends)" ] || fail "Recommends: $(field Recommends)"

dpkg-deb -e "$deb" "$work/control"
for script in postinst prerm postrm; do
    [ -x "$work/control/$script" ] || fail "no executable $script"
done
said=$(shellcheck "$work/control/postinst" "$work/control/prerm" "$work/control/postrm" 2>&1) ||
    fail "shellcheck: $said"

# The scratch root: the package's files, and the Firebird server's configuration and data folder
# as Debian's package makes them, with an active line of a key the package sets, written in
# another case, that must be replaced rather than doubled.
target=$work/target
dpkg-deb -x "$deb" "$target"
mkdir -p "$target/etc/firebird/3.0"
cp /etc/firebird/3.0/firebird.conf /etc/firebird/3.0/databases.conf "$target/etc/firebird/3.0/"
echo 'wirecrypt = Enabled' >>"$target/etc/firebird/3.0/firebird.conf"
install -d -m 770 "$target/var/lib/firebird/3.0/data"
cp -a "$target/etc/firebird/3.0" "$work/original"
conf=$target/etc/firebird/3.0/firebird.conf
register=$target/var/lib/firebird/3.0/data/ventrel.fdb
backups=$target/var/lib/ventrel-server/backups
# As root (in CI) the register and the backups get the engine's user; anyone else cannot give
# files away, and the scripts' owners are dropped.
mkdir -p "$work/bin"
if [ "$(id -u)" -ne 0 ]; then
    install_without_owners "$work/bin"
fi
# A maintainer script as dpkg runs it (deb-systemd-helper wants to know the package).
script() {
    PATH=$work/bin:$PATH DPKG_ROOT=$target DPKG_MAINTSCRIPT_PACKAGE=ventrel-server \
        DPKG_MAINTSCRIPT_NAME=$1 sh "$work/control/$1" "${@:2}" >>"$work/scripts.txt"
}

script postinst configure || fail "postinst configure failed"
cmp -s "$register" "$target/usr/share/ventrel-server/ventrel.fdb" || fail "no register from the template"
echo 'a register with patients' >"$register"
script postinst configure 1.0 || fail "postinst configure failed the second time"
[ "$(cat "$register")" = 'a register with patients' ] || fail "postinst replaced an existing register"
owners=firebird:firebird
[ "$(id -u)" -eq 0 ] || owners=$(id -un):$(id -gn)
[ "$(stat -c '%a %U:%G' "$register")" = "660 $owners" ] || fail "register: $(stat -c '%a %U:%G' "$register")"
[ "$(stat -c '%a %U:%G' "$backups")" = "700 $owners" ] || fail "backups: $(stat -c '%a %U:%G' "$backups")"
[ "$(stat -c %a "${backups%/*}")" = 755 ] || fail "backups' folder: $(stat -c %a "${backups%/*}")"
for setting in 'WireCrypt = Required' 'AuthServer = Srp' 'RemoteAuxPort = 3051'; do
    key=${setting%% *}
    lines=$(grep -iE "^[[:space:]]*${key}[[:space:]]*=" "$conf" || true)
    [ "$lines" = "$setting" ] || fail "firebird.conf sets $key as: $lines"
done
[ "$(grep RemoteBindAddress "$conf")" = "$(grep RemoteBindAddress "$work/original/firebird.conf")" ] ||
    fail "postinst touched RemoteBindAddress"
[ "$(grep -c '^ventrel = /var/lib/firebird/3.0/data/ventrel.fdb$' "$target/etc/firebird/3.0/databases.conf")" = 1 ] ||
    fail "databases.conf: $(grep ventrel "$target/etc/firebird/3.0/databases.conf")"
[ -L "$target/etc/systemd/system/timers.target.wants/ventrel-backup.timer" ] || fail "the timer is not enabled"

# dpkg's purge: prerm, the package's files go, postrm remove, postrm purge.
script prerm remove || fail "prerm remove failed"
rm -r "${target:?}/usr" "${target:?}/lib"
script postrm remove || fail "postrm remove failed"
script postrm purge || fail "postrm purge failed"
cmp -s "$conf" "$work/original/firebird.conf" || fail "purge did not restore firebird.conf"
cmp -s "$target/etc/firebird/3.0/databases.conf" "$work/original/databases.conf" ||
    fail "purge left databases.conf changed"
[ ! -e "$conf.ventrel-saved" ] || fail "purge left the saved firebird.conf"
[ "$(cat "$register")" = 'a register with patients' ] || fail "purge changed the register"
[ -d "$backups" ] || fail "purge removed the backups"
grep -qF "${backups#"$target"}" "$work/scripts.txt" || fail "purge did not say where the register was left"
[ -z "$(find "$target/etc/systemd" -name 'ventrel-backup.*')" ] || fail "purge left the timer's links"
echo "package $(basename "$deb") is sound"
