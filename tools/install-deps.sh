#!/usr/bin/env bash
# Installs on a Debian machine (12 or 13) what lintop needs, when it is missing.
#   tools/install-deps.sh build     what building the program needs: CMake, Ninja, g++
#   tools/install-deps.sh package   that, and what tools/package.sh needs: the
#                                   mingw-w64 cross compilers for the 64-bit and
#                                   the 32-bit lintop.exe, mandoc for the zips'
#                                   text of the manual page, dpkg-dev and file
#                                   for the Debian package, and git
#   tools/install-deps.sh bench     what building the program needs, and what
#                                   bench/run.sh needs: hyperfine, GNU time and
#                                   Google Benchmark
#   tools/install-deps.sh           all of that, and what the tests need:
#                                   GoogleTest, clang-format and clang-tidy for the
#                                   style check, Wine to run lintop.exe, lintian
#                                   for the Debian package, clang and its
#                                   libFuzzer runtime for the fuzz targets,
#                                   strace for the check that the benchmark's
#                                   floor program makes lintop's calls, and,
#                                   where the kernel runs i386 code and the
#                                   package can be had, the 32-bit Wine
#                                   (wine32:i386, with the i386 architecture)
# Runs apt-get directly as root, and through sudo otherwise. A required package
# that cannot be installed fails the script; the 32-bit Wine is optional.
set -euo pipefail

case "${1:-}" in
build | package | bench | "") ;;
*)
    echo "usage: tools/install-deps.sh [build|package|bench]" >&2
    exit 1
    ;;
esac

packages=(cmake ninja-build g++)
if [ "${1:-}" = bench ]; then
    packages+=(hyperfine time libbenchmark-dev)
elif [ "${1:-}" != build ]; then
    packages+=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 mandoc dpkg-dev file git)
fi
if [ -z "${1:-}" ]; then
    packages+=(libgtest-dev libgmock-dev clang-format clang-tidy wine wine64 lintian clang strace)
fi

# shellcheck source=tools/install-missing.sh
. "$(dirname "$0")/install-missing.sh"
install_missing "${packages[@]}"

# libFuzzer comes with the clang runtime of the clang that the clang package
# brought (clang-14 on Debian 12, clang-19 on Debian 13): its version is read
# from that package's dependency rather than named here.
if [ -z "${1:-}" ]; then
    clang_major=$(dpkg-query -W -f='${Depends}' clang | grep -o 'clang-[0-9][0-9]*' | head -n 1 | cut -d- -f2)
    if [ -z "$clang_major" ]; then
        echo "install-deps: cannot tell which clang the clang package installed" >&2
        exit 1
    fi
    install_missing "libclang-rt-$clang_major-dev"
fi

# The 32-bit Wine, for the 32-bit lintop.exe, is optional: where it cannot be
# had, the tests say that they did not run that build, and why. It is tried
# only where the kernel runs i386 code; elsewhere Debian's wine command would
# start every program through its 32-bit loader, which such a kernel refuses.
# A failed try leaves apt as it was: the i386 architecture that it added goes
# again, so that a broken i386 index cannot fail every later apt-get update.
# apt's words stay in build/wine32-not-installed.txt for the tests' reason.
if [ -z "${1:-}" ]; then
    note=$(cd "$(dirname "$0")/.." && pwd)/build/wine32-not-installed.txt
    if ! reason=$(bash "$(dirname "$0")/runs-32bit.sh" kernel 2>&1); then
        echo "install-deps: wine32:i386 left out: $reason"
    else
        added_i386=no
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            "${install_as_root[@]}" dpkg --add-architecture i386
            added_i386=yes
            install_lists_changed
        fi
        log=$(mktemp)
        if install_missing wine32:i386 >"$log" 2>&1; then
            rm -f "$note"
        else
            words=$(grep '^E: ' "$log" | tail -n 1)
            mkdir -p "$(dirname "$note")"
            if grep -q '^E: Failed to fetch .*binary-i386' "$log"; then
                words+=" (an i386 package index failed to download)"
            fi
            echo "apt-get install wine32:i386 failed: ${words:-$(tail -n 1 "$log")}" >"$note"
            echo "install-deps: wine32:i386 cannot be installed, so the 32-bit lintop.exe will not be run: $(cat "$note")"
            # dpkg keeps an architecture that an installed package still has.
            if [ "$added_i386" = yes ] && ! "${install_as_root[@]}" dpkg --remove-architecture i386 2>/dev/null; then
                echo "install-deps: i386 packages are installed, so the i386 architecture stays"
            fi
        fi
        rm -f "$log"
    fi
fi
