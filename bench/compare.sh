#!/usr/bin/env bash
# Compares lintop with the floor program on disk files.
#   compare.sh bytes LINTOP FLOOR COUNT FILE...   the same output bytes
#   compare.sh calls LINTOP FLOOR COUNT FILE...   the same reads, seeks and writes (sizes, results,
#                                                 order) to a file, a pipe and /dev/null, under strace
#   compare.sh calls-to-file ...                  the same, to a file only
# Prints each difference and exits 1 when there is one.
set -euo pipefail

mode=$1 lintop=$2 floor=$3 count=$4
shift 4
targets=(file pipe device)
[ "$mode" = calls-to-file ] && targets=(file)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The calls after the data file's open (the only open with O_NOCTTY): the
# dynamic loader's reads before it are no part of the program.
calls() {
    local program=$1 target=$2 file=$3
    local trace=(strace -o "$work/log" -s 0 -e trace=openat,read,write,lseek "$program" "-$count" "$file")
    case $target in
        file) "${trace[@]}" >"$work/out" ;;
        pipe) "${trace[@]}" | cat >/dev/null ;;
        device) "${trace[@]}" >/dev/null ;;
    esac
    awk '/O_NOCTTY/ { opened = 1; next } opened && /^(read|write|lseek)\(/' "$work/log"
}

for file in "$@"; do
    if [ "$mode" = bytes ]; then
        "$lintop" "-$count" "$file" >"$work/lintop.out"
        "$floor" "-$count" "$file" >"$work/floor.out"
        if ! cmp -s "$work/lintop.out" "$work/floor.out"; then
            echo "DIFFERENT OUTPUT: $file, count $count: $(cmp "$work/lintop.out" "$work/floor.out" 2>&1 || true)"
            failed=1
        fi
    else
        for target in "${targets[@]}"; do
            calls "$lintop" "$target" "$file" >"$work/lintop.calls"
            calls "$floor" "$target" "$file" >"$work/floor.calls"
            if ! cmp -s "$work/lintop.calls" "$work/floor.calls"; then
                echo "DIFFERENT CALLS: $file to $target, count $count (lintop <, floor >):"
                { diff "$work/lintop.calls" "$work/floor.calls" || true; } | sed -n 1,8p
                failed=1
            fi
        done
    fi
done
exit "$failed"
