#!/usr/bin/env bash
# Tells whether this machine's kernel runs 32-bit x86 programs, which the
# 32-bit Wine needs to run the 32-bit lintop.exe.
#   tools/runs-32bit.sh         exits 0 when it does; otherwise says why on
#                               standard error and exits 1
#   tools/runs-32bit.sh tests   for the test scripts: prints yes when it does,
#                               no when it does not and LINTOP_32BIT_RUNS=no
#                               asks for the other tests alone; otherwise says
#                               why and exits 1
# The probe is the smallest i386 program, a static ELF file that only calls
# exit(0), so it needs no 32-bit library.
set -euo pipefail
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# ELF header, one loadable segment at 0x08048000, then: mov eax, 1; xor ebx, ebx; int 0x80.
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$probe"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000' >>"$probe"
printf '\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$probe"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
printf '\270\001\000\000\000\061\333\315\200' >>"$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then
    [ "${1:-}" != tests ] || echo yes
    exit 0
fi
reason="this machine's kernel does not run 32-bit x86 programs (no IA-32 emulation)"
if [ "${1:-}" != tests ]; then
    echo "$reason, so the 32-bit Wine cannot run lintop.exe for 32-bit Windows" >&2
elif [ "${LINTOP_32BIT_RUNS:-}" = no ]; then
    echo "$reason; LINTOP_32BIT_RUNS=no: the 32-bit lintop.exe is built and packaged but not run" >&2
    echo no
    exit 0
else
    echo "$reason: the 32-bit lintop.exe cannot be tested here (LINTOP_32BIT_RUNS=no tests the rest)" >&2
fi
exit 1
