#!/usr/bin/env bash
# The tree's one style, enforced: clang-format over every C++ file (any change
# it would make fails), and clang-tidy over the product's sources as the
# native build compiles them (any finding fails).
# Usage: tools/check-style.sh [build-dir with compile_commands.json]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

if [ ! -f "$build/compile_commands.json" ]; then
    echo "check-style: $build/compile_commands.json is missing; configure with the default preset first" >&2
    exit 1
fi
# The product's sources that the native build compiles; the Windows entry is
# checked by the mingw build's warnings instead.
sources=$(git ls-files 'src/*.cpp' | grep -v '^src/startup/win32_main.cpp$')
# shellcheck disable=SC2086
printf '%s\n' $sources | xargs -P 2 -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "check-style: format and tidy clean"
