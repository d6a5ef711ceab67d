#!/usr/bin/env bash
# The test command: installs what is missing, builds the shipped 32-bit install.exe and the
# test programs, and runs the whole suite through ctest. Extra arguments go to ctest
# (for example -R browser).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLMAR_BUILD:-$root/build}

bash "$root/scripts/setup-deps.sh"

# One run at a time per build tree: runs share its build and its Wine prefix.
mkdir -p "$build"
exec 9>"$build/.test-lock"
flock 9

# The program as it ships: 32-bit, release, stripped.
cmake -S "$root" -B "$build/release" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" \
      -DQUILLMAR_ARCH=i686 -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build "$build/release" --target installer -j"$(nproc)"

# The tests run the same code built for what this machine's Wine can run: i686 where the
# kernel runs 32-bit programs, x86_64 where it cannot.
arch=$("$root/scripts/wine-arch")
tests=$build/test-$arch
cmake -S "$root" -B "$tests" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" \
      -DQUILLMAR_ARCH="$arch" -DCMAKE_BUILD_TYPE=MinSizeRel \
      -DSHIPPED_INSTALL_EXE="$build/release/install.exe" >/dev/null
cmake --build "$tests" -j"$(nproc)"
echo "test: programs built for $arch; shipped install.exe: $build/release/install.exe"
ctest --test-dir "$tests" --output-on-failure "$@"
