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
