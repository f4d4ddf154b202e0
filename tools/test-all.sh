#!/usr/bin/env bash
# Checks the tree's style (clang-format, clang-tidy), builds lintop natively, under the sanitizers and as lintop.exe, then runs
# every test: unit tests, the POSIX platform tests, the end-to-end suite on
# the native program, and the same suite on lintop.exe under Wine with the
# differential test between the two builds; then the shipping: install rules,
# manual page, the Debian package and the Windows zip.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=2

cmake --preset mingw
cmake --build --preset mingw -j "$jobs"

cmake --preset default -DLINTOP_WINDOWS_DIR="$PWD/build/mingw"
tools/check-style.sh build/default
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

bash tools/test-shipping.sh
