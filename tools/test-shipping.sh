#!/usr/bin/env bash
# Tests what a user installs: the program from `cmake --install`, the manual
# page, the Debian package (unpacked and run, then checked by lintian) and the
# Windows zip (unpacked, and lintop.exe run from it under Wine). The packages
# are built twice, in two build folders, and must come out byte for byte the
# same; every place that carries the version or the description must agree
# with project() in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

work=$(mktemp -d)
export WINEPREFIX=$root/build/package-win/wineprefix WINEDEBUG=-all
# Wine decodes the Unix command line in the locale's character set: in the C
# locale a UTF-8 file name would reach lintop.exe garbled before it starts.
export LC_ALL=C.UTF-8
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
for folder in "$root/build" "$work/again"; do
    bash tools/package.sh "$folder" >"$work/package.log" 2>&1 || { cat "$work/package.log"; exit 1; }
done
cache=$root/build/package-deb/CMakeCache.txt
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")
description=$(sed -n 's/^CMAKE_PROJECT_DESCRIPTION:STATIC=//p' "$cache")
deb_name=lintop_${version}_amd64.deb
zip_name=lintop-$version-win64.zip
deb=$root/build/packages/$deb_name
zip=$root/build/packages/$zip_name

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

# Warnings and errors only: the style notes cover the explicit .Os (which
# carries the version) and SEE ALSO pages that this machine may not have.
lint=$(mandoc -Tlint -W warning prefix/share/man/man1/lintop.1 2>&1) && [ -z "$lint" ] && pass ||
    fail "mandoc -Tlint: $lint"

dpkg-deb -x "$deb" debroot
check "program from the .deb" debroot/usr/bin/lintop -2 sample.txt
[ -f debroot/usr/share/man/man1/lintop.1.gz ] && pass || fail ".deb has no gzipped manual page"
# lintian refuses a package with an error tag; other tags are shown but pass.
lintian_status=0
lintian --fail-on error "$deb" >lintian.txt 2>&1 || lintian_status=$?
grep -v 'running with root privileges' lintian.txt || true
[ "$lintian_status" -eq 0 ] && pass || fail "lintian found errors in $(basename "$deb")"

mkdir zip && (cd zip && cmake -E tar xf "$zip")
exe=zip/lintop-$version-win64/lintop.exe
check "lintop.exe from the zip" wine "$exe" -2 sample.txt
grep -qv $'\r$' zip/lintop-$version-win64/README.txt && fail "README.txt has a line without CR LF" || pass
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

# Reproducible: the same bytes from the second build folder, the packages
# alone in the output folder, and no link time in lintop.exe's header.
for name in "$deb_name" "$zip_name"; do
    cmp -s "$root/build/packages/$name" "$work/again/packages/$name" && pass || fail "$name differs between two builds"
done
listing=$(ls -A "$root/build/packages" | sort)
[ "$listing" = "$(printf '%s\n' "$deb_name" "$zip_name" | sort)" ] && pass ||
    fail "build/packages holds more than the packages: $listing"
# The COFF header's TimeDateStamp: 8 bytes into the header whose offset is at 0x3c.
header=$(od -An -tu4 -j 60 -N 4 "$exe")
stamp=$(od -An -tu4 -j $((header + 8)) -N 4 "$exe")
[ "$stamp" -eq 0 ] && pass || fail "lintop.exe carries a link time: $stamp"

# agree WHAT ACTUAL EXPECTED: one place that carries the version or the description.
agree() {
    [ "$2" = "$3" ] && pass || fail "$1 is \"$2\", not \"$3\""
}
agree "the .deb's version" "$(dpkg-deb -f "$deb" Version)" "$version"
agree "the .deb's description" "$(dpkg-deb -f "$deb" Description | sed -n 1p)" "$description"
agree "the changelog's version" "$(zcat debroot/usr/share/doc/lintop/changelog.gz | sed -n 1p)" \
    "lintop ($version) unstable; urgency=medium"
agree "the manual page's .Os" "$(zcat debroot/usr/share/man/man1/lintop.1.gz | sed -n 's/^\.Os //p')" "lintop $version"
agree "the manual page's .Nd" "$(zcat debroot/usr/share/man/man1/lintop.1.gz | sed -n 's/^\.Nd //p')" "$description"
grep -qF "$description" "$root/README.md" && pass || fail "README.md does not give the description"
# The exe's resources as windres reads them back: the version resource and the manifest.
resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc)
numbers=${version//./, }
agree "the exe's FILEVERSION" "$(sed -n 's/^ *FILEVERSION //p' <<<"$resources")" "$numbers"
agree "the exe's PRODUCTVERSION" "$(sed -n 's/^ *PRODUCTVERSION //p' <<<"$resources")" "$numbers"
agree "the exe's FileVersion" "$(sed -n 's/^ *VALUE "FileVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
agree "the exe's ProductVersion" "$(sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
agree "the exe's FileDescription" "$(sed -n 's/^ *VALUE "FileDescription", "\(.*\)"$/\1/p' <<<"$resources")" \
    "${description^}"
agree "the manifest's version" "$(grep -o 'assemblyIdentity [^>]*' <<<"$resources" |
    sed -n 's/.* version=""\([^"]*\)"".*/\1/p')" "$version"
# The help: status 0 and the same bytes from both programs, the version first.
debroot/usr/bin/lintop '/?' >help.txt 2>help-err.txt && [ ! -s help-err.txt ] && pass || fail "lintop /? failed"
wine "$exe" '/?' >help-exe.txt 2>help-err.txt && [ ! -s help-err.txt ] && pass || fail "lintop.exe /? failed"
cmp -s help.txt help-exe.txt && pass || fail "lintop /? and lintop.exe /? differ"
agree "the help's first line" "$(sed -n 1p help.txt)" "lintop $version: $description"$'\r'

echo "shipping: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
