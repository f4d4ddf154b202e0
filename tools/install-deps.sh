#!/usr/bin/env bash
# Installs on a Debian machine what lintop needs, when it is missing.
#   tools/install-deps.sh build   what building the program needs: CMake, Ninja, g++
#   tools/install-deps.sh         that, and what the tests and the packages need:
#                                 GoogleTest, clang-format and clang-tidy for the
#                                 style check, the mingw-w64 cross compiler for
#                                 lintop.exe and Wine to run it, mandoc for the
#                                 manual page, dpkg-dev, file and lintian for the
#                                 Debian package, clang and its libFuzzer
#                                 runtime for the fuzz targets, strace
#                                 for the check that the benchmark's floor
#                                 program makes lintop's calls
# Runs apt-get directly as root, and through sudo otherwise.
set -euo pipefail

packages=(cmake ninja-build g++)
if [ "${1:-}" != build ]; then
    packages+=(libgtest-dev libgmock-dev clang-format clang-tidy g++-mingw-w64-x86-64 wine wine64
        mandoc dpkg-dev file lintian clang libclang-rt-14-dev strace)
fi
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    echo "installing: ${missing[*]}"
    "${as_root[@]}" apt-get update -q
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
