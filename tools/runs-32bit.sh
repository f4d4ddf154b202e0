#!/usr/bin/env bash
# Decides whether the 32-bit lintop.exe can run here, once for the test
# scripts, by three conditions: the kernel itself runs i386 code, the 32-bit
# Wine is installed, and that Wine runs the built program's help with status 0
# and the native build's bytes, at native speed.
#   tools/runs-32bit.sh kernel        exits 0 when the kernel itself runs i386
#                                     code; otherwise says why, in one line on
#                                     standard error, and exits 1
#   tools/runs-32bit.sh EXE NATIVE    prints the decision in one line: yes, or
#                                     "no: " and the reason; EXE is the 32-bit
#                                     lintop.exe, NATIVE the native lintop
# LINTOP_32BIT_RUNS=no makes the decision no without a look at the machine;
# LINTOP_32BIT_RUNS=yes makes a no a failure: the reason on standard error and
# status 1. Unset or empty, the machine decides.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/install-missing.sh
. "$root/tools/install-missing.sh"

# Where a first Wine run makes its prefix, and where a judged run must end.
prefix_seconds=300
run_seconds=20

# kernel_reason: empty when the kernel itself runs i386 code, else why not.
kernel_reason() {
    # A binfmt_misc entry for i386 ELF files would run the probe below under
    # an emulator such as qemu-user, some 50 times slower than the kernel.
    local entry magic
    if [ -d /proc/sys/fs/binfmt_misc ] && [ "$(cat /proc/sys/fs/binfmt_misc/status 2>/dev/null)" = enabled ]; then
        for entry in /proc/sys/fs/binfmt_misc/*; do
            case ${entry##*/} in register | status) continue ;; esac
            [ "$(sed -n 1p "$entry" 2>/dev/null)" = enabled ] || continue
            magic=$(sed -n 's/^magic //p' "$entry" 2>/dev/null)
            # ELF, 32-bit, and e_machine 3 (i386) at byte 18.
            if [ "${magic:0:10}" = 7f454c4601 ] && [ "${magic:36:4}" = 0300 ]; then
                echo "i386 programs run here under emulation (binfmt_misc entry ${entry##*/}), not on the kernel itself"
                return
            fi
        done
    fi
    # The smallest i386 program, a static ELF file that only calls exit(0),
    # so it needs no 32-bit library.
    local probe
    probe=$(mktemp)
    # ELF header, one loadable segment at 0x08048000, then: mov eax, 1; xor ebx, ebx; int 0x80.
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000' >>"$probe"
    printf '\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
    printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
    printf '\270\001\000\000\000\061\333\315\200' >>"$probe"
    chmod +x "$probe"
    if ! "$probe" 2>/dev/null; then
        echo "this machine's kernel does not run 32-bit x86 programs (no IA-32 emulation)"
    fi
    rm -f "$probe"
}

# wine_reason EXE NATIVE: empty when the installed Wine runs EXE's help as
# NATIVE gives it, else why not.
wine_reason() {
    local exe=$1 native=$2
    if ! installed wine32:i386; then
        local words=""
        # tools/install-deps.sh keeps apt's words when the package could not be had.
        [ -f "$root/build/wine32-not-installed.txt" ] && words=": $(cat "$root/build/wine32-not-installed.txt")"
        echo "the 32-bit Wine (wine32:i386) is not installed${words:- (tools/install-deps.sh installs it where it can)}"
        return
    fi
    command -v wine >/dev/null || { echo "the wine command is missing"; return; }
    local work status=0
    work=$(mktemp -d)
    "$native" '/?' >"$work/native.txt" 2>/dev/null || true
    # A prefix of its own, made by the first run; the second run is the one judged.
    (
        export WINEPREFIX=$work/prefix WINEDEBUG=-all
        mkdir -p "$WINEPREFIX"
        wineserver -p
        timeout "$prefix_seconds" wine "$exe" '/?' >/dev/null 2>&1 || true
        timeout "$run_seconds" wine "$exe" '/?' >"$work/exe.txt" 2>"$work/exe-err.txt" || status=$?
        wineserver -k 2>/dev/null || true
        exit "$status"
    ) || status=$?
    if [ "$status" -eq 124 ]; then
        echo "Wine did not run the 32-bit lintop.exe /? within $run_seconds s"
    elif [ "$status" -ne 0 ]; then
        echo "Wine does not run PE32 programs here: lintop.exe /? gave status $status ($(sed -n 1p "$work/exe-err.txt"))"
    elif ! cmp -s "$work/native.txt" "$work/exe.txt"; then
        echo "Wine does not run PE32 programs here: lintop.exe /? gave status 0 and $(wc -c <"$work/exe.txt") bytes, not the native build's help"
    fi
    rm -rf "$work"
}

case "${LINTOP_32BIT_RUNS:-}" in
"" | yes | no) ;;
*)
    echo "runs-32bit: LINTOP_32BIT_RUNS is yes, no or unset, not \"$LINTOP_32BIT_RUNS\"" >&2
    exit 1
    ;;
esac

if [ "${1:-}" = kernel ] && [ $# -eq 1 ]; then
    reason=$(kernel_reason)
    [ -z "$reason" ] || { echo "$reason" >&2; exit 1; }
    exit 0
fi
if [ $# -ne 2 ]; then
    echo "usage: tools/runs-32bit.sh kernel | EXE NATIVE" >&2
    exit 1
fi
if [ "${LINTOP_32BIT_RUNS:-}" = no ]; then
    echo "no: LINTOP_32BIT_RUNS=no asks for the rest alone"
    exit 0
fi
for file in "$1" "$2"; do
    [ -f "$file" ] || { echo "runs-32bit: no $file: build it first" >&2; exit 1; }
done
reason=$(kernel_reason)
[ -n "$reason" ] || reason=$(wine_reason "$(realpath "$1")" "$(realpath "$2")")
if [ -z "$reason" ]; then
    echo yes
elif [ "${LINTOP_32BIT_RUNS:-}" = yes ]; then
    echo "runs-32bit: LINTOP_32BIT_RUNS=yes, but $reason" >&2
    exit 1
else
    echo "no: $reason"
fi
