#!/usr/bin/env bash
# Sets everything up when needed and runs the whole test suite, windows on the offscreen platform.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --test-dir "$top/build" --output-on-failure "$@"
