#!/usr/bin/env bash
# Builds the packages: lintop_VERSION_ARCH.deb for this machine's architecture
# (dpkg --print-architecture) from a native release build, and for arm64 and
# armhf, where they are not this machine's, from cross builds with their
# toolchain files (cmake/linux-ARCH.cmake); lintop-VERSION-win64.zip and
# lintop-VERSION-win32.zip from the mingw-w64 cross builds for 64-bit and
# 32-bit Windows (VERSION is project()'s in CMakeLists.txt). Only the program
# is built, not the tests.
#   tools/package.sh [FOLDER]   builds in FOLDER/package-deb (this machine's
#                               .deb), FOLDER/package-deb-ARCH (the others),
#                               FOLDER/package-win and FOLDER/package-win32,
#                               and leaves the packages, alone, in
#                               FOLDER/packages (FOLDER is build unless given)
# A package whose cross compiler is missing here is not made: its last lines
# say so, one for each ("package: NAME not made: REASON"), and the status is 0.
# The packages are reproducible: one commit gives the same bytes in any build
# folder. File times in them are SOURCE_DATE_EPOCH, the last commit's time
# unless it is set.
set -euo pipefail
cd "$(dirname "$0")/.."
folder=$(realpath -m "${1:-build}")
out=$folder/packages
jobs=2
foreign_debs=(arm64 armhf)

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
        echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the release's time (seconds since 1970)" >&2
        exit 1
    fi
fi
export SOURCE_DATE_EPOCH
# The folder holds this build's packages alone: an older version's go.
rm -rf "$out"
not_made=()

# cpack_into BUILD: makes BUILD's package into $out, and takes away the
# staging tree that cpack leaves beside it.
cpack_into() {
    cpack --config "$1/CPackConfig.cmake" -B "$out"
    rm -rf "$out/_CPack_Packages"
}

# missing COMPILER NOTE: that COMPILER is missing here, and why, where
# tools/install-deps.sh could not install it and left a note saying why
# (build/not-installed/NOTE.txt).
missing() {
    local note=build/not-installed/$2.txt
    echo "the cross compiler $1 is missing$([ -f "$note" ] && echo " ($(cat "$note"))")"
}

# deb_flags ARCH NAME: the flags of kind NAME (CXXFLAGS...) that Debian builds
# its own packages for ARCH with, hardening included: a foreign
# architecture's differ from this machine's on some releases.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
deb_flags() {
    DEB_HOST_ARCH=$1 dpkg-buildflags --get "$2"
}

# make_deb ARCH BUILD [CMAKE-OPTION...]: the Debian package for ARCH from a
# release build in BUILD with Debian's flags. They name the source folder "."
# in the debug information; the build folder gets a fixed name too, since the
# build ID of the stripped program is taken over it.
make_deb() {
    local arch=$1 build=$2
    shift 2
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON \
        -DLINTOP_TESTS=OFF "$@" \
        -DCMAKE_CXX_FLAGS="$(deb_flags "$arch" CPPFLAGS) $(deb_flags "$arch" CXXFLAGS) -ffile-prefix-map=$folder=build" \
        -DCMAKE_EXE_LINKER_FLAGS="$(deb_flags "$arch" LDFLAGS)"
    cmake --build "$build" -j "$jobs" --target lintop
    cpack_into "$build"
}

host=$(dpkg --print-architecture)
make_deb "$host" "$folder/package-deb"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$folder/package-deb/CMakeCache.txt")

# The toolchain file counts only at the first configure: later ones need not
# hear that it went unused.
for arch in "${foreign_debs[@]}"; do
    [ "$arch" != "$host" ] || continue
    triplet=$(sed -n 's/^set(LINUX_TRIPLET \(.*\))$/\1/p' "cmake/linux-$arch.cmake")
    if ! command -v "$triplet-g++" >/dev/null; then
        not_made+=("lintop_${version}_$arch.deb not made: $(missing "$triplet-g++" "cross-$arch")")
        continue
    fi
    make_deb "$arch" "$folder/package-deb-$arch" --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="cmake/linux-$arch.cmake"
done

# CPack names each zip after its target: win64, win32. The toolchain file
# takes the win32 thread model's compiler where it can, and the plain one else.
for target in win64:x86_64:package-win win32:i686:package-win32; do
    IFS=: read -r name processor build <<<"$target"
    triplet=$processor-w64-mingw32
    if ! command -v "$triplet-g++-win32" >/dev/null && ! command -v "$triplet-g++" >/dev/null; then
        not_made+=("lintop-$version-$name.zip not made: $(missing "$triplet-g++" mingw-w64)")
        continue
    fi
    cmake -S . -B "$folder/$build" -G Ninja -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-$processor.cmake" -DLINTOP_WINDOWS_TEST_TOOLS=OFF
    cmake --build "$folder/$build" -j "$jobs" --target lintop
    cpack_into "$folder/$build"
done

for line in "${not_made[@]}"; do
    echo "package: $line"
done
