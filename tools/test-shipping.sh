#!/usr/bin/env bash
# Tests what a user installs: the program from `cmake --install`, the manual
# page, the Debian packages for this machine's architecture and for arm64 and
# armhf (each unpacked and its lintop run, the foreign ones under qemu-user;
# its Architecture and Depends fields; lintian) and the Windows zips for
# 64-bit and 32-bit Windows (unpacked, each lintop.exe's manifest read back,
# and each lintop.exe run from it under Wine; the 32-bit one where
# tools/runs-32bit.sh decides that it can, and otherwise its runs are counted
# skipped, with the reason; a decision that tools/test-all.sh made comes in
# LINTOP_32BIT_DECISION). The packages are built twice, in two build folders,
# and must come out byte for byte the same; every place that carries the
# version or the description must agree with project() in CMakeLists.txt.
# A package that tools/package.sh could not make here (its cross compiler is
# missing) has its checks counted skipped, with package.sh's reason.
#   tools/test-shipping.sh      prints each failure, then
#                               "shipping: N passed, N failed, N skipped ..."
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
# The Debian packages: this machine's, which CPack labels with dpkg's
# architecture, and arm64's and armhf's where they are not this machine's.
host_arch=$(dpkg --print-architecture)
deb_arches=("$host_arch")
for arch in arm64 armhf; do
    [ "$arch" = "$host_arch" ] || deb_arches+=("$arch")
done
deb=$root/build/packages/lintop_${version}_$host_arch.deb

# One server for every Wine run here, so that no run races the exit of the last.
mkdir -p "$WINEPREFIX"
! command -v wineserver >/dev/null || wineserver -p
cd "$work"
printf 'one\ntwo\nthree\n' >sample.txt
printf 'one\r\ntwo\r\n' >expected.txt

passed=0 failed=0 skipped=0 skip_reasons=()
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# skip COUNT WHAT REASON: COUNT checks of WHAT are not run here, for REASON.
skip() {
    skipped=$((skipped + $1))
    skip_reasons+=("$2: $3")
}
# not_made NAME COUNT: the package NAME is missing. Where package.sh said why
# it did not make it, its COUNT checks are skipped for that reason.
not_made() {
    local reason
    reason=$(grep -F "package: $1 not made: " package.log | sed 's/^.* not made: //') || true
    if [ -n "$reason" ]; then skip "$2" "$1" "$reason"; else fail "tools/package.sh made no $1"; fi
}
made=()
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

# agree WHAT ACTUAL EXPECTED: one place that carries a value, and the value it must carry.
agree() {
    [ "$2" = "$3" ] && pass || fail "$1 is \"$2\", not \"$3\""
}
# reproduced NAME: the package NAME has the same bytes from the second build folder.
reproduced() {
    cmp -s "$root/build/packages/$1" "$work/again/packages/$1" && pass || fail "$1 differs between two builds"
}

# check_deb ARCH: the Debian package for ARCH, unpacked into debroot-ARCH and
# its lintop run: directly when ARCH is this machine's, else under qemu-user
# with the target's libraries from Debian's cross sysroot, as its toolchain
# file names them; its control fields, lintian, and its bytes from the second
# build. A package that was not made counts deb_checks skipped.
deb_checks=7
check_deb() {
    local arch=$1 name=lintop_${version}_$1.deb
    local deb=$root/build/packages/$name dir=debroot-$1
    if [ ! -f "$deb" ]; then
        not_made "$name" "$deb_checks"
        return
    fi
    made+=("$name")
    dpkg-deb -x "$deb" "$dir"
    if [ "$arch" = "$host_arch" ]; then
        check "the program from $name" "$dir/usr/bin/lintop" -2 sample.txt
    else
        local toolchain=$root/cmake/linux-$arch.cmake triplet qemu
        triplet=$(sed -n 's/^set(LINUX_TRIPLET \(.*\))$/\1/p' "$toolchain")
        qemu=$(sed -n 's/^set(QEMU_NAME \(.*\))$/\1/p' "$toolchain")
        if command -v "$qemu" >/dev/null; then
            check "the program from $name under $qemu" "$qemu" -L "/usr/$triplet" "$dir/usr/bin/lintop" -2 sample.txt
        else
            skip 1 "the program from $name" "$qemu is missing (qemu-user)"
        fi
    fi
    [ -f "$dir/usr/share/man/man1/lintop.1.gz" ] && pass || fail "$name has no gzipped manual page"
    agree "$name's Architecture" "$(dpkg-deb -f "$deb" Architecture)" "$arch"
    # dpkg-shlibdeps' dependencies: the C library at least, with a version,
    # each by the name that the target's own packages carry.
    local depends
    depends=$(dpkg-deb -f "$deb" Depends)
    grep -Eq '(^|, )libc6 \(>= [0-9][^)]*\)(,|$)' <<<"$depends" && pass ||
        fail "$name depends on \"$depends\", not on a version of libc6"
    grep -Eq ":[a-z]|-$arch-cross" <<<"$depends" && fail "$name depends on this machine's names: $depends" || pass
    # lintian refuses a package with an error tag; other tags are shown but pass.
    local lintian_status=0
    lintian --fail-on error "$deb" >lintian.txt 2>&1 || lintian_status=$?
    grep -v 'running with root privileges' lintian.txt || true
    [ "$lintian_status" -eq 0 ] && pass || fail "lintian found errors in $name"
    reproduced "$name"
}
for arch in "${deb_arches[@]}"; do
    check_deb "$arch"
