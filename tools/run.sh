#!/usr/bin/env bash
# Sets everything up when needed and starts the program. Arguments are passed on ("/view").
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/setup.sh"
exec "$top/build/ventrel" "$@"
