#!/usr/bin/env bash
# Builds the three packages: lintop_VERSION_amd64.deb from a native release
# build, and lintop-VERSION-win64.zip and lintop-VERSION-win32.zip from the
# mingw-w64 cross builds for 64-bit and 32-bit Windows (VERSION is project()'s
# in CMakeLists.txt). Only the program is built, not the tests.
#   tools/package.sh [FOLDER]   builds in FOLDER/package-deb, FOLDER/package-win
#                               and FOLDER/package-win32, and leaves the
#                               packages, alone, in FOLDER/packages
#                               (FOLDER is build unless given)
# The packages are reproducible: one commit gives the same bytes in any build
# folder. File times in them are SOURCE_DATE_EPOCH, the last commit's time
# unless it is set.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$(realpath -m "${1:-build}")
out=$folder/packages
jobs=2

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
        echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the release's time (seconds since 1970)" >&2
        exit 1
    fi
fi
export SOURCE_DATE_EPOCH
# The folder holds this build's packages alone: an older version's go.
rm -rf "$out"

# cpack_into BUILD: makes BUILD's package into $out, and takes away the
# staging tree that cpack leaves beside it.
cpack_into() {
    cpack --config "$1/CPackConfig.cmake" -B "$out"
    rm -rf "$out/_CPack_Packages"
}

# The flags Debian builds its own packages with, hardening included. They
# name the source folder "." in the debug information; the build folder gets a
# fixed name too, since the build ID of the stripped program is taken over it.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$folder/package-deb" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
    -DLINTOP_TESTS=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) -ffile-prefix-map=$folder=build" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$folder/package-deb" -j "$jobs" --target lintop
cpack_into "$folder/package-deb"

# The toolchain file counts only at the first configure: later ones need not
# hear that it went unused. CPack names each zip after its target: win64, win32.
for pair in package-win:x86_64 package-win32:i686; do
    cmake -S . -B "$folder/${pair%%:*}" -G Ninja -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-${pair#*:}.cmake" -DLINTOP_WINDOWS_TEST_TOOLS=OFF
    cmake --build "$folder/${pair%%:*}" -j "$jobs" --target lintop
    cpack_into "$folder/${pair%%:*}"
done
