#!/usr/bin/env bash
# Builds the two packages into build/packages: lintop_1.0.0.1_amd64.deb from a
# native release build, and lintop-1.0.0.1-win64.zip from the mingw-w64 cross
# build. Only the program is built, not the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$PWD/build/packages
jobs=2

# The flags Debian builds its own packages with, hardening included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build/package-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
    -DLINTOP_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build/package-deb -j "$jobs" --target lintop
cpack --config build/package-deb/CPackConfig.cmake -B "$out"

# The toolchain file counts only at the first configure: later ones need not
# hear that it went unused.
cmake -S . -B build/package-win -G Ninja -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DLINTOP_WINDOWS_TEST_TOOLS=OFF
cmake --build build/package-win -j "$jobs" --target lintop
cpack --config build/package-win/CPackConfig.cmake -B "$out"
