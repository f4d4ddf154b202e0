#!/usr/bin/env bash
# The floor program against lintop on generated files: the same output bytes
# on every data set pattern and edge case, and the same reads, seeks and
# writes, call by call, on small files and, to a file, on larger ones.
#   check.sh LINTOP FLOOR MAKE_DATA WORK_DIR
set -euo pipefail

lintop=$(realpath "$1") floor=$(realpath "$2") make_data=$(realpath "$3") work=$(realpath -m "$4")
compare="$(realpath "$(dirname "$0")")/compare.sh"
rm -rf "$work"
mkdir -p "$work"
cd "$work"

for pattern in lf80 crlf80 short long oneline binary edges; do
    "$make_data" "$pattern" $((1 << 20)) "$pattern"
    "$make_data" "$pattern" $((24 << 10)) "small-$pattern"
done
"$make_data" lf80 $((4 << 20)) large

# A CR at the end of a read (LF after it, another byte, Ctrl-Z, the end of
# the file), Ctrl-Z inside a read, an empty file.
a4095=$(printf '%4095s' '' | tr ' ' a)
printf '%s\r\nnext\n' "$a4095" >cr-lf-split
printf '%s\rb\n' "$a4095" >cr-other-split
printf '%s\r\032tail' "$a4095" >cr-ctrl-z-split
printf '%s\r' "$a4095" >cr-at-end
printf 'a\r' >short-cr-at-end
printf 'ab\r\032\r\ncd' >ctrl-z-inside
: >empty
edges=(cr-lf-split cr-other-split cr-ctrl-z-split cr-at-end short-cr-at-end ctrl-z-inside empty)

status=0
for count in 20 1000 2000000000; do
    "$compare" bytes "$lintop" "$floor" "$count" lf80 crlf80 short long oneline binary edges "${edges[@]}" || status=1
done
"$compare" calls "$lintop" "$floor" 2000000000 small-* "${edges[@]}" || status=1
"$compare" calls "$lintop" "$floor" 1000 small-edges small-long || status=1
"$compare" calls-to-file "$lintop" "$floor" 2000000000 large edges || status=1
[ "$status" -eq 0 ] && echo "floor and lintop: same bytes and same calls"
exit "$status"
