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
"$root/scripts/build-win" "$build/release" i686 installer

# The tests run the same code built for what this machine's Wine can run: i686 where the
# kernel runs 32-bit programs, x86_64 where it cannot.
arch=$("$root/scripts/wine-arch")
tests=$build/test-$arch
"$root/scripts/build-win" "$tests" "$arch" -- -DSHIPPED_INSTALL_EXE="$build/release/install.exe"
echo "test: programs built for $arch; shipped install.exe: $build/release/install.exe"
ctest --test-dir "$tests" --output-on-failure "$@"
