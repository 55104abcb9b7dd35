#!/usr/bin/env bash
# Makes a register of realistic size once (100 000 patients, about 600 000 visits and a million
# diagnosis rows) and times the patient-list operations on it beside the engine's own speed,
# and its backup and restore beside gbak.
#     tools/bench.sh [--patients N] [--runs N] [--regenerate]
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
patients=100000
runs=7
regenerate=
while (($#)); do
    case "$1" in
    --patients) patients=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --regenerate) regenerate=1; shift ;;
    *) echo "usage: tools/bench.sh [--patients N] [--runs N] [--regenerate]" >&2; exit 2 ;;
    esac
done

# Peak memory and elapsed time of a whole command, where GNU time is installed.
timed() {
    local label=$1
    shift
    if [[ -x /usr/bin/time ]]; then
        /usr/bin/time -f "$label: %e s, peak memory %M KiB" "$@"
    else
        "$@"
    fi
}

"$top/tools/setup.sh"
cmake --build "$top/build" --target ventrel-genregister ventrel-bench ventrel-window-bench ventrel-services-bench
register="$top/build/bench/register-$patients.fdb"
mkdir -p "$top/build/bench"
if [[ -n $regenerate || ! -f $register ]]; then
    timed "register generated" "$top/build/ventrel-genregister" --out "$register" --patients "$patients"
fi
"$top/build/ventrel-bench" "$register" --runs "$runs"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$top/build/ventrel-window-bench" "$register" --runs "$runs"
timed "list of every patient read to its end" "$top/build/ventrel-bench" "$register" --memory
"$top/build/ventrel-services-bench" "$register" --runs 3
