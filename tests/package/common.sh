# shellcheck shell=bash disable=SC2034  # the variables are for the scripts that read this one
# What the scripts of the installation's tests share, read with "source": they stop at the
# first fault, work in a scratch folder removed at the end, and say what went wrong with fail.
#     test_x.sh BUILD_FOLDER VERSION
set -euo pipefail
build=$1
version=$2
id=org.example.Ventrel
alias=35-ventrel-arial-black.conf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Puts an "install" into the folder $1 that drops -o and -g: a maintainer script run in a scratch
# root by a user who is not root cannot give files away. Put $1 first on the PATH.
install_without_owners() {
    mkdir -p "$1"
    cat >"$1/install" <<'SHIM'
#!/bin/bash
args=()
while (($#)); do
    case $1 in -o | -g) shift ;; *) args+=("$1") ;; esac
    shift
done
exec /usr/bin/install "${args[@]}"
SHIM
    chmod +x "$1/install"
}
