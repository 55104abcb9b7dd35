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
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_type=${VENTREL_BUILD_TYPE:-RelWithDebInfo}
if [ ! -f "$top/build/build.ninja" ]; then
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type"
elif ((${#missing[@]})); then
    # What was just installed may let more targets be built.
    cmake -S "$top" -B "$top/build"
fi
cmake --build "$top/build"
