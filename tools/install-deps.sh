#!/usr/bin/env bash
# Installs what building and testing lintop needs on a Debian machine, when it
# is missing: the native toolchain and GoogleTest, the mingw-w64 cross compiler
# for lintop.exe, and Wine to run it. Run as root.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev clang-format clang-tidy clang libclang-rt-14-dev g++-mingw-w64-x86-64 wine wine64)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
