#!/usr/bin/env bash
# Checks the tree's style (clang-format, clang-tidy), builds lintop natively,
# under the sanitizers and as lintop.exe for 64-bit and 32-bit Windows, then runs
# every test: unit tests, the exhaustive checks of the copy and the command-line
# splitter (their case counts printed), the POSIX platform tests, the end-to-end suite on
# the native program, and the same suite on each lintop.exe under Wine with the
# differential test against the native build, and each fuzz target for a
# bounded time; then the shipping: install rules, manual page, the Debian
# package and the two Windows zips.
# The 32-bit lintop.exe runs under Wine only where tools/runs-32bit.sh decides
# that it can; elsewhere its suite and its zip's runs are reported skipped, with
# the reason, and the last line says so (LINTOP_32BIT_RUNS=yes makes that a
# failure, =no skips them where they could run).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

cmake --preset mingw
cmake --build --preset mingw -j "$jobs"
cmake --preset mingw32
cmake --build --preset mingw32 -j "$jobs"

cmake --preset default -DLINTOP_WINDOWS_DIR="$PWD/build/mingw" -DLINTOP_WINDOWS32_DIR="$PWD/build/mingw32"
# The decision, made once: for ctest's e2e_wine32 here, and for the shipping test.
cmake --build --preset default -j "$jobs" --target lintop
decision=$(bash tools/runs-32bit.sh build/mingw32/lintop.exe build/default/lintop)
echo "test-all: can the 32-bit lintop.exe run here? $decision"
skip=
[ "$decision" = yes ] || skip=${decision#no: }
cmake --preset default -DLINTOP_WINDOWS32_SKIP="$skip" >/dev/null
tools/check-style.sh build/default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"
# What the exhaustive checks covered.
grep -h '^exhaustive: ' build/default/Testing/Temporary/LastTest.log
faulted_runs() {
    grep -ho 'under faults: [0-9]* faulted runs' "$1" |
        awk '{ runs += $3 } END { if (NR) printf "%d faulted runs in all, over %d pairs of ends\n", runs, NR }'
}
echo "exhaustive: $(faulted_runs build/default/Testing/Temporary/LastTest.log)"

# The sanitizer build runs the scalar byte scans (LINTOP_NO_SSE2), as a
# target without SSE2 would; the default build runs the SSE2 ones.
cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"
grep -h '^exhaustive: ' build/sanitize/Testing/Temporary/LastTest.log | sed 's/^exhaustive:/exhaustive (sanitizers):/'
echo "exhaustive (sanitizers): $(faulted_runs build/sanitize/Testing/Temporary/LastTest.log)"

# Fuzz targets under the sanitizers, each for a bounded time from a scratch
# copy of its seed corpus; any finding fails and leaves its input in build/fuzz.
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
for target in copy_fuzzer command_line_fuzzer parse_count_fuzzer; do
    corpus=$(mktemp -d)
    cp tests/fuzz/corpus/"$target"/* "$corpus"
    if ! build/fuzz/tests/fuzz/"$target" -max_total_time="${LINTOP_FUZZ_SECONDS:-20}" -timeout=10 \
        -artifact_prefix=build/fuzz/"$target"- "$corpus" >build/fuzz/"$target".log 2>&1; then
        tail -n 30 build/fuzz/"$target".log
        echo "fuzz: $target found a fault; its input is build/fuzz/$target-*" >&2
        exit 1
    fi
    rm -rf "$corpus"
    echo "fuzz: $target: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' build/fuzz/"$target".log)"
done

LINTOP_32BIT_DECISION=$decision bash tools/test-shipping.sh

if [ -z "$skip" ]; then
    echo "test-all: passed, with every suite run"
else
    echo "test-all: passed, but e2e_wine32 and the 32-bit zip's runs under Wine were skipped: $skip"
fi
