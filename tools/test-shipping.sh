#!/usr/bin/env bash
# Tests what a user installs: the program from `cmake --install`, the manual
# page, the Debian package (unpacked and run, then checked by lintian) and the
# Windows zip (unpacked, and lintop.exe run from it under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

work=$(mktemp -d)
export WINEPREFIX=$root/build/package-win/wineprefix WINEDEBUG=-all
# Wine decodes the Unix command line in the locale's character set: in the C
# locale a UTF-8 file name would reach lintop.exe garbled before it starts.
export LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
bash tools/package.sh >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
deb=$root/build/packages/lintop_1.0.0.1_amd64.deb
zip=$root/build/packages/lintop-1.0.0.1-win64.zip

# One server for every Wine run here, so that no run races the exit of the last.
mkdir -p "$WINEPREFIX"
wineserver -p
cd "$work"
printf 'one\ntwo\nthree\n' >sample.txt
printf 'one\r\ntwo\r\n' >expected.txt

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# check NAME COMMAND...: the command's output must be expected.txt's bytes.
check() {
    local name=$1
    shift
    if "$@" >out.txt 2>err.txt && cmp -s out.txt expected.txt; then pass; else fail "$name: $(cat err.txt)"; fi
}

cmake --install "$root/build/package-deb" --prefix "$work/prefix" >/dev/null
for file in bin/lintop share/man/man1/lintop.1 share/doc/lintop/README.md; do
    [ -f "prefix/$file" ] && pass || fail "cmake --install gave no $file"
done
check "installed program" prefix/bin/lintop -2 sample.txt

lint=$(mandoc -Tlint "$root/doc/lintop.1" 2>&1) && [ -z "$lint" ] && pass || fail "mandoc -Tlint: $lint"

dpkg-deb -x "$deb" debroot
check "program from the .deb" debroot/usr/bin/lintop -2 sample.txt
[ -f debroot/usr/share/man/man1/lintop.1.gz ] && pass || fail ".deb has no gzipped manual page"
# lintian refuses a package with an error tag; other tags are shown but pass.
lintian_status=0
lintian --fail-on error "$deb" >lintian.txt 2>&1 || lintian_status=$?
grep -v 'running with root privileges' lintian.txt || true
[ "$lintian_status" -eq 0 ] && pass || fail "lintian found errors in $(basename "$deb")"

mkdir zip && (cd zip && cmake -E tar xf "$zip")
exe=zip/lintop-1.0.0.1-win64/lintop.exe
check "lintop.exe from the zip" wine "$exe" -2 sample.txt
grep -qv $'\r$' zip/lintop-1.0.0.1-win64/README.txt && fail "README.txt has a line without CR LF" || pass
# The manifest makes the command line UTF-8, so the name reaches CreateFileA whole.
cp sample.txt 'résumé-日本.txt'
check "lintop.exe on a UTF-8 name" wine "$exe" -2 'résumé-日本.txt'
# Longer than MAX_PATH: Wine 8's CreateFileA refuses such a name whatever the
# manifest says, so a refusal is only noted.
long=$(printf 'folder-%02d-abcdefghijklmnopqrstuvwxyz/' $(seq 1 8))sample.txt
mkdir -p "$(dirname "$long")" && cp sample.txt "$long"
if wine "$exe" -2 "$long" >out.txt 2>/dev/null && cmp -s out.txt expected.txt; then
    pass
else
    echo "note: this Wine does not open a name of ${#long} characters through CreateFileA"
fi

echo "shipping: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