done
debroot=debroot-$host_arch
agree "the .deb's version" "$(dpkg-deb -f "$deb" Version)" "$version"
agree "the .deb's description" "$(dpkg-deb -f "$deb" Description | sed -n 1p)" "$description"
agree "the changelog's version" "$(zcat "$debroot"/usr/share/doc/lintop/changelog.gz | sed -n 1p)" \
    "lintop ($version) unstable; urgency=medium"
agree "the manual page's .Os" "$(zcat "$debroot"/usr/share/man/man1/lintop.1.gz | sed -n 's/^\.Os //p')" "lintop $version"
agree "the manual page's .Nd" "$(zcat "$debroot"/usr/share/man/man1/lintop.1.gz | sed -n 's/^\.Nd //p')" "$description"
grep -qF "$description" "$root/README.md" && pass || fail "README.md does not give the description"
agree "the .deb's README's first line" "$(sed -n 1p "$debroot"/usr/share/doc/lintop/README)" "lintop $version: $description"
# The installed README is for users: no path that exists only in a checkout.
grep -Eq '(tools|build)/' "$debroot"/usr/share/doc/lintop/README && fail "the .deb's README names a checkout's path" || pass
# The help: status 0, the version first; each lintop.exe must give the same bytes.
"$debroot"/usr/bin/lintop '/?' >help.txt 2>help-err.txt && [ ! -s help-err.txt ] && pass || fail "lintop /? failed"
agree "the help's first line" "$(sed -n 1p help.txt)" "lintop $version: $description"$'\r'

# le32 FILE OFFSET: the 32-bit number at OFFSET in FILE, little-endian as a
# PE file stores it, whatever this machine's byte order.
le32() {
    od -An --endian=little -tu4 -j "$2" -N 4 "$1" | tr -d ' '
}

# check_zip TARGET TRIPLET FORMAT ARCH DECISION: the zip for TARGET (win64,
# win32), whose lintop.exe matches FORMAT, an extended expression over what
# file(1) says of it, names ARCH in its manifest, and is run under Wine when
# DECISION is yes; "decide" asks tools/runs-32bit.sh of the zip's lintop.exe.
# A zip that was not made counts zip_checks skipped, its runs among them.
zip_checks=19
check_zip() {
    local target=$1 triplet=$2 format=$3 arch=$4 decision=$5
    local name=lintop-$version-$target.zip dir=zip-$target/lintop-$version-$target
    if [ ! -f "$root/build/packages/$name" ]; then
        not_made "$name" "$zip_checks"
        return
    fi
    made+=("$name")
    reproduced "$name"
    mkdir "zip-$target" && (cd "zip-$target" && cmake -E tar xf "$root/build/packages/$name")
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
    local stamp
    stamp=$(le32 "$exe" $(($(le32 "$exe" 60) + 8)))
    [ "$stamp" -eq 0 ] && pass || fail "$target lintop.exe carries a link time: $stamp"
    # The exe's resources as windres reads them back: the version resource and the manifest.
    local resources identity numbers=${version//./, }
    resources=$("$triplet-windres" -i "$exe" -O rc)
    agree "$target FILEVERSION" "$(sed -n 's/^ *FILEVERSION //p' <<<"$resources")" "$numbers"
    agree "$target PRODUCTVERSION" "$(sed -n 's/^ *PRODUCTVERSION //p' <<<"$resources")" "$numbers"
    agree "$target FileVersion" "$(sed -n 's/^ *VALUE "FileVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
    agree "$target ProductVersion" "$(sed -n 's/^ *VALUE "ProductVersion", "\(.*\)"$/\1/p' <<<"$resources")" "$numbers"
    agree "$target FileDescription" "$(sed -n 's/^ *VALUE "FileDescription", "\(.*\)"$/\1/p' <<<"$resources")" \
        "${description^}"
    identity=$(grep -o 'assemblyIdentity [^>]*' <<<"$resources")
    agree "$target manifest's version" "$(sed -n 's/.* version=""\([^"]*\)"".*/\1/p' <<<"$identity")" "$version"
    agree "$target manifest's processorArchitecture" \
        "$(sed -n 's/.* processorArchitecture=""\([^"]*\)"".*/\1/p' <<<"$identity")" "$arch"
    [ "$decision" != decide ] || decision=$(bash "$root/tools/runs-32bit.sh" "$exe" "$debroot"/usr/bin/lintop)
    if [ "$decision" != yes ]; then
        skip 5 "the $target lintop.exe's runs" "${decision#no: }"
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
# The 64-bit lintop.exe runs wherever Wine is installed (on amd64 alone).
win64_decision=yes
if ! command -v wine >/dev/null; then
    note=$root/build/not-installed/wine.txt
    win64_decision="no: Wine is missing$([ -f "$note" ] && echo " ($(cat "$note"))")"
fi
check_zip win64 x86_64-w64-mingw32 '^PE32\+ executable.*console.*x86-64' amd64 "$win64_decision"
check_zip win32 i686-w64-mingw32 '^PE32 executable.*console.*Intel (80386|i386)' x86 "${LINTOP_32BIT_DECISION:-decide}"

# The packages alone in the output folder.
listing=$(ls -A "$root/build/packages" | sort)
[ "$listing" = "$(printf '%s\n' "${made[@]}" | sort)" ] && pass ||
    fail "build/packages holds more than the packages: $listing"

summary="shipping: $passed passed, $failed failed, $skipped skipped"
[ ${#skip_reasons[@]} -eq 0 ] || summary+=" ($(printf '%s; ' "${skip_reasons[@]}" | sed 's/; $//'))"
echo "$summary"
[ "$failed" -eq 0 ]
