#!/usr/bin/env bash
# Checks the tree and runs every test, the quick ones first, so that a plain
# fault shows within minutes:
#   1. the native build, the style check (clang-format, clang-tidy) and the
#      quick tier (ctest --preset quick: unit, POSIX and native end-to-end);
#   2. lintop.exe for 64-bit and 32-bit Windows, and the rest of the native
#      tests: the fault sweeps, the exhaustive checks of the copy and the
#      command-line splitter (their case counts printed), the strace check of
#      the benchmark's floor program, and the end-to-end suite on each
#      lintop.exe under Wine with the differential test against the native
#      build;
#   3. the native tests under the sanitizers, each fuzz target for a bounded
#      time, the cross builds for arm64, armhf and s390x under qemu-user
#      (tools/test-cross.sh), and the shipping: install rules, manual page,
#      the Debian packages and the two Windows zips.
# What cannot run here is skipped with its reason, and the last line says so:
# the 32-bit lintop.exe, where tools/runs-32bit.sh decides that it cannot run
# (LINTOP_32BIT_RUNS=yes makes that a failure, =no skips it where it could
# run); both lintop.exe where mingw-w64 or Wine cannot be had (a machine that
# is not amd64); a cross build whose compiler or emulator cannot be had
# (LINTOP_CROSS_RUNS=yes makes that a failure, =no skips them all).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2
skips=()

# 1. The quick loop, as a developer runs it.
cmake --preset default
tools/check-style.sh build/default
cmake --build --preset default -j "$jobs"
ctest --preset quick -j "$jobs"

# 2. The Windows builds, where mingw-w64 and Wine can be had.
windows_skip=
note=build/not-installed
if ! command -v x86_64-w64-mingw32-g++ >/dev/null || ! command -v i686-w64-mingw32-g++ >/dev/null; then
    windows_skip="the mingw-w64 cross compilers are missing ($(cat "$note/mingw-w64.txt" 2>/dev/null ||
        echo "tools/install-deps.sh installs them"))"
elif ! command -v wine >/dev/null; then
    windows_skip="Wine is missing ($(cat "$note/wine.txt" 2>/dev/null || echo "tools/install-deps.sh installs it"))"
fi
decision="no: $windows_skip"
if [ -z "$windows_skip" ]; then
    cmake --preset mingw
    cmake --build --preset mingw -j "$jobs"
    cmake --preset mingw32
    cmake --build --preset mingw32 -j "$jobs"
    # The decision, made once: for ctest's e2e_wine32 here, and for the shipping test.
    decision=$(bash tools/runs-32bit.sh build/mingw32/lintop.exe build/default/lintop)
    echo "test-all: can the 32-bit lintop.exe run here? $decision"
    skip=
    [ "$decision" = yes ] || skip=${decision#no: }
    cmake --preset default -DLINTOP_WINDOWS_DIR="$PWD/build/mingw" -DLINTOP_WINDOWS32_DIR="$PWD/build/mingw32" \
        -DLINTOP_WINDOWS32_SKIP="$skip" -DLINTOP_WINDOWS_SKIP= >/dev/null
    [ -z "$skip" ] || skips+=("e2e_wine32 and the 32-bit zip's runs under Wine: $skip")
else
    cmake --preset default -DLINTOP_WINDOWS_SKIP="$windows_skip" >/dev/null
    skips+=("lintop.exe's suites and the zips' runs: $windows_skip")
fi
cmake --build --preset default -j "$jobs"
# The long native tests: all but the quick tier.
ctest --preset default -j "$jobs" -L '^(sweep|exhaustive|bench|wine)$'
# What the exhaustive checks covered.
grep -h '^exhaustive: ' build/default/Testing/Temporary/LastTest.log
faulted_runs() {
    grep -ho 'under faults: [0-9]* faulted runs' "$1" |
        awk '{ runs += $3 } END { if (NR) printf "%d faulted runs in all, over %d pairs of ends\n", runs, NR }'
}
echo "exhaustive: $(faulted_runs build/default/Testing/Temporary/LastTest.log)"

# 3. The sanitizer build runs the scalar byte scans (LINTOP_NO_SSE2), as a
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

# Other processors: each is built with its cross compiler and tested under qemu-user.
cross=$(bash tools/test-cross.sh arm64 armhf s390x | tee /dev/stderr)
while IFS= read -r line; do
    case $line in *" skipped: "*) skips+=("${line#cross: }") ;; esac
done <<<"$cross"

LINTOP_32BIT_DECISION=$decision bash tools/test-shipping.sh

if [ ${#skips[@]} -eq 0 ]; then
    echo "test-all: passed, with every suite run"
else
    echo "test-all: passed, but not run here: $(printf '%s; ' "${skips[@]}" | sed 's/; $//')"
fi
