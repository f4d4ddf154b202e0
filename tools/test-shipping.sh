#!/usr/bin/env bash
# Tests what a user installs: the program from `cmake --install`, the manual
# page, the Debian package (unpacked and run, then checked by lintian) and the
# Windows zips for 64-bit and 32-bit Windows (unpacked, and each lintop.exe run
# from it under Wine; the 32-bit one where tools/runs-32bit.sh decides that it
# can, and otherwise its runs are counted skipped, with the reason; a decision
# that tools/test-all.sh made comes in LINTOP_32BIT_DECISION). The packages
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
deb=$root/build/packages/$deb_name

# One server for every Wine run here, so that no run races the exit of the last.
mkdir -p "$WINEPREFIX"
wineserver -p
cd "$work"
printf 'one\ntwo\nthree\n' >sample.txt
printf 'one\r\ntwo\r\n' >expected.txt

passed=0 failed=0 skipped=0 skip_reason=
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# check NAME COMMAND...: the command's output must be expected.txt's bytes.
check() {
    local name=$1
    shift
    if "$@" >out.txt 2>err.txt && cmp -s out.txt expected.txt; then pass; else fail "$name: $(cat err.txt)"; fi
}

cmake --install "$root/build/package-deb" --prefix "$work/prefix" >/dev/null
for file in bin/lintop share/man/man1/lintop.1 share/doc/lintop/README; do
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

# Reproducible: the same bytes from the second build folder, and the packages
# alone in the output folder.
zips=("lintop-$version-win64.zip" "lintop-$version-win32.zip")
for name in "$deb_name" "${zips[@]}"; do
    cmp -s "$root/build/packages/$name" "$work/again/packages/$name" && pass || fail "$name differs between two builds"
done
listing=$(ls -A "$root/build/packages" | sort)
[ "$listing" = "$(printf '%s\n' "$deb_name" "${zips[@]}" | sort)" ] && pass ||
    fail "build/packages holds more than the packages: $listing"

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
agree "the .deb's README's first line" "$(sed -n 1p debroot/usr/share/doc/lintop/README)" "lintop $version: $description"
# The installed README is for users: no path that exists only in a checkout.
grep -Eq '(tools|build)/' debroot/usr/share/doc/lintop/README && fail "the .deb's README names a checkout's path" || pass
# The help: status 0, the version first; each lintop.exe must give the same bytes.
debroot/usr/bin/lintop '/?' >help.txt 2>help-err.txt && [ ! -s help-err.txt ] && pass || fail "lintop /? failed"
agree "the help's first line" "$(sed -n 1p help.txt)" "lintop $version: $description"$'\r'

# check_zip TARGET TRIPLET FORMAT DECISION: the zip for TARGET (win64, win32),
# whose lintop.exe matches FORMAT, an extended expression over what file(1)
# says of it, and is run under Wine when DECISION is yes; "decide" asks
# tools/runs-32bit.sh of the zip's lintop.exe.
check_zip() {
    local target=$1 triplet=$2 format=$3 decision=$4
    local dir=zip-$target/lintop-$version-$target
    mkdir "zip-$target" && (cd "zip-$target" && cmake -E tar xf "$root/build/packages/lintop-$version-$target.zip")
    local exe=$dir/lintop.exe
    file -b "$exe" | grep -Eq "$format" && pass || fail "$target lintop.exe is $(file -b "$exe")"
    # The texts for Windows users: README.txt and the manual's text, lintop.txt.
    local text
    for text in README.txt lintop.txt; do
        [ -f "$dir/$text" ] || { fail "the $target zip has no $text"; continue; }
        grep -qv $'\r$' "$dir/$text" && fail "$target $text has a line without CR LF" || pass
        grep -qF "lintop $version" "$dir/$text" && pass || fail "$target $text does not name lintop $version"
    done
    # The COFF header's TimeDateStamp: 8 bytes into the header whose offset is at 0x3c.
    local header stamp
    header=$(od -An -tu4 -j 60 -N 4 "$exe")
    stamp=$(od -An -tu4 -j $((header + 8)) -N 4 "$exe")
    [ "$stamp" -eq 0 ] && pass || fail "$target lintop.exe carries a link time: $stamp"
    # The exe's resources as windres reads them back: the version resource and the manifest.
    local resources numbers=${version//./, }
    resources=$("$triplet-windres" -i "$exe" -O rc)
    agree "$target FILEVERSION" "$(sed -n 's/^ *FILEVERSION //p' <<<"$resources")" "$numbers"
    agree "$target PRODUCTVERSION" "$(sed -n 's/^ *PRODUCTVERSION //p' <<<"$resources")" "$numbers"
    agree "$target FileVersion" "$(sed -n 's/^ *VALUE "FileVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
    agree "$target ProductVersion" "$(sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
    agree "$target FileDescription" "$(sed -n 's/^ *VALUE "FileDescription", "\(.*\)"$/\1/p' <<<"$resources")" \
        "${description^}"
    agree "$target manifest's version" "$(grep -o 'assemblyIdentity [^>]*' <<<"$resources" |
        sed -n 's/.* version=""\([^"]*\)"".*/\1/p')" "$version"
    [ "$decision" != decide ] || decision=$(bash "$root/tools/runs-32bit.sh" "$exe" debroot/usr/bin/lintop)
    if [ "$decision" != yes ]; then
        skipped=$((skipped + 5))
        skip_reason=" (the $target lintop.exe's runs: ${decision#no: })"
        return
    fi
    check "$target lintop.exe from the zip" wine "$exe" -2 sample.txt
    wine "$exe" '/?' >help-exe.txt 2>help-err.txt && [ ! -s help-err.txt ] && pass || fail "$target lintop.exe /? failed"
    cmp -s help.txt help-exe.txt && pass || fail "lintop /? and the $target lintop.exe /? differ"
    # The manifest makes the command line UTF-8, so the name reaches CreateFileA whole.
    check "$target lintop.exe on a UTF-8 name" wine "$exe" -2 'résumé-日本.txt'
    # Longer than MAX_PATH: Wine's CreateFileA refuses such a name whatever the
    # manifest says, so a refusal is only noted.
    if wine "$exe" -2 "$long" >out.txt 2>/dev/null && cmp -s out.txt expected.txt; then
        pass
    else
        echo "note: this Wine does not open a name of ${#long} characters through CreateFileA"
    fi
}
cp sample.txt 'résumé-日本.txt'
long=$(printf 'folder-%02d-abcdefghijklmnopqrstuvwxyz/' $(seq 1 8))sample.txt
mkdir -p "$(dirname "$long")" && cp sample.txt "$long"
check_zip win64 x86_64-w64-mingw32 '^PE32\+ executable.*console.*x86-64' yes
check_zip win32 i686-w64-mingw32 '^PE32 executable.*console.*Intel (80386|i386)' "${LINTOP_32BIT_DECISION:-decide}"

echo "shipping: $passed passed, $failed failed, $skipped skipped$skip_reason"
[ "$failed" -eq 0 ]
