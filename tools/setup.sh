#!/usr/bin/env bash
# Installs the Debian packages the program needs when any is missing, then configures and builds
# everything in build/. Safe to run again: it installs nothing twice and builds only what changed.
#     tools/setup.sh [more packages...]      (tools/bench.sh names the ones only it needs)
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n fonts-dejavu-core
    firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
    # The server a practice keeps its register on. The tests run its binary as a server of their
    # own on a free port (tests/privateserver.h); they never use the package's service, which its
    # installation starts only where an init system runs (not in a container) and which listens
    # on localhost:3050.
    firebird3.0-server
    # "Запомнить пароль" keeps a server password in the desktop's keyring through QtKeychain.
    qtkeychain-qt6-dev
    # The reports' charts and spreadsheets; Qt Charts' CMake files ask for Qt's OpenGL ones,
    # which Debian's qt6-charts-dev does not bring.
    qt6-charts-dev libqt6opengl6-dev libxlsxwriter-dev
    # The outpatient card's faces: Liberation Sans stands in for Arial with the same metrics,
    # the black style of Roboto for Arial Black (see tools/fontconfig).
    fonts-liberation2 fonts-roboto-unhinted
    # "Word" hands the card to LibreOffice Writer through the desktop's opener; the tests read
    # the card's RTF back with it and its PDF with poppler, and the reports' spreadsheets with
    # LibreOffice Calc.
    libreoffice-writer libreoffice-calc xdg-utils poppler-utils
    # The tests of the installation and the package check them with the desktop's and Debian's
    # own tools.
    desktop-file-utils appstream dpkg-dev file
    # The server's package: its maintainer scripts are checked with shellcheck, its units with
    # systemd-analyze.
    shellcheck systemd
    # Further packages the caller asks for (the benchmarks').
    "$@"
)

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Arial Black has no metric twin: a fontconfig alias names the heavy face that shows it, for the
# program and for the word processor that opens the card.
alias_conf=35-ventrel-arial-black.conf
if ! cmp -s "$top/tools/fontconfig/$alias_conf" "/etc/fonts/conf.d/$alias_conf"; then
    echo "Installing the fontconfig alias $alias_conf"
    "${as_root[@]}" install -D -m 644 "$top/tools/fontconfig/$alias_conf" "/etc/fonts/conf.d/$alias_conf"
fi

build_type=${VENTREL_BUILD_TYPE:-RelWithDebInfo}
if [ ! -f "$top/build/build.ninja" ]; then
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
elif ((${#missing[@]})); then
    # What was just installed may let more targets be built.
    cmake -S "$top" -B "$top/build"
fi
cmake --build "$top/build"
