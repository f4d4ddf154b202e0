#!/usr/bin/env bash
# Builds lintop and its tests for Linux on another processor with Debian's
# cross compiler, and runs them under qemu-user: the unit tests with the
# fault sweeps, the POSIX platform tests and the end-to-end suite against the
# cross-built lintop (the linux-ARCH presets in CMakePresets.json).
#   tools/test-cross.sh ARCH...   ARCH is arm64, armhf or s390x
# Prints one line for each: "cross: linux-ARCH: passed ..." or
# "cross: linux-ARCH skipped: REASON", where something it needs cannot be had
# here (the cross compiler, qemu-user, GoogleTest's sources), where ARCH is
# this machine's own (the native suites ran it), or where LINTOP_CROSS_RUNS=no
# asks for the rest alone. Exits 0 unless a test fails; LINTOP_CROSS_RUNS=yes
# makes a skip a failure. The emulator is named on each run, never
# registered with the kernel.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

case "${LINTOP_CROSS_RUNS:-}" in
"" | yes | no) ;;
*)
    echo "test-cross: LINTOP_CROSS_RUNS is yes, no or unset, not \"$LINTOP_CROSS_RUNS\"" >&2
    exit 1
    ;;
esac
[ $# -gt 0 ] || {
    echo "usage: tools/test-cross.sh arm64|armhf|s390x..." >&2
    exit 1
}

# why_not ARCH TRIPLET QEMU: empty when ARCH can be built and run here, else why not.
why_not() {
    local arch=$1 triplet=$2 qemu=$3 note
    if [ "${LINTOP_CROSS_RUNS:-}" = no ]; then
        echo "LINTOP_CROSS_RUNS=no asks for the rest alone"
    elif [ "$(dpkg --print-architecture)" = "$arch" ]; then
        echo "this machine is $arch: the native suites ran it"
    elif ! command -v "$triplet-g++" >/dev/null; then
        note=build/not-installed/cross-$arch.txt
        echo "the cross compiler $triplet-g++ is missing ($([ -f "$note" ] && cat "$note" || echo "tools/install-deps.sh installs it"))"
    elif ! command -v "$qemu" >/dev/null; then
        note=build/not-installed/qemu-user.txt
        echo "$qemu is missing ($([ -f "$note" ] && cat "$note" || echo "tools/install-deps.sh installs qemu-user"))"
    elif [ ! -f /usr/src/googletest/CMakeLists.txt ]; then
        echo "GoogleTest's sources are missing (Debian's googletest package)"
    fi
}

status=0
for arch in "$@"; do
    case $arch in
    arm64) triplet=aarch64-linux-gnu qemu=qemu-aarch64 ;;
    armhf) triplet=arm-linux-gnueabihf qemu=qemu-arm ;;
    s390x) triplet=s390x-linux-gnu qemu=qemu-s390x ;;
    *)
        echo "test-cross: no such architecture: $arch (arm64, armhf or s390x)" >&2
        exit 1
        ;;
    esac
    reason=$(why_not "$arch" "$triplet" "$qemu")
    if [ -n "$reason" ]; then
        echo "cross: linux-$arch skipped: $reason"
        [ "${LINTOP_CROSS_RUNS:-}" != yes ] || status=1
        continue
    fi
    started=$SECONDS
    log=build/linux-$arch.log
    mkdir -p build
    if ! { cmake --preset "linux-$arch" && cmake --build --preset "linux-$arch" -j "$jobs"; } >"$log" 2>&1; then
        tail -n 30 "$log"
        echo "cross: linux-$arch: the build failed (log: $log)" >&2
        exit 1
    fi
    built=$((SECONDS - started))
    if ctest --preset "linux-$arch" -j "$jobs" >>"$log" 2>&1; then
        total=$(grep -o 'tests failed out of [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*$')
        echo "cross: linux-$arch: passed, $total tests (built in $built s, tested in $((SECONDS - started - built)) s)"
    else
        grep -E '\*\*\*|Failed|FAILED' "$log" | tail -n 30
        echo "cross: linux-$arch: tests failed (log: $log)" >&2
        status=1
    fi
done
exit "$status"
