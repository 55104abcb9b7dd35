#!/usr/bin/env bash
# Makes a register of realistic size once (100 000 patients, about 600 000 visits and a million
# diagnosis rows) and times the patient-list operations and the reports on it beside the
# engine's own speed,
# its backup and restore beside gbak, and the program's cold start on it beside an empty Qt
# Widgets window.
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

# The cold start is timed on an X server of its own, through xcb and its damage extension.
"$top/tools/setup.sh" libxcb1-dev libxcb-damage0-dev xvfb
cmake --build "$top/build" --target ventrel-genregister ventrel-bench ventrel-window-bench \
    ventrel-books-bench ventrel-reports-bench ventrel-services-bench ventrel-coldstart \
    ventrel-emptywindow
register="$top/build/bench/register-$patients.fdb"
mkdir -p "$top/build/bench"
if [[ -n $regenerate || ! -f $register ]]; then
    timed "register generated" "$top/build/ventrel-genregister" --out "$register" --patients "$patients"
fi
"$top/build/ventrel-bench" "$register" --runs "$runs"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$top/build/ventrel-window-bench" "$register" --runs "$runs"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$top/build/ventrel-books-bench" "$register" --runs "$runs"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$top/build/ventrel-reports-bench" "$register" --runs "$runs"
timed "list of every patient read to its end" "$top/build/ventrel-bench" "$register" --memory
"$top/build/ventrel-services-bench" "$register" --runs 3

# The cold start: the program works on a copy of the register, which its settings file in a
# scratch data folder names, and runs on an Xvfb of its own that nothing else paints on.
scratch=$(mktemp -d "$top/build/bench/coldstart.XXXXXX")
xvfb=
finish() {
    [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$scratch"
}
trap finish EXIT
mkdir -p "$scratch/data/Ventrel" "$scratch/register" "$scratch/runtime"
chmod 700 "$scratch/runtime"
cp "$register" "$scratch/register/base.fdb"
printf '[Main]\nPathBase=%s\n' "$scratch/register" >"$scratch/data/Ventrel/Ventrel.ini"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb=$!
for _ in {1..100}; do
    [[ -s $scratch/display ]] && break
    sleep 0.1
done
[[ -s $scratch/display ]] || { cat "$scratch/xvfb.log" >&2; exit 1; }
DISPLAY=:$(<"$scratch/display") QT_QPA_PLATFORM=xcb XDG_DATA_HOME="$scratch/data" \
    XDG_RUNTIME_DIR="$scratch/runtime" VENTREL_COMMON_DATA= \
    "$top/build/ventrel-coldstart" --runs "$runs" "$top/build/ventrel-emptywindow" "$top/build/ventrel"
