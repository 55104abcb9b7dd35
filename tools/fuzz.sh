#!/usr/bin/env bash
# Fuzzes the support routines with libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   tools/fuzz.sh SECONDS [text|version]
#
# text (the default) feeds TidyText and JoinBrokenLines; version feeds the version block reader.
# The target is built with clang 14 in build-fuzz/, apart from the normal build, straight from the
# sources and Qt Core; corpus and any crashing input go to fuzz-out/<target>/. Exits non-zero when
# the fuzzer found a crash, a sanitizer report or a hang.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:?usage: tools/fuzz.sh SECONDS [text|version]}
target=${2:-text}
cxx=${CXX_FUZZ:-clang++-14}

case $target in
text)
    sources=(tools/fuzz/fuzz_text.cpp src/support/tidytext.cpp src/support/joinbrokenlines.cpp)
    options=(-dict="$top/tools/fuzz/text.dict" -max_len=8192)
    ;;
version)
    sources=(tools/fuzz/fuzz_version.cpp src/support/fileversioninfo.cpp)
    options=(-max_len=4096)
    ;;
*)
    echo "fuzz.sh: unknown target '$target' (text or version)" >&2
    exit 2
    ;;
esac

# The fuzzing compiler and its runtime, installed when missing like the rest of the tools.
missing=()
for package in clang-14 libclang-rt-14-dev qt6-base-dev pkg-config; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

build=$top/build-fuzz
out=$top/fuzz-out/$target
binary=$build/fuzz_$target
mkdir -p "$build" "$out/corpus"

# Qt's own asserts are kept on, so an index outside a string stops the run as well.
echo "Building $binary"
# shellcheck disable=SC2046 # pkg-config prints several words on purpose
"$cxx" -std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -DQT_FORCE_ASSERTS -DVENTREL_FILE_VERSION='"0.0.0.0"' \
    -I"$top/src" -I"$top/tests/support" $(pkg-config --cflags Qt6Core) \
    "${sources[@]/#/$top/}" $(pkg-config --libs Qt6Core) -o "$binary"

# A starting point for the text: a visit note in the code page the notes are stored in.
if [ "$target" = text ] && [ ! -e "$out/corpus/visit" ]; then
    {
        printf '\0'
        printf '%s' 'Жалобы:на кашель,температуру 38,5 .Болен с 12.05.2003г,аспирин 500мг.'$'\r\n' \
            'Диагноз: ОРВИ(ринофарингит) ,"  острое ".Рецепт N5,6,7 выдан ,№ 5 - № 7.'$'\r\n' \
            'Перенес пневмонию (1990 - 1995) гг,КП /б/ ,Иванов И. И.,см.рис.1 и т. д.' |
            iconv -f UTF-8 -t CP1251
    } >"$out/corpus/visit"
fi

echo "Fuzzing $target for $seconds s"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
(cd "$out" && "$binary" "${options[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/" corpus) || status=$?
if [ "$status" -eq 0 ]; then
    echo "fuzz.sh: $target: no failure in $seconds s"
else
    echo "fuzz.sh: $target: failure, see the input saved in $out/" >&2
fi
exit "$status"
