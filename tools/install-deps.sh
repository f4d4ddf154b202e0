#!/usr/bin/env bash
# Installs on a Debian machine (12 or 13) what lintop needs, when it is missing.
#   tools/install-deps.sh build     what building the program needs: CMake, Ninja, g++
#   tools/install-deps.sh package   that, and what tools/package.sh needs: the
#                                   mingw-w64 cross compilers for the 64-bit and
#                                   the 32-bit lintop.exe, mandoc for the zips'
#                                   text of the manual page, dpkg-dev and file
#                                   for the Debian package, and git
#   tools/install-deps.sh           all of that, and what the tests need:
#                                   GoogleTest, clang-format and clang-tidy for the
#                                   style check, Wine to run lintop.exe, lintian
#                                   for the Debian package, clang and its
#                                   libFuzzer runtime for the fuzz targets,
#                                   strace for the check that the benchmark's
#                                   floor program makes lintop's calls, and the
#                                   32-bit Wine (wine32:i386, with the i386
#                                   architecture) where the kernel runs 32-bit
#                                   programs
# Runs apt-get directly as root, and through sudo otherwise.
set -euo pipefail

case "${1:-}" in
build | package | "") ;;
*)
    echo "usage: tools/install-deps.sh [build|package]" >&2
    exit 1
    ;;
esac

packages=(cmake ninja-build g++)
if [ "${1:-}" != build ]; then
    packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mandoc dpkg-dev file git)
fi
if [ -z "${1:-}" ]; then
    packages+=(libgtest-dev libgmock-dev clang-format clang-tidy wine wine64 lintian clang strace)
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
updated=no

# install PACKAGE...: installs those of the packages that are not installed yet.
install() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "installing: ${missing[*]}"
    if [ "$updated" = no ]; then
        # A mirror caught mid-sync fails one index; the others still serve.
        "${as_root[@]}" apt-get update -q ||
            echo "install-deps: apt-get update reported failures; going on with the package lists it has" >&2
        updated=yes
    fi
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

install "${packages[@]}"

# libFuzzer comes with the clang runtime of the clang that the clang package
# brought (clang-14 on Debian 12, clang-19 on Debian 13): its version is read
# from that package's dependency rather than named here.
if [ -z "${1:-}" ]; then
    clang_major=$(dpkg-query -W -f='${Depends}' clang | grep -o 'clang-[0-9][0-9]*' | head -n 1 | cut -d- -f2)
    if [ -z "$clang_major" ]; then
        echo "install-deps: cannot tell which clang the clang package installed" >&2
        exit 1
    fi
    install "libclang-rt-$clang_major-dev"
fi

# The 32-bit Wine runs the 32-bit lintop.exe, on a kernel that runs 32-bit
# programs. Elsewhere it is left out: Debian's wine command would start every
# program through its 32-bit loader, which such a kernel refuses, and
# tools/test-all.sh says why it cannot test the 32-bit build.
if [ -z "${1:-}" ]; then
    if bash "$(dirname "$0")/runs-32bit.sh"; then
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            "${as_root[@]}" dpkg --add-architecture i386
            updated=no
        fi
        install wine32:i386
    else
        echo "install-deps: so wine32:i386 is not installed" >&2
    fi
fi
