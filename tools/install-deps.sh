#!/usr/bin/env bash
# Installs on a Debian machine (12 or 13) what lintop needs, when it is missing.
#   tools/install-deps.sh build     what building the program needs: CMake, Ninja, g++
#   tools/install-deps.sh package   that, and what tools/package.sh needs: mandoc
#                                   for the zips' text of the manual page,
#                                   dpkg-dev and file for the Debian packages,
#                                   git, the mingw-w64 cross compilers for the
#                                   64-bit and the 32-bit lintop.exe, and the
#                                   cross compilers for arm64 and armhf
#   tools/install-deps.sh bench     what building the program needs, and what
#                                   bench/run.sh needs: hyperfine, GNU time and
#                                   Google Benchmark
#   tools/install-deps.sh           what package installs, and what the tests
#                                   need: GoogleTest (the library, and its
#                                   sources for the cross builds),
#                                   clang-format and clang-tidy for the style
#                                   check, Wine to run lintop.exe, lintian for
#                                   the Debian packages, clang and its
#                                   libFuzzer runtime for the fuzz targets,
#                                   strace for the check that the benchmark's
#                                   floor program makes lintop's calls, the
#                                   s390x cross compiler, qemu-user to run the
#                                   cross builds, and, where the kernel runs
#                                   i386 code and the package can be had, the
#                                   32-bit Wine (wine32:i386, with the i386
#                                   architecture); not the benchmark's packages
# Runs apt-get directly as root, and through sudo otherwise. A required package
# that cannot be installed fails the script. Optional ones are tried, and
# where one cannot be had, apt's words stay in build/not-installed/NAME.txt,
# for the tests' named skip: the 32-bit Wine; each cross compiler and
# qemu-user; and, on a machine that is not amd64, mingw-w64 and Wine (Wine
# there runs no x86 program, so it is not tried at all). LINTOP_CROSS_RUNS=no
# leaves out the cross compilers and qemu-user: no other processor's build is
# then made or tested. Nothing is registered
# with the kernel: qemu-user comes without its binfmt_misc entries, and the
# tests name the emulator on each run.
set -euo pipefail

case "${1:-}" in
build | package | bench | "") ;;
*)
    echo "usage: tools/install-deps.sh [build|package|bench]" >&2
    exit 1
    ;;
esac
mode=${1:-all}
root=$(cd "$(dirname "$0")/.." && pwd)
notes=$root/build/not-installed

# shellcheck source=tools/install-missing.sh
. "$root/tools/install-missing.sh"

host_arch=$(dpkg --print-architecture)
packages=(cmake ninja-build g++)
case $mode in
bench) packages+=(hyperfine time libbenchmark-dev) ;;
package | all) packages+=(mandoc dpkg-dev file git) ;;
esac
if [ "$mode" = all ]; then
    packages+=(libgtest-dev libgmock-dev googletest clang-format clang-tidy lintian clang strace)
fi
install_missing "${packages[@]}"

# libFuzzer comes with the clang runtime of the clang that the clang package
# brought (clang-14 on Debian 12, clang-19 on Debian 13): its version is read
# from that package's dependency rather than named here.
if [ "$mode" = all ]; then
    clang_major=$(dpkg-query -W -f='${Depends}' clang | grep -o 'clang-[0-9][0-9]*' | head -n 1 | cut -d- -f2)
    if [ -z "$clang_major" ]; then
        echo "install-deps: cannot tell which clang the clang package installed" >&2
        exit 1
    fi
    install_missing "libclang-rt-$clang_major-dev"
fi

# install_optional NAME PACKAGE...: installs the packages, or notes in
# $notes/NAME.txt why they could not be had (the last error apt gave).
install_optional() {
    local name=$1 log words
    shift
    log=$(mktemp)
    if install_missing "$@" >"$log" 2>&1; then
        rm -f "$notes/$name.txt"
    else
        words=$(grep '^E: ' "$log" | tail -n 1)
        if grep -q '^E: Failed to fetch .*binary-' "$log"; then
            words+=" (a package index failed to download)"
        fi
        mkdir -p "$notes"
        echo "apt-get install $* failed: ${words:-$(tail -n 1 "$log")}" >"$notes/$name.txt"
        echo "install-deps: $name left out: $(cat "$notes/$name.txt")"
    fi
    rm -f "$log"
}

# note_absent NAME REASON: NAME is not tried here, and why.
note_absent() {
    mkdir -p "$notes"
    echo "$2" >"$notes/$1.txt"
    echo "install-deps: $1 left out: $2"
}

# lintop.exe: mingw-w64 builds it on any machine, where Debian has it; Wine
# runs it only where the processor runs x86 code.
if [ "$mode" = package ] || [ "$mode" = all ]; then
    if [ "$host_arch" = amd64 ]; then
        install_missing g++-mingw-w64-x86-64 g++-mingw-w64-i686
    else
        install_optional mingw-w64 g++-mingw-w64-x86-64 g++-mingw-w64-i686
    fi
fi
if [ "$mode" = all ]; then
    if [ "$host_arch" = amd64 ]; then
        install_missing wine wine64
    else
        note_absent wine "this machine is $host_arch: Wine here runs no x86 Windows program"
    fi
fi

# The cross compilers, one architecture at a time, so that one that cannot be
# had leaves the others; the host's own architecture needs none.
cross_compiler() {
    case $1 in
    arm64) echo g++-aarch64-linux-gnu ;;
    armhf) echo g++-arm-linux-gnueabihf ;;
    s390x) echo g++-s390x-linux-gnu ;;
    esac
}
cross_archs=()
case $mode in
package) cross_archs=(arm64 armhf) ;;
all) cross_archs=(arm64 armhf s390x) ;;
esac
if [ "${LINTOP_CROSS_RUNS:-}" = no ]; then
    cross_archs=()
fi
for arch in "${cross_archs[@]}"; do
    [ "$arch" != "$host_arch" ] || continue
    install_optional "cross-$arch" "$(cross_compiler "$arch")"
done
if [ "$mode" = all ] && [ "${LINTOP_CROSS_RUNS:-}" != no ]; then
    install_optional qemu-user qemu-user
fi

# The 32-bit Wine, for the 32-bit lintop.exe, is optional: where it cannot be
# had, the tests say that they did not run that build, and why. It is tried
# only where the kernel runs i386 code; elsewhere Debian's wine command would
# start every program through its 32-bit loader, which such a kernel refuses.
# A failed try leaves apt as it was: the i386 architecture that it added goes
# again, so that a broken i386 index cannot fail every later apt-get update.
# apt's words stay in build/wine32-not-installed.txt for the tests' reason.
if [ "$mode" = all ] && [ "$host_arch" = amd64 ]; then
    note=$root/build/wine32-not-installed.txt
    if ! reason=$(bash "$root/tools/runs-32bit.sh" kernel 2>&1); then
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
